#pragma once
// A real click on a title-bar button, from the input queue as a user gives it:
// a mouse hook sees no posted message. False when no point of the caption hits it.
#include <windows.h>

namespace velmora::test {

inline bool ClickAt(POINT at, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
  SetCursorPos(at.x, at.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = down;
  in[1].mi.dwFlags = up;
  return SendInput(2, in, sizeof(INPUT)) == 2;
}

// A point of the title bar that hits the button; false when none does.
inline bool FindTitleButton(HWND wnd, LRESULT hit, POINT& at) {
  RECT r{};
  GetWindowRect(wnd, &r);
  for (LONG y = r.top + 1; y < r.top + 40; y += 2)
    for (LONG x = r.right - 2; x > r.left; x -= 2) {
      DWORD_PTR found = 0;
      SendMessageTimeoutA(wnd, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 1000, &found);
      if (static_cast<LRESULT>(found) != hit) continue;
      at = {x, y};
      return true;
    }
  return false;
}

inline bool ClickTitleButton(HWND wnd, LRESULT hit, DWORD down, DWORD up) {
  POINT at{};
  return FindTitleButton(wnd, hit, at) && ClickAt(at, down, up);
}

}  // namespace velmora::test
