#pragma once

#include <windows.h>

#include <string>

namespace qx::checker {

// The checker's own texts from its string table; empty for an unknown id.
std::wstring LoadText(int id);

// A message box captioned "QX-R7000 Operation Checker" (string 103); MessageBoxW's answer.
int ShowMessage(HWND owner, int textId, UINT style);
int ShowText(HWND owner, const std::wstring& text, UINT style);

// The literal text the pages show when the library refuses a parameter block.
inline constexpr wchar_t kErrorOccurred[] = L"Error occurred.";

// Message 130 with its "%s" replaced by `name`, bounded like every composed message (520).
std::wstring ComposeScanErrorText(const wchar_t* name);

}  // namespace qx::checker
