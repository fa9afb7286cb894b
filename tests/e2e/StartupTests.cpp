// Velmora's start, single instance and shutdown, seen from outside.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <sddl.h>

#include <algorithm>

#include "VelmoraTest.h"

namespace velmora::e2e {
namespace {

// Windows of the process that the shell would show on the taskbar.
std::vector<HWND> TaskbarWindowsOf(DWORD pid) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{pid, {}};
  EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (ProcessOf(w) == s->pid && HasTaskbarButton(w)) s->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

using StartTest = VelmoraTest;

// Run by a suite of its own (e2e_sections): this process cannot make a name that the hook
// library of an earlier case holds in it.
using SquattedSectionTest = VelmoraTest;

TEST_F(SquattedSectionTest, OneThatAnotherUserMadeFirstIsNamedInAMessageAndVelmoraDoesNotRun) {
  // Owned by the system, open to everyone.
  std::wstring name;
  for (const wchar_t* section : {L"LibOrvaneMarks", L"LibOrvaneMemBlock"})
    if (!Handle(OpenFileMappingW(FILE_MAP_READ, FALSE, section)).get()) name = section;
  if (name.empty()) GTEST_SKIP() << "this process holds both sections already";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:SYD:P(A;;GA;;;WD)", 1, &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  Handle squatted(CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0, 1 << 20, name.c_str()));
  LocalFree(descriptor);
  ASSERT_TRUE(squatted.get());

  StartVelmora();
  HWND box = WaitForMessageBox(10s);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(MessageBoxText(box).find(name), std::wstring::npos) << Narrow(MessageBoxText(box));
  EXPECT_TRUE(MainWindows().empty()) << "Velmora does not run";
  EXPECT_TRUE(AnswerMessageBox(box, IDOK));
  ASSERT_TRUE(velmora_.WaitExit(5s));
  EXPECT_EQ(velmora_.ExitCode(), 0u);
}

TEST_F(StartTest, FirstStartStoresTheDefaultSettings) {
  ASSERT_FALSE(ReadRegBinary(kSettingsKey, L"Options").has_value());
  StartVelmora();
  ASSERT_NE(WaitForMainWindow(), nullptr);
  ASSERT_TRUE(WaitUntil([] { return ReadRegBinary(kSettingsKey, L"Options").has_value(); }, 5s));
  EXPECT_EQ(RegValueType(kSettingsKey, L"Options"), static_cast<DWORD>(REG_BINARY));
  const auto options = *ReadRegBinary(kSettingsKey, L"Options");
  ASSERT_EQ(options.size(), 108u) << Hex(options);

  const std::vector<std::uint8_t> head{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, /* pad */ 0x00,
                                       0x05, 0x00, 0x02, 0x00, 0x01, 0x00, 0x02, 0x02, 0x00, 0x01,
                                       /* pad */ 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x03, 0x02, 0x01};
  constexpr std::size_t pads[] = {7, 18, 19};
  for (std::size_t i = 0; i < head.size(); ++i) {
    if (std::find(std::begin(pads), std::end(pads), i) != std::end(pads)) continue;
    EXPECT_EQ(options[i], head[i]) << "offset " << i << " of " << Hex(options);
  }
  for (std::size_t i = 28; i < 52; ++i) EXPECT_EQ(options[i], 0) << "hotkey byte at offset " << i;
  EXPECT_EQ(options[52], 1) << "ShowSplash";
  const std::string text = "Minimize To &Tray";
  ASSERT_EQ(options[53], text.size());
  EXPECT_EQ(std::string(options.begin() + 54, options.begin() + 54 + static_cast<std::ptrdiff_t>(text.size())), text);
  EXPECT_EQ(options[104], 1) << "UseMenuItem";
}

TEST_F(StartTest, MainWindowIsHiddenAndHasNoTaskbarButton) {
  const auto started = std::chrono::steady_clock::now();
  StartVelmora();
  HWND main = WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  // Its caption comes with the initial timer, half a second after the start.
  EXPECT_GE(std::chrono::steady_clock::now() - started, 400ms);
  EXPECT_EQ(ProcessOf(main), velmora_.pid);
  EXPECT_EQ(GetAncestor(main, GA_PARENT), GetDesktopWindow()) << "the main window is a top-level window";
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_FALSE(HasTaskbarButton(main));
  // Once the splash has gone, nothing of Velmora is on the taskbar.
  std::vector<HWND> onTaskbar;
  EXPECT_TRUE(WaitUntil([&] { return (onTaskbar = TaskbarWindowsOf(velmora_.pid)).empty(); }, 5s))
      << "a window of Velmora has a taskbar button: class " << Narrow(ClassOf(onTaskbar.front())) << ", title \""
      << Narrow(TitleOf(onTaskbar.front())) << "\"";
  EXPECT_TRUE(velmora_.Running());
  EXPECT_FALSE(FileExists(ClassFilePath())) << "nothing marked, nothing written";
  EXPECT_TRUE(Tray().Records().empty()) << "with no window hidden there is no icon";
}

TEST_F(StartTest, NormalCloseEndsWithExitCodeZero) {
  StartVelmora();
  HWND main = WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
  ASSERT_TRUE(velmora_.WaitExit(10s)) << "Velmora did not end after WM_CLOSE";
  EXPECT_EQ(velmora_.ExitCode(), 0u);
  EXPECT_TRUE(MainWindows().empty());
  EXPECT_TRUE(Tray().Icons().empty()) << "no icon may stay in the tray";
}

TEST_F(StartTest, StartWithUninstallerPresentEndsAtOnce) {
  for (const wchar_t* title : {L"Uninstall Velmora", L"Select Uninstall Method"}) {
    SCOPED_TRACE(Narrow(title));
    ProbeSpec spec;
    spec.cls = L"ZURUUninstall";
    spec.title = title;
    Probe& uninstaller = OpenProbe(spec);
    ASSERT_TRUE(uninstaller.Ok());
    Process& start = StartVelmora();
    ASSERT_TRUE(start.WaitExit(5s)) << "Velmora ran on beside the uninstaller";
    EXPECT_EQ(start.ExitCode(), 0u);
    EXPECT_TRUE(MainWindows().empty());
    EXPECT_TRUE(RunningVelmoras().empty());
    uninstaller.Close();
  }
}

TEST_F(StartTest, StartBesideTheInstallerEndsWithOneInstance) {
  ProbeSpec spec;
  spec.cls = L"ZURUInstall";
  spec.title = L"Velmora Installation";
  ASSERT_TRUE(OpenProbe(spec).Ok());
  Process& first = StartVelmora();
  // The first process hands over to a new copy of itself and ends.
  ASSERT_TRUE(first.WaitExit(10s));
  EXPECT_EQ(first.ExitCode(), 0u);
  ASSERT_NE(WaitForMainWindow(15s), nullptr) << "no instance came up beside the installer";
  // Exactly one instance, and it stays one.
  const auto until = std::chrono::steady_clock::now() + 3s;
  std::size_t most = 0, least = SIZE_MAX;
  while (std::chrono::steady_clock::now() < until) {
    const std::size_t n = CaseMainWindows().size();
    most = std::max(most, n);
    least = std::min(least, n);
    Sleep(100ms);
  }
  EXPECT_EQ(most, 1u);
  EXPECT_EQ(least, 1u);
  EXPECT_EQ(RunningVelmoras().size(), 1u);
}

// A class listed in the class file: its minimized window goes to the tray at
// start, and comes back when Velmora ends.
TEST_F(StartTest, ShutdownShowsHiddenWindowsAgainAndRemovesTheirIcons) {
  const std::string cls = "VelmoraCaseDoc";
  std::vector<std::uint8_t> record(260, 0);
  for (std::size_t i = 0; i < cls.size(); ++i) record[i] = static_cast<std::uint8_t>(cls[i] | 0x80);
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), record));
  ProbeSpec spec;
  spec.cls = Widen(cls);
  spec.title = L"Quarterly report";
  spec.minimized = true;
  Probe& doc = OpenProbe(spec);
  ASSERT_TRUE(doc.Ok());
  HWND w = doc.Window();
  ASSERT_TRUE(IsIconic(w));

  StartVelmora();
  ASSERT_NE(WaitForMainWindow(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(w); }, 5s)) << "the marked window stayed on the taskbar";
  const auto id = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(w));
  std::optional<TrayRecord> icon;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (const auto& i : Tray().Icons())
          if (i.id == id) icon = i;
        return icon.has_value();
      },
      5s))
      << "no tray icon for the hidden window";
  EXPECT_EQ(ProcessOf(icon->OwnerWindow()), velmora_.pid);
  EXPECT_EQ(icon->callback, 0x401u);
  EXPECT_EQ(icon->tip, L"Quarterly report");
  EXPECT_TRUE(icon->HasIcon());
  EXPECT_EQ(Tray().Icons().size(), 1u);
  EXPECT_EQ(ReadFileBytes(ClassFilePath()), record) << "loading must not rewrite the class file";

  ASSERT_TRUE(CloseVelmora());
  EXPECT_EQ(velmora_.ExitCode(), 0u);
  EXPECT_TRUE(IsWindowVisible(w)) << "the hidden window was not shown again";
  EXPECT_TRUE(Tray().Icons().empty()) << "an icon stayed in the tray";
  const auto records = Tray().Records();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                          [&](const TrayRecord& r) { return r.message == NIM_DELETE && r.id == id; }));
}

