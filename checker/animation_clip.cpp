#include "checker/animation_clip.h"

#include <windows.h>
#include <commctrl.h>

#include "resources/checker_ids.h"

namespace qx::checker {

void StartClip(HWND page, HWND clip) {
  Animate_Open(clip, MAKEINTRESOURCEW(IDR_SCAN_CLIP));
  Animate_Play(clip, 0, -1, -1);
  RECT client;
  RECT box;
  GetClientRect(page, &client);
  GetWindowRect(clip, &box);
  int width = box.right - box.left;
  int height = box.bottom - box.top;
  SetWindowPos(clip, nullptr, (client.right - width) / 2, (client.bottom - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void StopClip(HWND clip) { Animate_Stop(clip); }

}  // namespace qx::checker
