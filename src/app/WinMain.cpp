// Velmora.exe: the entry sequence, the forms and the message loop.
// The system headers first, through the one place that keeps their macros off the ports' names.
#include "win32/Win32Api.h"

#include <objbase.h>

#include <cstdlib>

#include "app/CommandClient.h"
#include "app/CrashGuard.h"
#include "app/MainWindow.h"
#include "app/Win32Ports.h"
#include "main/EntrySequence.h"
#include "options/TAboutForm.h"
#include "settings/TAutoRunner.h"
#include "ui/ChangeHotkeyDialog.h"
#include "ui/OptionsDialog.h"

// An uncaught exception ends the process, after the hidden windows are back;
// the default handler would pull the whole symbol demangler into the
// executable to print its name.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  velmora::ShowMarkedWindows();
  std::abort();
}
}  // namespace __gnu_cxx

namespace {

// COM for this thread as a single-threaded apartment (the taskbar list object needs it).
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

int RunVelmora() {
  using namespace velmora;
  Win32Ports system;
  Ports& ports = system.ports;

  EntryDecision decision = RunEntrySequence(ports);
  if (!decision.run) return 0;

  ComApartment com;
  MainWindow main(ports);
  main.Form().SetMainMutex(std::move(decision.mainMutex));
  if (!main.Created()) {
    main.Form().CloseMainMutex();
    return 0;
  }
  // The dialogs: made once, after the main window, hidden between uses.
  const TextTable& texts = UserTexts(ports.kernel);
  OptionsDialog optionsDialog(texts);
  ChangeHotkeyDialog changeHotkeyDialog(texts, optionsDialog.Window());
  TChangeHotkey changeHotkey(changeHotkeyDialog);
  changeHotkeyDialog.Connect(changeHotkey);
  TAutoRunner autoRunner(ports.registry, ports.shell);
  TAboutForm aboutForm(ports, optionsDialog, main.Form(), changeHotkey, autoRunner);
  optionsDialog.Connect(aboutForm);
  aboutForm.FormCreate();
  main.Form().SetAboutForm(&aboutForm);
  // The start-up copy of the settings: loading it writes the defaults on a first start.
  if (WantsSplash(ports)) aboutForm.ShowSplash();

  MSG msg;
  for (;;) {
    // Unicode: an ANSI loop would turn typed characters outside the code page into "?" or stray bytes.
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) break;  // WM_QUIT
    // A message the system could not deliver (a malformed or oversized one)
    // ends nothing: the loop goes on with the next.
    if (got == -1) continue;
    // Tab, Enter and the page mnemonics of the options dialog.
    if (optionsDialog.TranslateKeys(msg)) continue;
    if (optionsDialog.Window() && IsDialogMessageW(optionsDialog.Window(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  main.Form().SetAboutForm(nullptr);
  main.Form().CloseMainMutex();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // With arguments this process is a command for the running Velmora, with an exit code of its own.
  if (const auto args = velmora::CommandArguments(); !args.empty()) return velmora::RunCommandClient(args);
  velmora::InstallCrashGuard();
  try {
    RunVelmora();
  } catch (...) {
    velmora::ShowMarkedWindows();
  }
  return 0;
}
