#pragma once
#include "platform/Menus.h"
#include "win32/Win32Api.h"

namespace velmora {

class Win32Menus final : public Menus {
 public:
  Win32Menus() = default;
  std::uint32_t TrackPopupMenu(const std::vector<MenuEntry>& items, int x, int y, Hwnd owner,
                              bool fromKeyboard) override;
  bool GetCursorPos(int& x, int& y) override;
  bool GetWorkArea(int& right, int& bottom) override;
};

}  // namespace velmora
