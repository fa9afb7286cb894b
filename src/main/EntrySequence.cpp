#include "main/EntrySequence.h"

#include "hook/MemBlock.h"

#include "platform/WinConst.h"
#include "settings/OptionsStore.h"

namespace velmora {

using namespace win;

namespace {

bool InstallerPresent(Desktop& desktop) {
  return static_cast<bool>(desktop.FindWindow("ZURUInstall", "Velmora Installation"));
}

bool UninstallerPresent(Desktop& desktop) {
  return desktop.FindWindow("ZURUUninstall", "Uninstall Velmora") ||
         desktop.FindWindow("ZURUUninstall", "Select Uninstall Method");
}

void SplitPath(const std::string& path, std::string& folder, std::string& file) {
  const auto slash = path.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  file = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

EntryDecision RunEntrySequence(Ports& ports) {
  Desktop& desktop = ports.desktop;
  Kernel& kernel = ports.kernel;
  std::string folder, file;
  SplitPath(ports.shell.GetModuleFileName(), folder, file);

  if (InstallerPresent(desktop)) {
    bool exists = false;
    const KernelHandle install = kernel.CreateMutex(InstallMutexName, true, exists);
    if (!exists) {
      // Start a new copy and keep the mutex until it has seen it, or the copy
      // would find no mutex and start another one, without end.
      const KernelHandle seen = kernel.CreateEvent(InstallSeenEventName);
      if (ports.shell.ShellExecute("open", file, folder, SW_SHOWNORMAL) && seen)
        kernel.WaitForSingleObject(seen, InstallHandOverMs);
      if (seen) kernel.CloseHandle(seen);
      if (install) kernel.CloseHandle(install);
      return {};
    }
    if (const KernelHandle seen = kernel.CreateEvent(InstallSeenEventName)) {
      kernel.SetEvent(seen);
      kernel.CloseHandle(seen);
    }
    if (install) kernel.CloseHandle(install);
    ports.shell.ShellExecute("open", "velmora.chm", folder, SW_SHOWMAXIMIZED);
  }

  bool exists = false;
  const KernelHandle mainMutex = kernel.CreateMutex(MainMutexName, true, exists);
  if (exists) {
    if (mainMutex) kernel.CloseHandle(mainMutex);
    if (const Hwnd running = desktop.FindWindow("TFOrvane", AppTitle)) desktop.SendCopyData(running, RQ_INSTANCE, 0);
    return {};
  }

  if (UninstallerPresent(desktop)) {
    if (mainMutex) kernel.CloseHandle(mainMutex);
    return {};
  }
  return {true, mainMutex};
}

bool WantsSplash(Ports& ports) {
  if (InstallerPresent(ports.desktop)) return false;
  return LoadOptions(ports.registry, nullptr).ShowSplash == 1;
}

}  // namespace velmora
