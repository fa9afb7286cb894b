#include "FakeWorld.h"

namespace velmora::fake {

FakeWorld::FakeWorld() : FakeWorld(static_cast<FakeKernelSpace*>(nullptr)) {}

FakeWorld::FakeWorld(FakeKernelSpace& space) : FakeWorld(&space) {}

FakeWorld::FakeWorld(FakeKernelSpace* space)
    : ownSpace_(space ? nullptr : std::make_unique<FakeKernelSpace>()),
      kernelSpace(space ? *space : *ownSpace_),
      desktop(&log),
      tray(&log),
      painter(&log),
      registry(&log),
      shell(&log),
      timers(&log),
      dialogs(&log),
      kernel(kernelSpace, &log),
      menus(&log),
      hotkeys(&log) {
  shell.desktop = &desktop;
  tray.desktop = &desktop;
  menus.dispatch = dialogs.dispatch = [this] { tray.DispatchPosted(); };
  timers.whilePassing = [this] {
    desktop.PumpAll();
    desktop.DispatchPosted();
  };
}

}  // namespace velmora::fake
