// e2e_tests.exe [--bin-dir DIR] [googletest flags]
// hardening_figures.exe [--bin-dir DIR]: the hung-program, adoption and hotkey cases
// with a 30-second hang and 20 hotkey samples, printing their figures.
// DIR holds Velmora.exe, LibOrvane.dll and probe.exe; by default the folder of this program.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "Harness.h"

namespace {

// Without a window manager, Wine waits up to two seconds for one whenever a
// managed window is hidden or destroyed. Unmanaged windows skip that wait;
// set before any window exists, so it holds for every program the cases start.
void UnmanagedWindowsUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return;
  velmora::e2e::WriteRegString(L"Software\\Wine\\X11 Driver", L"Managed", L"N");
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
#ifdef VELMORA_FIGURES
  if (GTEST_FLAG_GET(filter) == "*") GTEST_FLAG_SET(filter, "HangAfter*:*Killed*:*Twenty*:*MinimizeHotkey*:*OptionsHotkey*");
#endif
  UnmanagedWindowsUnderWine();
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--bin-dir" && i + 1 < argc) velmora::e2e::SetBinDir(velmora::e2e::Widen(argv[++i]));
    else if (a.rfind("--bin-dir=", 0) == 0) velmora::e2e::SetBinDir(velmora::e2e::Widen(a.substr(10)));
  }
  return RUN_ALL_TESTS();
}
