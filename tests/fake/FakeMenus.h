#pragma once
// Popup menus that record what they were asked to show and answer with a
// scripted choice: a command, or a function of the items (e.g. "the item
// captioned x").
#include <deque>
#include <functional>
#include <vector>

#include "FakeLog.h"
#include "platform/Menus.h"

namespace velmora::fake {

struct ShownMenu {
  std::vector<MenuEntry> items;
  int x = 0;
  int y = 0;
  Hwnd owner;
  bool fromKeyboard = false;
};

class FakeMenus : public Menus {
 public:
  explicit FakeMenus(CallLog* log = nullptr) : log_(log) {}

  std::uint32_t TrackPopupMenu(const std::vector<MenuEntry>& items, int x, int y, Hwnd owner,
                              bool fromKeyboard) override;
  bool GetCursorPos(int& x, int& y) override;
  bool GetWorkArea(int& right, int& bottom) override;

  // The command of the first item (submenus included) with this text; 0 when none.
  static std::uint32_t CommandOf(const std::vector<MenuEntry>& items, std::string_view text);

  std::vector<ShownMenu> shown;
  bool ended = false;  // EndMenu: the open menu and every later one answer 0
  // The menu's loop dispatches what was posted to the program (FakeWorld: the tray's reports).
  std::function<void()> dispatch;
  // Answers in order; when empty the menu is dismissed (0).
  std::deque<std::function<std::uint32_t(const std::vector<MenuEntry>&)>> choices;
  int cursorX = 300, cursorY = 400;
  int workRight = 1024, workBottom = 738;
  bool workAreaFails = false;

 private:
  CallLog* log_;
};

}  // namespace velmora::fake
