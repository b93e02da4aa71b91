// Page 11: the result of the operation check, one row per checked item, and the details of the
// selected one.
#include <windows.h>
#include <commctrl.h>

#include "checker/check_rules.h"
#include "checker/messages.h"
#include "checker/pages_check.h"
#include "checker/wizard_sheet.h"
#include "resources/checker_ids.h"

namespace qx::checker {

namespace {
constexpr int kItemColumnFirstWidth = 100;
}

CPropPageCheck11::CPropPageCheck11(CScannerApi* scanner)
    : CWizardPage(IDD_PAGE_CHECK11, L"Operation check complete"), scanner_(scanner) {}

CPropPageCheck11::~CPropPageCheck11() {
  if (images_ != nullptr) ImageList_Destroy(images_);
}

bool CPropPageCheck11::FrankingChosen() const {
  HandlingBlock* handling = scanner_->GetHandlingBlock();
  return handling != nullptr && handling->franking4 == 1;
}

void CPropPageCheck11::OnInitPage() {
  SetDlgItemTextW(Window(), IDC_TEXT, LoadText(IDS_SELECT_CATEGORY).c_str());
  HWND list = Control(IDC_RESULT_LIST);

  wchar_t heading[] = L"Item";
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  column.fmt = LVCFMT_LEFT;
  column.cx = kItemColumnFirstWidth;
  column.pszText = heading;
  ListView_InsertColumn(list, 0, &column);
  ListView_SetColumnWidth(list, 0, LVSCW_AUTOSIZE_USEHEADER);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);

  int cx = GetSystemMetrics(SM_CXSMICON);
  int cy = GetSystemMetrics(SM_CYSMICON);
  images_ = ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, 3, 0);
  // Image 0 passed, 1 failed, 2 not checked.
  for (int icon : {IDI_RESULT_PASSED, IDI_RESULT_FAILED, IDI_RESULT_NOT_CHECKED}) {
    auto picture = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon), IMAGE_ICON, cx, cy, 0));
    ImageList_AddIcon(images_, picture);
    DestroyIcon(picture);
  }
  ListView_SetImageList(list, images_, LVSIL_SMALL);

  std::int32_t results[CScannerApi::kCheckResults];
  for (int i = 0; i < CScannerApi::kCheckResults; ++i) results[i] = scanner_->GetCheckResult(i);
  ResultRow rows[CScannerApi::kCheckResults];
  int count = ComposeResultRows(scanner_->GetPocketCount(), FrankingChosen(), results, rows);
  for (int i = 0; i < count; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(rows[i].name);
    item.iImage = rows[i].image;
    ListView_InsertItem(list, &item);
  }
}

void CPropPageCheck11::OnSetActive() {
  Sheet().SetWizardButtons(kButtonFinish);
  Sheet().EnableSheetButton(IDCANCEL, false);
}

void CPropPageCheck11::OnControlNotify(NMHDR* header) {
  if (header->idFrom == IDC_RESULT_LIST && header->code == LVN_ITEMCHANGED) ShowDetails();
}

void CPropPageCheck11::ShowDetails() {
  HWND list = Control(IDC_RESULT_LIST);
  int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  int textId = IDS_SELECT_CATEGORY;
  if (row >= 0) {
    wchar_t name[64] = L"";
    ListView_GetItemText(list, row, 0, name, static_cast<int>(sizeof name / sizeof name[0]));
    ResultItem item;
    if (FindResultItem(name, &item)) {
      textId = DetailsTextId(item, scanner_->GetCheckResult(static_cast<int>(item)), FrankingChosen());
    }
  }
  SetDlgItemTextW(Window(), IDC_TEXT, LoadText(textId).c_str());
}

}  // namespace qx::checker
