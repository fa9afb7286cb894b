#pragma once
// Which kind of window a foreign window is, by its class name.
#include <string_view>
#include <vector>

#include "platform/Desktop.h"
#include "platform/Painter.h"

namespace velmora {

bool IsWordClass(std::string_view cls);
bool IsExcelClass(std::string_view cls);
bool IsConsoleClass(std::string_view cls);
// A class many programs share: its windows are marked per program.
bool IsGenericClass(std::string_view cls);
bool IsAppClass(std::string_view cls);
bool IsBrowserFrameClass(std::string_view cls);
// The taskbar and the desktop: never sent to the tray.
bool IsShellClass(std::string_view cls);

// The same tests on a window; false when its class cannot be read.
bool IsWordWindow(Desktop& desktop, Hwnd wnd);
bool IsExcelWindow(Desktop& desktop, Hwnd wnd);
bool IsConsoleWindow(Desktop& desktop, Hwnd wnd);
bool HasGenericClass(Desktop& desktop, Hwnd wnd);
bool IsAppWindow(Desktop& desktop, Hwnd wnd);
bool IsBrowserFrame(Desktop& desktop, Hwnd wnd);

// The key under which a window's class is marked: its class name, or for a
// shared class "<program file name>|<family>" ("<app id>|ApplicationFrameWindow"
// for a store app's frame), as the hook library computes it.
std::string WindowClassKey(Desktop& desktop, Hwnd wnd);
// What stands for a store app's frame is the app it hosts: its id ("" when it
// cannot be told), its title, and its icon (the caller owns it; 0 for any other window).
std::string StoreAppId(Desktop& desktop, Hwnd frame);
std::string WindowTitle(Desktop& desktop, Hwnd wnd);
Hicon StoreAppIcon(Desktop& desktop, Painter& painter, Hwnd frame);

// Every top-level window, gathered before any of them is acted on (acting may
// let other messages in).
std::vector<Hwnd> TopLevelWindows(Desktop& desktop);

// The "TApplication" window a window belongs to: itself, its owner, or none.
Hwnd OwningAppWindow(Desktop& desktop, Hwnd wnd);

// A dialog or tool window of a window the user sees, or that Velmora holds:
// it goes to the tray and comes back with its owner, never on its own.
bool TravelsWithOwner(Desktop& desktop, Hwnd wnd);
// The window a dialog travels with: its owner's owner and so on; itself when it travels alone.
Hwnd OwnerItTravelsWith(Desktop& desktop, Hwnd wnd);

// The icon that stands for a window in the tray.
Hicon WindowIcon(Desktop& desktop, Painter& painter, Hwnd wnd);

}  // namespace velmora
