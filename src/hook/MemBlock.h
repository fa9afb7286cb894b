#pragma once
// The block "LibOrvaneMemBlock" shared by Velmora.exe and LibOrvane.dll, and
// the codes of the requests the library sends. Included by both sides; no
// system header, so that the logic can use it too.
#include <cstddef>
#include <cstdint>

namespace velmora {

// One block per level Velmora serves (hook/Levels.h), labelled at that level:
// no program below it can write it, nor read it. Velmora alone writes it; the
// library maps it read-only and tells Velmora everything by message.
inline constexpr char MemBlockName[] = "LibOrvaneMemBlock";

inline constexpr std::size_t RequestSecretSize = 16;

struct TMemBlock {
  std::uint32_t MainWindow;     // Velmora's main window, 0 outside the run
  std::uint32_t HookOwnerPid;   // Velmora's process id
  std::uint32_t Reserved8[2];   // unused
  std::uint32_t ButtonCode;     // hit-test code of the right-click trigger: 8, 9, 20, 37 any, 0 none
  std::uint8_t HoldKeyCode;     // 1 Shift, 2 Control, 3 either, 0 none
  std::uint8_t Reserved21[3];
  // Random, new at every start: a request that carries it comes from a program
  // that could read this block, so of this block's level or above.
  std::uint8_t RequestSecret[RequestSecretSize];
  std::uint8_t Reserved40[244];
};

static_assert(sizeof(TMemBlock) == 284);
static_assert(offsetof(TMemBlock, MainWindow) == 0);
static_assert(offsetof(TMemBlock, HookOwnerPid) == 4);
static_assert(offsetof(TMemBlock, ButtonCode) == 16);
static_assert(offsetof(TMemBlock, HoldKeyCode) == 20);
static_assert(offsetof(TMemBlock, RequestSecret) == 24);

// What the library sends with every request as COPYDATASTRUCT.lpData. A hint
// about the window the request names: Velmora reads the window's class, program
// and state itself.
enum RequestFlag : std::uint32_t {
  // The window minimizes as the pending one: a trigger (the right-click, the
  // hold key, a close button of a mark that closes to the tray) sent it.
  RequestFromTrigger = 1,
};
struct TRequestPayload {
  std::uint32_t AppWindow;  // request 52: the form that announced its application window; 51: the application window
  std::uint32_t Flags;      // RequestFlag bits
  std::uint8_t Secret[RequestSecretSize];  // the RequestSecret of the block the library read
};

static_assert(sizeof(TRequestPayload) == 24);
static_assert(offsetof(TRequestPayload, Flags) == 4);
static_assert(offsetof(TRequestPayload, Secret) == 8);

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
