#include "ui/Win32Menus.h"

#include <string>
#include <vector>

#include <memory>
#include <optional>

#include "ui/MenuPainter.h"
#include "win32/Convert.h"
#include "win32/Raii.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

namespace {

struct MenuDeleter {
  void operator()(HMENU menu) const noexcept { ::DestroyMenu(menu); }
};
using UniqueMenu = UniqueOf<HMENU, MenuDeleter>;

// Builds the menu of owner-drawn items, separators included, on the ground of
// the palette; the items, the painter's fonts, the ground's brush and the menus
// live until the builder goes, right after the popup: nothing grows.
class MenuBuilder {
 public:
  explicit MenuBuilder(HWND owner) : painter_(owner), ground_(::CreateSolidBrush(painter_.colours().menu)) {}

  HMENU Build(const std::vector<MenuEntry>& items) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return nullptr;
    MENUINFO ground{};
    ground.cbSize = sizeof ground;
    ground.fMask = MIM_BACKGROUND;
    ground.hbrBack = ground_.get();
    SetMenuInfo(menu.get(), &ground);
    for (const MenuEntry& entry : items) {
      if (entry.separator) {
        DrawnItem& line = *items_.emplace_back(std::make_unique<DrawnItem>());
        line.separator = true;
        line.Announce();
        AppendMenuW(menu.get(), MF_SEPARATOR | MF_OWNERDRAW, 0, reinterpret_cast<const wchar_t*>(&line));
        continue;
      }
      DrawnItem& item = *items_.emplace_back(std::make_unique<DrawnItem>(
          ToWide(entry.text, CP_UTF8), ToHicon(entry.icon), entry.isDefault, entry.heading));
      item.checked = entry.checked;
      // Drawn by the painter; the text is kept as well, for screen readers.
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_DATA | MIIM_ID | MIIM_STATE;
      info.fType = MFT_OWNERDRAW;
      info.dwTypeData = item.text.data();
      info.dwItemData = reinterpret_cast<ULONG_PTR>(&item);
      info.wID = entry.command;
      info.fState = (entry.heading ? MFS_DISABLED : 0u) | (entry.isDefault ? MFS_DEFAULT : 0u) |
                    (entry.checked ? MFS_CHECKED : 0u);
      UniqueMenu sub;
      if (!entry.submenu.empty()) {
        sub.reset(Build(entry.submenu));
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = sub.get();
        item.submenu = true;
      }
      if (InsertMenuItemW(menu.get(), static_cast<UINT>(GetMenuItemCount(menu.get())), TRUE, &info))
        (void)sub.release();  // the menu owns it now
    }
    return menu.release();
  }

  // The answer to a message of the menu's owner, when it is one for the menu.
  std::optional<LRESULT> OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) const {
    if (msg == WM_MENUCHAR && (HIWORD(wParam) & MF_POPUP) != 0)
      return AnswerMenuChar(reinterpret_cast<HMENU>(lParam), static_cast<wchar_t>(LOWORD(wParam)));
    if (msg == WM_MEASUREITEM) {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType != ODT_MENU || measure->itemData == 0) return std::nullopt;
      const SIZE size = painter_.Measure(*reinterpret_cast<const DrawnItem*>(measure->itemData));
      measure->itemWidth = static_cast<UINT>(size.cx);
      measure->itemHeight = static_cast<UINT>(size.cy);
      return TRUE;
    }
    if (msg == WM_DRAWITEM) {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (draw->CtlType != ODT_MENU || draw->itemData == 0) return std::nullopt;
      painter_.Draw(*reinterpret_cast<const DrawnItem*>(draw->itemData), draw->hDC, draw->rcItem,
                    (draw->itemState & ODS_SELECTED) != 0, (draw->itemState & (ODS_DISABLED | ODS_GRAYED)) != 0);
      return TRUE;
    }
    return std::nullopt;
  }

 private:
  MenuPainter painter_;
  UniqueBrush ground_;
  std::vector<std::unique_ptr<DrawnItem>> items_;  // stable addresses: the menu's item data
};

// The owner window receives the measure and draw requests while the menu is up.
// Its procedure is swapped for the popup's time (one popup at a time per
// thread); no window property is involved, which under Wine would cost a
// server round trip for each of a long list's items.
thread_local const MenuBuilder* t_builder = nullptr;
thread_local WNDPROC t_ownerProc = nullptr;

LRESULT CALLBACK OwnerProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (t_builder)
      if (const auto answer = t_builder->OnMessage(msg, wParam, lParam)) return *answer;
  } catch (...) {
  }
  return CallWindowProcW(t_ownerProc, wnd, msg, wParam, lParam);
}

class OwnerDrawing {
 public:
  // Put in as a Unicode procedure whatever the owner is: a typed letter (WM_MENUCHAR)
  // of any script arrives whole, where an ANSI owner would get "?" for it.
  OwnerDrawing(HWND owner, const MenuBuilder& builder) : owner_(owner) {
    if (t_builder) return;  // a popup of this thread is up already
    t_ownerProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OwnerProc)));
    if (t_ownerProc) t_builder = &builder;
    installed_ = t_builder == &builder;
  }
  ~OwnerDrawing() {
    // Only the popup that put the drawing in takes it out: a nested one leaves it to the open menu.
    if (!installed_) return;
    ::SetWindowLongPtrW(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(t_ownerProc));
    t_builder = nullptr;
    t_ownerProc = nullptr;
  }
  OwnerDrawing(const OwnerDrawing&) = delete;
  OwnerDrawing& operator=(const OwnerDrawing&) = delete;

 private:
  HWND owner_;
  bool installed_ = false;
};

}  // namespace

std::uint32_t Win32Menus::TrackPopupMenu(const std::vector<MenuEntry>& items, int x, int y, Hwnd owner,
                                        bool fromKeyboard) {
  const HWND wnd = ToHwnd(owner);
  MenuBuilder builder(wnd);
  UniqueMenu menu(builder.Build(items));
  if (!menu) return 0;
  BOOL chosen = FALSE;
  {
    const OwnerDrawing drawing(wnd, builder);
    // The menu loop takes the key from the queue: the first item is selected, as a menu opened by a key shows it.
    if (fromKeyboard) ::PostMessageW(wnd, WM_KEYDOWN, VK_DOWN, 0);
    chosen = ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, 0, wnd, nullptr);
  }
  // Lets the menu close properly when the user clicked elsewhere.
  PostMessageA(wnd, WM_NULL, 0, 0);
  return chosen > 0 ? static_cast<std::uint32_t>(chosen) : 0;
}

bool Win32Menus::GetCursorPos(int& x, int& y) {
  POINT point{};
  if (!::GetCursorPos(&point)) return false;
  x = point.x;
  y = point.y;
  return true;
}

bool Win32Menus::GetWorkArea(int& right, int& bottom) {
  RECT area{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) return false;
  right = area.right;
  bottom = area.bottom;
  return true;
}

}  // namespace velmora
