#include "foreign/SystemMenuItems.h"

#include "hook/MemBlock.h"
#include "platform/WinConst.h"

namespace velmora {

using namespace win;

void AddTrayMenuItem(Desktop& desktop, const TOptionsRecord& options, Hmenu menu, std::uint32_t flags,
                     std::string_view minimizeText) {
  if (options.UseMenuItem == 0) return;
  if (desktop.GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND) == MENU_ITEM_MISSING)
    desktop.InsertMenu(menu, SC_CLOSE, MF_BYCOMMAND, SC_MINIMIZE, minimizeText);
  desktop.InsertMenu(menu, SC_CLOSE, MF_BYCOMMAND | flags, IDM_TRAY_ITEM, options.MenuText());
  desktop.InsertMenu(menu, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, IDM_TRAY_SEPARATOR, "");
}

std::uint32_t TrayItemState(Desktop& desktop, Hwnd wnd) {
  const Hmenu menu = desktop.GetSystemMenu(wnd, false);
  if (!desktop.IsMenu(menu)) return MENU_ITEM_MISSING;
  return desktop.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND);
}

bool TrayItemChecked(Desktop& desktop, Hwnd wnd) {
  const std::uint32_t state = TrayItemState(desktop, wnd);
  return state != MENU_ITEM_MISSING && (state & MF_CHECKED) != 0;
}

void StripTrayMenuItems(Desktop& desktop) {
  desktop.EnumWindows([&desktop](Hwnd wnd) {
    const Hmenu menu = desktop.GetSystemMenu(wnd, false);
    if (desktop.IsMenu(menu)) {
      desktop.DeleteMenu(menu, IDM_TRAY_ITEM, MF_BYCOMMAND);
      desktop.DeleteMenu(menu, IDM_TRAY_SEPARATOR, MF_BYCOMMAND);
    }
    return true;
  });
}

}  // namespace velmora
