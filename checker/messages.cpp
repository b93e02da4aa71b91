#include "checker/messages.h"

#include "resources/checker_ids.h"

namespace qx::checker {

namespace {
constexpr std::size_t kComposedMessageSize = 520;
}

std::wstring LoadText(int id) {
  // With a zero size LoadStringW hands out a read-only pointer to the resource text itself.
  const wchar_t* text = nullptr;
  int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return std::wstring();
  return std::wstring(text, static_cast<std::size_t>(length));
}

int ShowMessage(HWND owner, int textId, UINT style) { return ShowText(owner, LoadText(textId), style); }

int ShowText(HWND owner, const std::wstring& text, UINT style) {
  return MessageBoxW(owner, text.c_str(), LoadText(IDS_CAPTION).c_str(), style);
}

std::wstring ComposeScanErrorText(const wchar_t* name) {
  std::wstring text = LoadText(IDS_SCAN_ERROR);
  std::size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, name != nullptr ? name : L"");
  if (text.size() > kComposedMessageSize - 1) text.resize(kComposedMessageSize - 1);
  return text;
}

}  // namespace qx::checker
