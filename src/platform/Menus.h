#pragma once
// Popup menus: shown at a point, modal, answering with the chosen command.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Handles.h"

namespace velmora {

struct MenuEntry {
  std::string text{};         // UTF-8
  std::uint32_t command = 0;  // 0: a separator, a heading or a submenu
  Hicon icon{};               // drawn beside the text when set
  bool separator = false;
  bool heading = false;  // a title line that cannot be chosen
  bool isDefault = false;
  bool checked = false;  // shown with a check mark, read as checked by screen readers
  std::vector<MenuEntry> submenu{};
};

class Menus {
 public:
  Menus() = default;
  Menus(const Menus&) = delete;
  Menus& operator=(const Menus&) = delete;
  virtual ~Menus() = default;

  // TrackPopupMenu with TPM_RETURNCMD: the chosen command, 0 when dismissed.
  // fromKeyboard: opened by a key (a hotkey, the tray icon's keys), so the
  // menu starts with its first item selected.
  virtual std::uint32_t TrackPopupMenu(const std::vector<MenuEntry>& items, int x, int y, Hwnd owner,
                                       bool fromKeyboard) = 0;
  virtual bool GetCursorPos(int& x, int& y) = 0;
  // SystemParametersInfo(SPI_GETWORKAREA): its right and bottom edges.
  virtual bool GetWorkArea(int& right, int& bottom) = 0;
};

}  // namespace velmora
