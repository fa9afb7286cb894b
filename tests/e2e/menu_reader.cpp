// menu_reader.dll: read a popup menu from inside the process that shows it.
// Another process cannot read a menu's items under Wine; the end-to-end tests
// hook this library into the menu's thread (WH_CALLWNDPROC) and send the menu
// window the registered message "VelmoraReadMenu" with their own window as
// wParam. The library answers with WM_COPYDATA: one line per item,
// "<text>\t<flags>\t<left>,<top>,<right>,<bottom>", flags from D (default),
// X (disabled), S (submenu), O (owner-drawn), and the item's screen rectangle.
#include <windows.h>

#include <cstdio>
#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuReaderProc(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT readMenu = RegisterWindowMessageW(L"VelmoraReadMenu");
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && msg->message == readMenu) {
    constexpr UINT MnGetHMenu = 0x01E1;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(msg->hwnd, MnGetHMenu, 0, 0));
    std::wstring out;
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
      wchar_t text[256] = {};
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
      info.dwTypeData = text;
      info.cch = 255;
      GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
      RECT r{};
      GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &r);
      std::wstring flags;
      if (info.fState & MFS_DEFAULT) flags += L'D';
      if (info.fState & MFS_DISABLED) flags += L'X';
      if (info.hSubMenu) flags += L'S';
      if (info.fType & MFT_OWNERDRAW) flags += L'O';
      wchar_t rect[64];
      std::swprintf(rect, 64, L"%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
      out += std::wstring(text) + L'\t' + flags + L'\t' + rect + L'\n';
    }
    COPYDATASTRUCT data{0, static_cast<DWORD>((out.size() + 1) * sizeof(wchar_t)), out.data()};
    SendMessageW(reinterpret_cast<HWND>(msg->wParam), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
