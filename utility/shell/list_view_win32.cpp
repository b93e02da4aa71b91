#include "utility/shell/list_view_win32.h"

#include "resources/utility_resource.h"
#include "utility/shell/tree_view_win32.h"

namespace qx {

namespace {

constexpr int kColumnWidth = 150;
constexpr char kNoValue[] = "none";

void InsertColumn(HWND control, int index, const char* title) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = kColumnWidth;
  column.pszText = const_cast<char*>(title);
  column.iSubItem = index;
  SendMessageA(control, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

}  // namespace

CListView::~CListView() {
  ListView_DeleteAllItems(control_);
  if (images_ != nullptr) {
    ListView_SetImageList(control_, nullptr, LVSIL_SMALL);
    ImageList_Destroy(images_);
  }
}

void CListView::Prepare(HINSTANCE instance) {
  images_ = LoadPaneImages(instance, IDB_LIST_IMAGES);
  if (images_ != nullptr) ListView_SetImageList(control_, images_, LVSIL_SMALL);
  ListView_SetExtendedListViewStyle(control_, ListView_GetExtendedListViewStyle(control_) | LVS_EX_FULLROWSELECT);
  InsertColumn(control_, 0, "Item");
  InsertColumn(control_, 1, "Value");
}

void CListView::Fill(const RowList& rows) {
  ListView_DeleteAllItems(control_);
  int index = 0;
  for (const Row& row : rows) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(row.item.c_str());
    item.iImage = 0;
    int at = static_cast<int>(SendMessageA(control_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) continue;
    LVITEMA value{};
    value.iSubItem = 1;
    value.pszText = const_cast<char*>(row.value.empty() ? kNoValue : row.value.c_str());
    SendMessageA(control_, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&value));
    ++index;
  }
  FitValueColumn();
  HWND pane = GetParent(control_);
  RECT r{};
  GetWindowRect(pane, &r);
  SendMessageA(pane, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right - r.left, r.bottom - r.top));
}

void CListView::FitValueColumn() { ListView_SetColumnWidth(control_, 1, LVSCW_AUTOSIZE_USEHEADER); }

}  // namespace qx