using SecondStartTest = RunningVelmoraTest;

TEST_F(SecondStartTest, SecondStartEndsAndLeavesOneInstance) {
  Process& second = StartVelmora();
  ASSERT_TRUE(second.WaitExit(10s)) << "the second start kept running";
  EXPECT_EQ(second.ExitCode(), 0u);
  Sleep(500ms);
  EXPECT_TRUE(velmora_.Running()) << "the running instance ended";
  const auto windows = TopLevelWindows(kMainClass);
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows.front(), main_);
  EXPECT_EQ(RunningVelmoras(), std::vector<DWORD>{velmora_.pid});
}

TEST_F(SecondStartTest, SecondStartWithUninstallerClosesTheRunningInstance) {
  ProbeSpec spec;
  spec.cls = L"ZURUUninstall";
  spec.title = L"Uninstall Velmora";
  ASSERT_TRUE(OpenProbe(spec).Ok());
  Process& second = StartVelmora();
  ASSERT_TRUE(second.WaitExit(10s));
  EXPECT_EQ(second.ExitCode(), 0u);
  ASSERT_TRUE(velmora_.WaitExit(10s)) << "the running instance stayed beside the uninstaller";
  EXPECT_EQ(velmora_.ExitCode(), 0u);
  EXPECT_TRUE(MainWindows().empty());
  EXPECT_TRUE(RunningVelmoras().empty());
}

}  // namespace
}  // namespace velmora::e2e
