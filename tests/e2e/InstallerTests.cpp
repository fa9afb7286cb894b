// The installer and its uninstaller, run silently as an administrator's script would.
#include "TrayFixture.h"

namespace velmora::e2e {
namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring Expand(const wchar_t* text) {
  wchar_t out[MAX_PATH] = {};
  ExpandEnvironmentStringsW(text, out, MAX_PATH);
  return out;
}

class InstallerTest : public TrayTest {
 protected:
  bool RunSilently(const std::wstring& exe) {
    Process p = Launch(exe, L"/S");
    return p.handle && p.WaitExit(60s) && p.ExitCode() == 0u;
  }
};

TEST_F(InstallerTest, InstallsPerUserUpdatesOverARunningVelmoraAndUninstallsEverything) {
  const std::wstring installed = Expand(L"%LOCALAPPDATA%\\Programs\\Velmora");
  ASSERT_TRUE(RunSilently(JoinPath(BinDir(), L"Velmora-setup.exe")));
  for (const wchar_t* name :
       {L"Velmora.exe", L"LibOrvane.dll", L"LibOrvane32.dll", L"VelmoraHook32.exe", L"velmora.chm", L"uninstall.exe"})
    EXPECT_TRUE(FileExists(JoinPath(installed, name))) << Narrow(name);
  EXPECT_TRUE(FileExists(Expand(L"%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\Velmora.lnk")));
  EXPECT_EQ(ReadRegString(kUninstallKey, L"DisplayVersion").value_or(L""), L"4.6.3");

  // A program holds the hook library: mapped as an image it can be renamed, not deleted or written.
  // Installed over it twice, the second time while the copy the first moved aside is held too.
  const std::wstring dll = JoinPath(installed, L"LibOrvane.dll");
  for (int install = 0; install < 2; ++install) {
    ASSERT_TRUE(LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(RunSilently(JoinPath(BinDir(), L"Velmora-setup.exe")));
    const Handle fresh(CreateFileW(dll.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(fresh.get()) << "the held hook library was not replaced";
  }

  // Velmora from the installed folder, with a window in the tray (the probe
  // keeps the case's own folder, so that nothing of it is left in the installed one).
  // A 32-bit program: under Wine the helper's hooks come first in every chain.
  ProbeSpec spec;
  spec.cls = L"EXCEL7";
  spec.title = L"Book";
  spec.x86 = true;
  Probe& book = OpenProbe(spec);
  const std::wstring caseDir = dir_;
  dir_ = installed;
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  ASSERT_TRUE(SendToTray(book.Window()));
  ASSERT_TRUE(WriteRegString(kRunKey, L"Velmora", ExePath()));

  // Installed over it: the running one closes (its window comes back) and the new one starts.
  const DWORD oldPid = velmora_.pid;
  ASSERT_TRUE(RunSilently(JoinPath(BinDir(), L"Velmora-setup.exe")));
  EXPECT_TRUE(WaitUntil([&] { return Restored(book.Window()); }, 5s)) << State(book.Window());
  EXPECT_TRUE(WaitUntil(
      [&] {
        const auto pids = RunningVelmoras();
        return pids.size() == 1 && pids[0] != oldPid;
      },
      10s))
      << "the new Velmora did not start";
  velmora_ = Process{};
  velmora_.pid = RunningVelmoras().front();
  main_ = WaitForMainWindow();
  Sleep(500ms);  // its hooks come a moment after the caption
  ASSERT_TRUE(SendToTray(book.Window()));

  // Uninstalled while it runs: the window comes back, nothing is left.
  Launch(JoinPath(installed, L"uninstall.exe"), L"/S");
  EXPECT_TRUE(WaitUntil([&] { return !FileExists(JoinPath(installed, L"Velmora.exe")); }, 30s));
  EXPECT_TRUE(WaitUntil([&] { return Restored(book.Window()); }, 5s)) << State(book.Window());
  EXPECT_TRUE(RunningVelmoras().empty());
  EXPECT_TRUE(RunningHelpers().empty());
  EXPECT_TRUE(WaitUntil([&] { return GetFileAttributesW(installed.c_str()) == INVALID_FILE_ATTRIBUTES; }, 10s));
  // The uninstaller removes its registry values after the folder, from a copy of itself that runs on.
  EXPECT_TRUE(WaitUntil([&] {
    return !ReadRegString(kRunKey, L"Velmora") && !ReadRegBinary(kSettingsKey, L"Options") &&
           !ReadRegString(kUninstallKey, L"DisplayVersion");
  }, 10s));
  dir_ = caseDir;
}

TEST_F(InstallerTest, AVelmoraThatDoesNotEndStopsTheInstallerBeforeItChangesAnything) {
  const std::wstring exe = Expand(L"%LOCALAPPDATA%\\Programs\\Velmora\\Velmora.exe");
  ASSERT_TRUE(RunSilently(JoinPath(BinDir(), L"Velmora-setup.exe")));
  const std::vector<std::uint8_t> older{'o', 'l', 'd'};
  ASSERT_TRUE(WriteFileBytes(exe, older));
  // A main window of Velmora's that ignores WM_CLOSE, in a process that goes on.
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    return msg == WM_CLOSE ? 0 : DefWindowProcW(w, msg, wp, lp);
  };
  wc.lpszClassName = kMainClass;
  RegisterClassW(&wc);
  const std::unique_ptr<HWND__, decltype(&DestroyWindow)> stuck(
      CreateWindowW(kMainClass, kMainTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), &DestroyWindow);
  ASSERT_TRUE(stuck);
  Process setup = Launch(JoinPath(BinDir(), L"Velmora-setup.exe"), L"/S");
  ASSERT_TRUE(setup.WaitExit(60s));
  EXPECT_EQ(setup.ExitCode(), 2u);
  EXPECT_EQ(ReadFileBytes(exe), older);
}

}  // namespace
}  // namespace velmora::e2e
