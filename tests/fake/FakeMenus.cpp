#include "FakeMenus.h"

namespace velmora::fake {

std::uint32_t FakeMenus::TrackPopupMenu(const std::vector<MenuEntry>& items, int x, int y, Hwnd owner,
                                       bool fromKeyboard) {
  shown.push_back({items, x, y, owner, fromKeyboard});
  if (log_) log_->push_back("TrackPopupMenu " + Hex(owner.value));
  if (dispatch) dispatch();
  if (choices.empty()) return 0;
  auto choose = std::move(choices.front());
  choices.pop_front();
  const std::uint32_t chosen = choose(items);
  return ended ? 0 : chosen;  // the program ended the menu meanwhile
}

bool FakeMenus::GetCursorPos(int& x, int& y) {
  x = cursorX;
  y = cursorY;
  return true;
}

bool FakeMenus::GetWorkArea(int& right, int& bottom) {
  if (workAreaFails) return false;
  right = workRight;
  bottom = workBottom;
  return true;
}

std::uint32_t FakeMenus::CommandOf(const std::vector<MenuEntry>& items, std::string_view text) {
  for (const MenuEntry& item : items) {
    if (item.text == text) return item.command;
    if (const std::uint32_t inner = CommandOf(item.submenu, text)) return inner;
  }
  return 0;
}

}  // namespace velmora::fake
