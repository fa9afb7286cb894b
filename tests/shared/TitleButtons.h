#pragma once
// A real click on a title-bar button, from the input queue as a user gives it:
// a mouse hook sees no posted message. False when no point of the caption hits it.
#include <windows.h>

#include <functional>

namespace velmora::test {

inline bool ClickAt(POINT at, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
  SetCursorPos(at.x, at.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = down;
  in[1].mi.dwFlags = up;
  return SendInput(2, in, sizeof(INPUT)) == 2;
}

// beforeClick runs once the point is found, right before the click.
inline bool ClickTitleButton(HWND wnd, LRESULT hit, DWORD down, DWORD up,
                             const std::function<void()>& beforeClick = {}) {
  RECT r{};
  GetWindowRect(wnd, &r);
  for (LONG y = r.top + 1; y < r.top + 40; y += 2)
    for (LONG x = r.right - 2; x > r.left; x -= 2) {
      DWORD_PTR found = 0;
      SendMessageTimeoutA(wnd, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 1000, &found);
      if (static_cast<LRESULT>(found) != hit) continue;
      if (beforeClick) beforeClick();
      return ClickAt({x, y}, down, up);
    }
  return false;
}

}  // namespace velmora::test
