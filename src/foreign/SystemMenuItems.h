#pragma once
// Velmora's items in other programs' system menus.
#include <cstdint>
#include <string_view>

#include "platform/Desktop.h"
#include "settings/OptionsRecord.h"

namespace velmora {

// A minimize item (minimizeText) when missing, the tray item (flags:
// MF_CHECKED or 0) and its separator, each before the close command; nothing
// when UseMenuItem is off.
void AddTrayMenuItem(Desktop& desktop, const TOptionsRecord& options, Hmenu menu, std::uint32_t flags,
                     std::string_view minimizeText);

// The tray item's state in a window's system menu: -1 (MENU_ITEM_MISSING)
// when the window has no menu or the menu lacks the item.
std::uint32_t TrayItemState(Desktop& desktop, Hwnd wnd);
bool TrayItemChecked(Desktop& desktop, Hwnd wnd);

// Takes the tray item and its separator out of every top-level window's menu.
void StripTrayMenuItems(Desktop& desktop);

}  // namespace velmora
