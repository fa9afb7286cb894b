#pragma once
// Which program a window belongs to: its process image and, for store apps,
// the application user model id. Asks the system only, never the window.
#include <string>

#include "win32/Win32Api.h"

namespace velmora {

// The full path of the process's image; empty when it cannot be read (an
// elevated process, one that has ended).
std::wstring ProcessImagePath(DWORD processId);
// The store app a window belongs to: its process's id, else the id the window
// itself carries for the taskbar (a store app's frame); empty for other programs.
std::wstring WindowAppId(HWND wnd);

}  // namespace velmora
