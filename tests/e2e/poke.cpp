// poke.exe: what the shell and the user do to Velmora's menus, for the
// demonstration of scripts/run.
//   poke.exe tray <id or window title> <mouse message>   the shell's click on a tray icon
//   poke.exe escape                                        closes the popup menu on screen
//   poke.exe change-hotkey                                 shows the change-hotkey dialog for a few seconds
//   poke.exe press <modifiers> <virtual key>               a global hotkey, as the keyboard sends it
//   poke.exe options <control id>                          clicks a control of the options dialog
//   poke.exe close <window class>                          asks a window to close
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "settings/HotkeyText.h"
#include "ui/ChangeHotkeyDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2) return 2;
  const std::wstring verb = argv[1];
  if (verb == L"escape") {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu) return 1;
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    return 0;
  }
  if (verb == L"change-hotkey") {
    const velmora::TextTable& texts = velmora::TextsFor(GetUserDefaultUILanguage());
    velmora::ChangeHotkeyDialog dialog(texts);
    velmora::TChangeHotkey logic(dialog);
    dialog.Connect(logic);
    SetTimer(dialog.Window(), 1, 5000, [](HWND wnd, UINT, UINT_PTR, DWORD) { PostMessageW(wnd, WM_CLOSE, 0, 0); });
    std::uint8_t mods = 0;
    std::uint16_t key = 0;
    logic.Execute(texts[velmora::TextId::HotkeyMinimize], velmora::ModControl | velmora::ModAlt, 'M', mods, key);
    return 0;
  }
  if (verb == L"press" && argc >= 4) {
    const UINT mods = static_cast<UINT>(wcstoul(argv[2], nullptr, 0));
    const WORD key = static_cast<WORD>(wcstoul(argv[3], nullptr, 0));
    INPUT in[8] = {};
    int n = 0;
    auto add = [&](WORD vk, bool up) {
      in[n].type = INPUT_KEYBOARD;
      in[n].ki.wVk = vk;
      in[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      ++n;
    };
    if (mods & MOD_CONTROL) add(VK_CONTROL, false);
    if (mods & MOD_ALT) add(VK_MENU, false);
    add(key, false);
    add(key, true);
    if (mods & MOD_ALT) add(VK_MENU, true);
    if (mods & MOD_CONTROL) add(VK_CONTROL, true);
    return SendInput(static_cast<UINT>(n), in, sizeof(INPUT)) == static_cast<UINT>(n) ? 0 : 1;
  }
  if (verb == L"options" && argc >= 3) {
    HWND dialog = FindWindowW(L"TAboutForm", nullptr);
    HWND item = dialog ? GetDlgItem(dialog, static_cast<int>(wcstoul(argv[2], nullptr, 0))) : nullptr;
    if (!item) return 1;
    PostMessageW(item, BM_CLICK, 0, 0);  // posted: a click may open a modal dialog
    return 0;
  }
  if (verb == L"flash" && argc >= 3) {  // the window of that title flashes, as the shell tells Velmora
    HWND main = FindWindowW(L"TFOrvane", nullptr), wnd = FindWindowW(nullptr, argv[2]);
    return main && wnd && PostMessageW(main, RegisterWindowMessageW(L"SHELLHOOK"), 0x8006, reinterpret_cast<LPARAM>(wnd)) ? 0 : 1;
  }
  if (verb == L"close" && argc >= 3) {
    HWND wnd = FindWindowW(argv[2], nullptr);
    return wnd && PostMessageW(wnd, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (verb != L"tray" || argc < 4) return 2;
  HWND tray = FindWindowW(L"VelmoraTrayWnd", nullptr);
  if (!tray) return 1;
  wchar_t* end = nullptr;
  UINT_PTR id = wcstoul(argv[2], &end, 0);
  if (*end != L'\0') id = reinterpret_cast<UINT_PTR>(FindWindowW(nullptr, argv[2])) & 0xFFFFFFFFu;
  PostMessageW(tray, WM_USER + 1, id, static_cast<LPARAM>(wcstoul(argv[3], nullptr, 0)));
  return 0;
}
