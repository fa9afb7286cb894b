#include "win32/Win32Menus.h"

#include <string>
#include <vector>

#include "win32/Convert.h"
#include "win32/Win32Dialogs.h"
#include "win32/Raii.h"

namespace velmora {

namespace {

struct MenuDeleter {
  void operator()(HMENU menu) const noexcept { ::DestroyMenu(menu); }
};
using UniqueMenu = UniqueOf<HMENU, MenuDeleter>;

// A lone '&' in a window title would underline the next letter.
std::wstring Wide(const std::string& utf8) {
  std::wstring escaped;
  for (wchar_t c : ToWide(utf8, CP_UTF8)) {
    escaped += c;
    if (c == L'&') escaped += L'&';
  }
  return escaped;
}

// A 16x16 32-bit bitmap of an icon, for the item beside its text.
HBITMAP IconBitmap(HICON icon) {
  const int size = GetSystemMetrics(SM_CXSMICON);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return nullptr;
  UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return nullptr;
  {
    SelectGuard select(dc.get(), bitmap.get());
    if (!select.ok() || !DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL)) return nullptr;
  }
  return bitmap.release();
}

class MenuBuilder {
 public:
  HMENU Build(const std::vector<MenuEntry>& items) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return nullptr;
    for (const MenuEntry& item : items) {
      if (item.separator) {
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      } else if (!item.submenu.empty()) {
        HMENU sub = Build(item.submenu);
        if (sub && !AppendMenuW(menu.get(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), Wide(item.text).c_str()))
          DestroyMenu(sub);
      } else if (item.heading) {
        // The heading: a title over the window items, then a line.
        AppendMenuW(menu.get(), MF_STRING | MF_DISABLED, 0, Wide(item.text).c_str());
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      } else {
        AppendMenuW(menu.get(), MF_STRING, item.command, Wide(item.text).c_str());
        if (item.isDefault) SetMenuDefaultItem(menu.get(), item.command, FALSE);
        if (item.icon) AddIcon(menu.get(), item.command, ToHicon(item.icon));
      }
      if (item.isDefault && !item.submenu.empty())
        SetMenuDefaultItem(menu.get(), static_cast<UINT>(GetMenuItemCount(menu.get()) - 1), TRUE);
    }
    return menu.release();
  }

 private:
  void AddIcon(HMENU menu, UINT command, HICON icon) {
    UniqueBitmap bitmap(IconBitmap(icon));
    if (!bitmap) return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_BITMAP;
    info.hbmpItem = bitmap.get();
    if (SetMenuItemInfoW(menu, command, FALSE, &info)) bitmaps_.push_back(std::move(bitmap));
  }
  std::vector<UniqueBitmap> bitmaps_;  // live until the menu is gone
};

}  // namespace

std::uint32_t Win32Menus::TrackPopupMenu(const std::vector<MenuEntry>& items, int x, int y, Hwnd owner) {
  MenuBuilder builder;
  UniqueMenu menu(builder.Build(items));
  if (!menu) return 0;
  const HWND wnd = ToHwnd(owner);
  const BOOL chosen = ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, 0, wnd, nullptr);
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
