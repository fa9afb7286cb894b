#pragma once
// Win32 constants the logic uses, with their real values, so that the
// logic reads like the system calls it makes without including <windows.h>.
#include <cstdint>

namespace velmora::win {

// ShowWindow
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// Messages
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUERYENDSESSION = 0x0011;
constexpr std::uint32_t WM_ENDSESSION = 0x0016;
constexpr std::uint32_t WM_CHILDACTIVATE = 0x0022;
constexpr std::uint32_t WM_QUERYDRAGICON = 0x0037;
constexpr std::uint32_t WM_COPYDATA = 0x004A;
constexpr std::uint32_t WM_CONTEXTMENU = 0x007B;
constexpr std::uint32_t WM_GETICON = 0x007F;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_USER = 0x0400;

// System commands
constexpr std::uint32_t SC_MINIMIZE = 0xF020;
constexpr std::uint32_t SC_CLOSE = 0xF060;
constexpr std::uint32_t SC_RESTORE = 0xF120;

// Menus
constexpr std::uint32_t MF_BYCOMMAND = 0x0000;
constexpr std::uint32_t MF_STRING = 0x0000;
constexpr std::uint32_t MF_UNCHECKED = 0x0000;
constexpr std::uint32_t MF_CHECKED = 0x0008;
constexpr std::uint32_t MF_SEPARATOR = 0x0800;
constexpr std::uint32_t MENU_ITEM_MISSING = 0xFFFFFFFFu;  // -1 from GetMenuState/CheckMenuItem

// Shell_NotifyIcon
constexpr std::uint32_t NIM_ADD = 0;
constexpr std::uint32_t NIM_MODIFY = 1;
constexpr std::uint32_t NIM_DELETE = 2;
constexpr std::uint32_t NIM_SETFOCUS = 3;
constexpr std::uint32_t NIM_SETVERSION = 4;
constexpr std::uint32_t NOTIFYICON_VERSION = 3;
// Callback events of a version 3 icon (lParam), besides the mouse messages.
constexpr std::uint32_t NIN_SELECT = 0x0400;
constexpr std::uint32_t NIN_KEYSELECT = 0x0401;
constexpr std::uint32_t NIF_MESSAGE = 1;
constexpr std::uint32_t NIF_ICON = 2;
constexpr std::uint32_t NIF_TIP = 4;
constexpr std::uint32_t NIF_INFO = 0x10;  // a balloon: szInfo, szInfoTitle, dwInfoFlags
constexpr std::uint32_t NIIF_INFO = 1;
constexpr std::uint32_t NIIF_USER = 4;                   // the balloon shows hBalloonIcon
constexpr std::uint32_t NIIF_RESPECT_QUIET_TIME = 0x80;  // not shown in the user's first hour or quiet time
constexpr std::uint32_t QUNS_ACCEPTS_NOTIFICATIONS = 5;
constexpr std::uint32_t NIN_BALLOONUSERCLICK = 0x0405;  // the user clicked the balloon

// The shell hook window's message ("SHELLHOOK"): wParam for a window that flashes, lParam the window.
constexpr std::uintptr_t HSHELL_FLASH = 0x8006;

// MessageBox
constexpr std::uint32_t MB_OK = 0x0000;
constexpr std::uint32_t MB_YESNO = 0x0004;
constexpr std::uint32_t MB_ICONERROR = 0x0010;
constexpr std::uint32_t MB_ICONQUESTION = 0x0020;
constexpr std::uint32_t MB_ICONWARNING = 0x0030;
constexpr std::uint32_t MB_ICONINFORMATION = 0x0040;
constexpr std::uint32_t MB_DEFBUTTON2 = 0x0100;
constexpr std::uint32_t MB_SYSTEMMODAL = 0x1000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// RegisterHotKey: a held combination does not repeat.
constexpr std::uint32_t MOD_NOREPEAT = 0x4000;

// Miscellaneous
constexpr std::uint32_t GW_OWNER = 4;
constexpr int GCL_HICONSM = -34;
constexpr std::uint32_t IDI_APPLICATION = 32512;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

}  // namespace velmora::win
