#pragma once
// The system services, handed to the logic as one bundle of references.
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Hotkeys.h"
#include "platform/Kernel.h"
#include "platform/Menus.h"
#include "platform/Painter.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Timers.h"
#include "platform/Tray.h"

namespace velmora {

struct Ports {
  Desktop& desktop;
  Tray& tray;
  Painter& painter;
  Registry& registry;
  Shell& shell;
  Timers& timers;
  Dialogs& dialogs;
  Kernel& kernel;
  Menus& menus;
  Hotkeys& hotkeys;
};

inline constexpr char AppTitle[] = "Velmora 4.6.3";

}  // namespace velmora
