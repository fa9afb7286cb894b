#pragma once
// The block "LibOrvaneMemBlock" shared by Velmora.exe and LibOrvane.dll, and
// the codes of the requests the library sends. Included by both sides; no
// system header, so that the logic can use it too.
#include <cstddef>
#include <cstdint>

namespace velmora {

inline constexpr char MemBlockName[] = "LibOrvaneMemBlock";

struct TMemBlock {
  std::uint32_t MainWindow;     // written by Velmora: its main window, 0 outside the run
  std::uint32_t HookOwnerPid;   // written by the library's SetHook: Velmora's process id
  std::uint32_t Reserved8;      // unused
  std::uint32_t PendingWindow;  // the window the minimize hotkey or a trigger just sent to the tray
  std::uint32_t ButtonCode;     // hit-test code of the right-click trigger: 8, 9, 20, 37 any, 0 none
  std::uint8_t HoldKeyCode;     // 1 Shift, 2 Control, 3 either, 0 none
  std::uint8_t Reserved21[3];
  std::uint32_t AppWindow;         // written by the library before request 51
  std::uint8_t ClassKey[256];      // written by the library: length byte, then up to 255 characters
};

static_assert(sizeof(TMemBlock) == 284);
static_assert(offsetof(TMemBlock, MainWindow) == 0);
static_assert(offsetof(TMemBlock, PendingWindow) == 12);
static_assert(offsetof(TMemBlock, ButtonCode) == 16);
static_assert(offsetof(TMemBlock, HoldKeyCode) == 20);
static_assert(offsetof(TMemBlock, AppWindow) == 24);
static_assert(offsetof(TMemBlock, ClassKey) == 28);

// What the library sends with every request as COPYDATASTRUCT.lpData: the
// request's own copy of AppWindow and ClassKey, which no other program can
// change between the send and Velmora's read. The block fields stay, written
// as before, for a library that sends no payload.
struct TRequestPayload {
  std::uint32_t AppWindow;
  std::uint8_t ClassKey[256];  // length byte, then up to 255 characters
};

static_assert(sizeof(TRequestPayload) == 260);
static_assert(offsetof(TRequestPayload, AppWindow) == 0);
static_assert(offsetof(TRequestPayload, ClassKey) == 4);

// WM_COPYDATA requests: wParam is the code, COPYDATASTRUCT.dwData the window.
enum RequestCode : std::uint32_t {
  RQ_MINIMIZING = 46,
  RQ_ADD_ITEM = 47,
  RQ_ITEM_CHOSEN = 48,
  RQ_ACTIVATED = 49,
  RQ_DESTROYED = 50,
  RQ_APP_FORM = 51,
  RQ_APP_WINDOW = 52,
  RQ_SHELL_RESTART = 53,
  RQ_INSTANCE = 56,
  RQ_CLOSE_MINIMIZED = 57,
  RQ_OPENED = 58,  // a top-level window shows for the first time, and a rule or a watch may take it
  // A command of Velmora's command line. It never comes as WM_COPYDATA, which
  // cannot tell who sent it: the command channel hands it over with the
  // sender's identity checked from its own token.
  RQ_COMMAND = 59,
};

// Posted by the library to the main window when a window Velmora holds gets a
// new title or icon (WM_SETTEXT, WM_SETICON): wParam the window. Velmora reads
// the window itself; at most one per window per 100 ms.
inline constexpr std::uint32_t WindowChangedMessage = 0x8000 + 0x41;  // WM_APP + 0x41

// Commands of the items Velmora puts into other windows' system menus.
inline constexpr std::uint32_t IDM_TRAY_ITEM = 0xFE00;
inline constexpr std::uint32_t IDM_TRAY_SEPARATOR = 0xFE01;

// Hit-test codes of the title-bar buttons, and the code meaning "any of them".
inline constexpr std::uint32_t HitMinButton = 8;
inline constexpr std::uint32_t HitMaxButton = 9;
inline constexpr std::uint32_t HitCloseButton = 20;
inline constexpr std::uint32_t HitAnyButton = 37;

}  // namespace velmora
