#pragma once
// Every real adapter, bundled as the logic's ports.
#include "platform/Ports.h"
#include "ui/Win32Menus.h"
#include "win32/Win32Desktop.h"
#include "win32/Win32Dialogs.h"
#include "win32/Win32Hotkeys.h"
#include "win32/Win32Kernel.h"
#include "win32/Win32Painter.h"
#include "win32/Win32Registry.h"
#include "win32/Win32Shell.h"
#include "win32/Win32Timers.h"
#include "win32/Win32Tray.h"

namespace velmora {

struct Win32Ports {
  Win32Desktop desktop;
  Win32Tray tray;
  Win32Painter painter;
  Win32Registry registry;
  Win32Shell shell;
  Win32Timers timers;
  Win32Dialogs dialogs;
  Win32Kernel kernel;
  Win32Menus menus;
  Win32Hotkeys hotkeys;
  Ports ports{desktop, tray, painter, registry, shell, timers, dialogs, kernel, menus, hotkeys};
};

}  // namespace velmora
