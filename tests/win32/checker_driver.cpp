#include "tests/win32/checker_driver.h"

#include <commctrl.h>

#include <vector>

#include "tests/win32/screen_png.h"
#include "tests/win32/ui_driver.h"

namespace qx::test {

namespace {

const wchar_t kWizardTitle[] = L"QX-R7000 Operation Checker Ver.1.01";
const wchar_t kBoxCaption[] = L"QX-R7000 Operation Checker";
constexpr UINT kSendTimeoutMs = 5000;

// Messages to another process's window are sent with a time-out so that a checker stuck in a
// modal loop fails the test instead of hanging it.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return 0;
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
  wchar_t text[4096] = L"";
  Send(window, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = L"";
  GetClassNameW(window, name, 128);
  return name;
}

// Memory inside the checker's process for the list view messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(DWORD processId, SIZE_T size)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)) {
    if (process_ != nullptr) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  bool Ok() const { return address_ != nullptr; }
  char* At(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
    return WriteProcessMemory(process_, At(offset), data, size, nullptr) != FALSE;
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) const {
    return ReadProcessMemory(process_, At(offset), data, size, nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  void* address_ = nullptr;
};

}  // namespace

CheckerSession::~CheckerSession() { Close(); }

void CheckerSession::Close() {
  if (process_.hProcess != nullptr) {
    if (Running()) {
      TerminateProcess(process_.hProcess, 9999);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    if (process_.hThread != nullptr) CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  process_ = PROCESS_INFORMATION{};
  wizard_ = nullptr;
}

bool CheckerSession::Start(const std::string& exePath) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string line = "\"" + exePath + "\"";
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  std::string folder = exePath.substr(0, exePath.find_last_of("\\/") + 1);
  return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process_) != FALSE;
}

bool CheckerSession::Attach(DWORD processId) {
  Close();
  process_.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, processId);
  if (process_.hProcess == nullptr) return false;
  process_.dwProcessId = processId;
  return true;
}

bool CheckerSession::Running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool CheckerSession::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode != nullptr) GetExitCodeProcess(process_.hProcess, exitCode);
  return true;
}

HWND CheckerSession::WaitForWizard(DWORD timeoutMs) {
  WaitUntil(
      [this] {
        for (HWND window : ProcessWindows(process_.dwProcessId)) {
          if (TextOf(window) == kWizardTitle) {
            wizard_ = window;
            return true;
          }
        }
        return !Running();
      },
      timeoutMs);
  return wizard_;
}

