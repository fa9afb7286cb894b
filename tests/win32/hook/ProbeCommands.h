#pragma once
// Messages between the hook contract test and hook_probe.exe.
#include <windows.h>

namespace velmora::probe {

// Sent (or posted, for kPing) to the probe's control window; handled on the
// probe's thread, so the hooks run inside the probe.
enum Command : UINT {
  kCreate = WM_APP + 1,    // wParam class atom, lParam owner; a visible window. Returns it.
  kCreateHidden,           // as kCreate, never shown
  kCreateChild,            // wParam class atom, lParam parent
  kCreateDialog,           // a modeless dialog ("#32770"), lParam owner
  kShow,                   // ShowWindow(wParam, lParam)
  kActivate,               // SetActiveWindow(wParam); returns 1 when it became active
  kDestroy,                // DestroyWindow(wParam)
  kAddTrayItem,            // puts the tray item into wParam's system menu
  kRightClicksSeen,        // how many WM_NCRBUTTONDOWN/UP reached the probe's windows
  kKeyDown,                // 1 when the probe sees key wParam held (GetAsyncKeyState)
  kPing,                   // posted; answered by kPong with the same wParam
  kQuit,
  kBusy,                   // posted; the probe takes no message for wParam ms
};

// Posted by the probe to the test's recorder window.
enum Reply : UINT {
  kReady = WM_APP + 40,  // wParam the window opened from the command line, lParam the control window
  kPong,
};

}  // namespace velmora::probe
