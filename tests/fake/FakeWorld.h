#pragma once
// One fresh fake system for a test: one fake per port, all appending to one
// ordered call log. Give the logic world.desktop, world.tray, ... as its ports.
//
// Log entries (handles, ids and messages in Hex()):
//   "ShowWindow <hwnd> <cmd>"  "SendMessage <hwnd> <msg> <wParam>"
//   "PostMessage <hwnd> <msg> <wParam>"  "SendCopyData <hwnd> <code> <dwData>"
//   "SetForegroundWindow <hwnd>"  "SetForegroundLockTimeout <ms>"
//   "InsertMenu <menu> <id>"  "CheckMenuItem <menu> <id> <MF_CHECKED or 0>"
//   "DeleteMenu <menu> <id>"  "CreateUtilityWindow <class>"  "DestroyWindow <hwnd>"
//   "NIM_ADD <id>"  "NIM_MODIFY <id>"  "NIM_DELETE <id>"  "DestroyIcon <icon>"
//   "SetValue <key> <name>"  "ShellExecute <verb> <file> <dir> <show>"
//   "ReplaceFile <path>"  "DeleteTaskbarTab <hwnd>"  "SetTimer <id> <ms>"
//   "KillTimer <id>"  "MessageBox <text>"  "CreateMutex <name>"
//   "CreateEvent <name>"  "SetEvent <name>"  "CloseHandle <name>"
//   "MapSharedBlock <name>"  "UnmapSharedBlock <name>"  "SetHook"  "UnSetHook"
//   "EndProcess"
//
// A second Velmora process: FakeKernel other(world.kernelSpace, &world.log)
// shares the named objects and the block; the desktop is the same one.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "FakeDesktop.h"
#include "FakeDialogs.h"
#include "FakeHotkeys.h"
#include "FakeKernel.h"
#include "FakeLog.h"
#include "FakeMenus.h"
#include "FakePainter.h"
#include "FakeRegistry.h"
#include "FakeShell.h"
#include "FakeTimers.h"
#include "FakeTray.h"
#include "platform/Ports.h"

namespace velmora::fake {

class FakeWorld {
 public:
  FakeWorld();
  // Named kernel objects and blocks live in space, shared with other worlds or kernels.
  explicit FakeWorld(FakeKernelSpace& space);
  FakeWorld(const FakeWorld&) = delete;
  FakeWorld& operator=(const FakeWorld&) = delete;

  // The first entry that is text, or starts with text and a space (whole words:
  // "NIM_ADD 0x1" does not match "NIM_ADD 0x10").
  bool LogHas(std::string_view text) const { return LogIndex(text) != npos; }
  std::size_t LogIndex(std::string_view text) const { return FindLogEntry(log, text); }
  void ClearLog() { log.clear(); }
  static constexpr std::size_t npos = std::string_view::npos;

  CallLog log;

 private:
  explicit FakeWorld(FakeKernelSpace* space);
  std::unique_ptr<FakeKernelSpace> ownSpace_;

 public:
  FakeKernelSpace& kernelSpace;
  FakeDesktop desktop;
  FakeTray tray;
  FakePainter painter;
  FakeRegistry registry;
  FakeShell shell;
  FakeTimers timers;
  FakeDialogs dialogs;
  FakeKernel kernel;
  FakeMenus menus;
  FakeHotkeys hotkeys;

  // Every fake as the logic's ports.
  Ports AsPorts() { return Ports{desktop, tray, painter, registry, shell, timers, dialogs, kernel, menus, hotkeys}; }
};

}  // namespace velmora::fake
