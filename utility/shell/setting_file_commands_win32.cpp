// Open File and Save File: the system's file dialogs, the file-name guard, and one error box for
// any failure, naming the file as the dialog gave it.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/string_table.h"
#include "utility/shell/file_name_guard.h"
#include "utility/shell/main_frame_win32.h"
#include "utility/shell/setting_file.h"
#include "utility/shell/tree_view_win32.h"
#include "utility/shell/window_commands_win32.h"
#include "utility/shell/window_paths.h"

namespace qx {

namespace {

constexpr int kStringReadFailed = 5;
constexpr int kStringInvalidFormat = 6;
constexpr int kStringSaveFailed = 7;
constexpr char kFilter[] = "QX-R7000 Setting File\0*.qxr\0";

// The message: the string (at most 127 characters) followed directly by the name part.
void ShowFileError(HWND owner, int stringId, const std::string& name) {
  char text[128];
  platform::LoadUtilityString(stringId, text, sizeof text);
  ShowError(owner, (text + name).c_str());
}

OPENFILENAMEA FileDialog(HWND owner, char (&path)[kPathSize]) {
  std::memset(path, 0, sizeof path);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathSize;
  dialog.lpstrInitialDir = ".\\";
  return dialog;
}

void CloseFile(std::FILE* file) {
  if (file != nullptr) std::fclose(file);
}

}  // namespace

void OpenSettingFile(MainFrame& frame) {
  if (frame.mode != kRunModeExtended || frame.tree == nullptr) return;
  char path[kPathSize];
  OPENFILENAMEA dialog = FileDialog(frame.window, path);
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  dialog.lpstrDefExt = ".qxr";
  if (!GetOpenFileNameA(&dialog)) return;

  auto record = std::make_unique<SettingRecord>();
  std::memset(record.get(), 0, sizeof *record);
  std::unique_ptr<std::FILE, void (*)(std::FILE*)> file(OpenGuardedFile(path, "rb"), CloseFile);
  std::string name = PathNamePart(path);
  if (file == nullptr) {
    ShowFileError(frame.window, kStringReadFailed, name);
    return;
  }
  if (ReadSettingFile(file.get(), *record) != 1) {
    ShowFileError(frame.window, kStringInvalidFormat, name);
    return;
  }
  frame.tree->Document().BuildFileTree(*record);
}

void SaveSettingFile(MainFrame& frame) {
  if (frame.mode != kRunModeExtended || frame.tree == nullptr) return;
  char path[kPathSize];
  OPENFILENAMEA dialog = FileDialog(frame.window, path);
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST;
  dialog.lpstrDefExt = "qxr";
  if (!GetSaveFileNameA(&dialog)) return;

  std::string name = PathNamePart(path);
  std::string target = SaveTargetPath(path);
  std::unique_ptr<std::FILE, void (*)(std::FILE*)> file(OpenGuardedFile(target.c_str(), "wb"), CloseFile);
  if (file == nullptr || WriteSettingFile(file.get(), frame.tree->Document().BuildSettingRecord()) != 1) {
    ShowFileError(frame.window, kStringSaveFailed, name);
  }
}

}  // namespace qx
