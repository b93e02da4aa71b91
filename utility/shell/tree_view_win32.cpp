#include "utility/shell/tree_view_win32.h"

#include "resources/utility_resource.h"

namespace qx {

namespace {

// "イメージリスト作成失敗" (image list could not be made) in the Shift-JIS code page.
constexpr char kImageListFailed[] =
    "\x83\x43\x83\x81\x81\x5B\x83\x57\x83\x8A\x83\x58\x83\x67\x8D\xEC\x90\xAC\x8E\xB8\x94\x73";

constexpr COLORREF kTransparent = RGB(255, 0, 255);

}  // namespace

HIMAGELIST LoadPaneImages(HINSTANCE instance, int bitmapId) {
  InitCommonControls();
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
  HBITMAP bitmap = images != nullptr ? LoadBitmapA(instance, MAKEINTRESOURCEA(bitmapId)) : nullptr;
  if (bitmap == nullptr || ImageList_AddMasked(images, bitmap, kTransparent) < 0) {
    if (images != nullptr) ImageList_Destroy(images);
    images = nullptr;
    MessageBoxA(nullptr, kImageListFailed, "OK", MB_OK);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  return images;
}

CTreeView::CTreeView(HWND control, RunMode mode)
    : control_(control), mode_(mode), document_(std::make_unique<InfoDocument>(this)) {}

CTreeView::~CTreeView() {
  // The items point at the document's nodes: they go first.
  TreeView_DeleteAllItems(control_);
  document_.reset();
  if (images_ != nullptr) {
    TreeView_SetImageList(control_, nullptr, TVSIL_NORMAL);
    ImageList_Destroy(images_);
  }
}

void CTreeView::Prepare(HINSTANCE instance) {
  images_ = LoadPaneImages(instance, IDB_TREE_IMAGES);
  if (images_ != nullptr) TreeView_SetImageList(control_, images_, TVSIL_NORMAL);
  document_->BuildDeviceTree(mode_);
}

TreeSink::Item CTreeView::InsertItem(Item parent, const char* text, int image, CTreeNode* node) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent != nullptr ? static_cast<HTREEITEM>(parent) : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  insert.item.pszText = const_cast<char*>(text);
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  insert.item.lParam = reinterpret_cast<LPARAM>(node);
  return reinterpret_cast<Item>(SendMessageA(control_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void CTreeView::DeleteItem(Item item) {
  if (item != nullptr) TreeView_DeleteItem(control_, static_cast<HTREEITEM>(item));
}

RowList CTreeView::SelectedRows() const {
  HTREEITEM selected = TreeView_GetSelection(control_);
  if (selected == nullptr) return {};
  TVITEMA item{};
  item.mask = TVIF_PARAM;
  item.hItem = selected;
  if (!SendMessageA(control_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return {};
  return InfoDocument::RowsOf(reinterpret_cast<CTreeNode*>(item.lParam), mode_);
}

void CTreeView::SelectFirstRoot() {
  TreeView_SelectItem(control_, nullptr);
  TreeView_SelectItem(control_, TreeView_GetRoot(control_));
}

}  // namespace qx
