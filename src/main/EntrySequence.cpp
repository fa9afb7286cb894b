#include "main/EntrySequence.h"

#include "tray/HookSections.h"

#include "platform/Paths.h"
#include "platform/WinConst.h"
#include "settings/OptionsStore.h"
#include "text/Help.h"

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

// With the installer open: the copy that creates "VelmoraMutexInstall" starts
// a new copy and ends (true); the new copy, finding it, opens the help file
// and goes on (false).
bool InstallerHandOver(Ports& ports, const std::string& folder, const std::string& file) {
  Kernel& kernel = ports.kernel;
  bool exists = false;
  KernelObject install(kernel, kernel.CreateMutex(InstallMutexName, true, exists));
  if (!install && !exists) {
    // Without the mutex a new copy could not tell it was started for the
    // installer and would start another: go on as a plain start instead.
    return false;
  }
  if (!exists) {
    // Keep the mutex until the new copy has seen it, or the copy would find
    // none and start another one, without end.
    const KernelObject seen(kernel, kernel.CreateEvent(InstallSeenEventName));
    if (ports.shell.ShellExecute("open", file, "", folder, SW_SHOWNORMAL) && seen)
      kernel.WaitForSingleObject(seen.get(), InstallHandOverMs);
    return true;
  }
  if (const KernelObject seen(kernel, kernel.CreateEvent(InstallSeenEventName)); seen) kernel.SetEvent(seen.get());
  install.reset();
  OpenHelpFile(ports.shell, UserTexts(ports.kernel), folder);
  return false;
}

}  // namespace

EntryDecision RunEntrySequence(Ports& ports) {
  Desktop& desktop = ports.desktop;
  Kernel& kernel = ports.kernel;
  const auto [folder, file] = SplitModulePath(ports.shell.GetModuleFileName());

  if (InstallerPresent(desktop) && InstallerHandOver(ports, folder, file)) return {};

  bool exists = false;
  KernelObject mainMutex(kernel, kernel.CreateMutex(MainMutexName, true, exists));
  if (exists) {
    mainMutex.reset();
    if (const Hwnd running = desktop.FindWindow("TFOrvane", AppTitle)) {
      // The user started this one: the running Velmora may bring its About page to the front.
      desktop.AllowSetForegroundWindow(desktop.GetWindowProcessId(running));
      desktop.SendCopyData(running, RQ_INSTANCE, 0);
    }
    return {};
  }

  if (UninstallerPresent(desktop)) return {};
  // The shared sections are Velmora's own before anything maps them: one that
  // another user or a lower integrity level made first could steer the hook
  // library in every program. Velmora then says so and does not run.
  for (const SectionSpec& spec : HookSections::Specs(kernel.IntegrityLevel())) {
    if (kernel.ClaimSharedBlock(spec) != Kernel::BlockClaim::Taken) continue;
    ports.dialogs.MessageBox(UserTexts(kernel)(TextId::SharedBlockTaken, spec.name), AppTitle, MB_OK | MB_ICONERROR);
    return {};
  }
  return {true, std::move(mainMutex)};
}

bool WantsSplash(Ports& ports) {
  if (InstallerPresent(ports.desktop)) return false;
  return LoadOptions(ports.registry, nullptr).ShowSplash == 1;
}

}  // namespace velmora
