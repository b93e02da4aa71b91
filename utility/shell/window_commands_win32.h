#pragma once

#include <windows.h>

namespace qx {

struct MainFrame;

// The commands of the main window's menu and toolbar.
void GetInformation(MainFrame& frame);  // 40004, behind the progress dialog
void OpenSettingFile(MainFrame& frame);  // 40001
void SaveSettingFile(MainFrame& frame);  // 40002
void ScannerTest(MainFrame& frame);      // 40005
void ShowAbout(MainFrame& frame);        // 40006

// The checker watch (timer 0): once the checker has ended, the window comes back.
void WatchChecker(MainFrame& frame);
// True while a checker started by Scanner Test still runs.
bool CheckerRunning(const MainFrame& frame);

// True once the first Get Information has ended; true while one runs.
bool FirstRunDone();
bool Gathering();
// Returns once a running Get Information worker has ended, answering the messages other threads
// send to this one meanwhile; the document it fills may then go.
void WaitForGatherToEnd();

// An error box owned by the main window: caption "Error", the error icon.
void ShowError(HWND owner, const char* text);
// The box for a gather's result code (nothing for success).
void ShowResult(HWND owner, int code);

}  // namespace qx