int CheckerSession::ActivePage() const {
  if (wizard_ == nullptr) return -1;
  auto page = reinterpret_cast<HWND>(Send(wizard_, PSM_GETCURRENTPAGEHWND, 0, 0));
  if (page == nullptr) return -1;
  return static_cast<int>(Send(wizard_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

bool CheckerSession::WaitForPage(int index, DWORD timeoutMs) {
  return WaitUntil([&] { return ActivePage() == index; }, timeoutMs);
}

bool CheckerSession::ButtonEnabled(int id) const {
  HWND button = GetDlgItem(wizard_, id);
  return button != nullptr && IsWindowEnabled(button);
}

bool CheckerSession::ButtonVisible(int id) const {
  HWND button = GetDlgItem(wizard_, id);
  return button != nullptr && IsWindowVisible(button);
}

bool CheckerSession::Click(int id) {
  if (!ButtonVisible(id) || !ButtonEnabled(id)) return false;
  // Posted: the click may open a message box that this process must then answer.
  PostMessageW(wizard_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(wizard_, id)));
  return true;
}

void CheckerSession::PostSystemCommand(WPARAM command) { PostMessageW(wizard_, WM_SYSCOMMAND, command, 0); }

void CheckerSession::PostCommand(int id) { PostMessageW(wizard_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

HWND CheckerSession::PageControl(int id) const {
  auto page = reinterpret_cast<HWND>(Send(wizard_, PSM_GETCURRENTPAGEHWND, 0, 0));
  return page != nullptr ? GetDlgItem(page, id) : nullptr;
}

bool CheckerSession::ClickOnPage(int id) {
  HWND control = PageControl(id);
  if (control == nullptr || !IsWindowVisible(control) || !IsWindowEnabled(control)) return false;
  PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  return true;
}

bool CheckerSession::PageChecked(int id) const { return Send(PageControl(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool CheckerSession::PageControlVisible(int id) const {
  HWND control = PageControl(id);
  return control != nullptr && IsWindowVisible(control);
}

std::wstring CheckerSession::PageText(int id) const { return TextOf(PageControl(id)); }

void CheckerSession::SelectComboItem(int id, int index) {
  HWND combo = PageControl(id);
  Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int CheckerSession::ComboSelection(int id) const { return static_cast<int>(Send(PageControl(id), CB_GETCURSEL, 0, 0)); }

int CheckerSession::ListCount(int id) const { return static_cast<int>(Send(PageControl(id), LVM_GETITEMCOUNT, 0, 0)); }

std::wstring CheckerSession::ListText(int id, int row) const {
  constexpr int kChars = 128;
  RemoteBuffer remote(process_.dwProcessId, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.Ok()) return L"<no remote memory>";
  LVITEMW item{};
  item.iSubItem = 0;
  item.cchTextMax = kChars;
  item.pszText = reinterpret_cast<wchar_t*>(remote.At(sizeof item));
  remote.Write(0, &item, sizeof item);
  Send(PageControl(id), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.At(0)));
  wchar_t text[kChars] = L"";
  remote.Read(sizeof item, text, sizeof text);
  text[kChars - 1] = L'\0';
  return text;
}

int CheckerSession::ListImage(int id, int row) const {
  RemoteBuffer remote(process_.dwProcessId, sizeof(LVITEMW));
  if (!remote.Ok()) return -2;
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  remote.Write(0, &item, sizeof item);
  if (!Send(PageControl(id), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.At(0)))) return -2;
  remote.Read(0, &item, sizeof item);
  return item.iImage;
}

bool CheckerSession::SelectListRow(int id, int row) {
  RemoteBuffer remote(process_.dwProcessId, sizeof(LVITEMW));
  if (!remote.Ok()) return false;
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  remote.Write(0, &item, sizeof item);
  return Send(PageControl(id), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.At(0))) != 0;
}

bool CheckerSession::WaitForBox(Box* box, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        for (HWND window : ProcessWindows(process_.dwProcessId)) {
          if (window == wizard_ || ClassOf(window) != L"#32770" || TextOf(window) != kBoxCaption) continue;
          box->window = window;
          box->text = TextOf(GetDlgItem(window, 0xFFFF));
          box->hasCancel = GetDlgItem(window, IDCANCEL) != nullptr;
          box->hasYes = GetDlgItem(window, IDYES) != nullptr;
          return true;
        }
        return false;
      },
      timeoutMs);
}

bool CheckerSession::BoxAppearsWithin(DWORD ms, Box* box) {
  Box seen;
  bool appeared = WaitForBox(&seen, ms);
  if (box != nullptr) *box = seen;
  return appeared;
}

void CheckerSession::Answer(const Box& box, int buttonId) {
  PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.window, buttonId)));
  WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, 5000);
}

bool CheckerSession::ExpectBox(const std::wstring& text, int answer, DWORD timeoutMs, std::wstring* got) {
  Box box;
  if (!WaitForBox(&box, timeoutMs)) {
    if (got != nullptr) *got = L"<no message box>";
    return false;
  }
  if (got != nullptr) *got = box.text;
  Answer(box, answer);
  return box.text == text;
}

bool CheckerSession::SaveScreenshot(const std::string& pngPath) {
  if (wizard_ == nullptr) return false;
  // Let the page finish painting (the pictures are drawn after the dialog's own painting).
  RedrawWindow(wizard_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(300);
  RECT box;
  GetWindowRect(wizard_, &box);
  return SaveScreenRectanglePng(pngPath, box.left, box.top, box.right - box.left, box.bottom - box.top);
}

}  // namespace qx::test
