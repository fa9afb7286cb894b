// What other programs do to Velmora: hang, minimize many windows at once,
// send it garbage; and Velmora killed with windows hidden.
#include <chrono>
#include <cstdio>

#include "TrayFixture.h"

namespace velmora::e2e {
namespace {

using Clock = std::chrono::steady_clock;

#ifdef VELMORA_FIGURES
constexpr unsigned kHangMs = 30000;  // the figures: a hang as long as users meet
#else
constexpr unsigned kHangMs = 8000;
#endif

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class HardeningTest : public TrayTest {
 protected:
  // Ends Velmora as the task manager would: no shutdown runs.
  void KillVelmora() {
    TerminateProcess(velmora_.handle.get(), 1);
    ASSERT_TRUE(velmora_.WaitExit(5s));
    velmora_ = Process{};  // the next start is the case's Velmora
  }
  ::testing::AssertionResult AllInTray(const std::vector<HWND>& windows, Millis timeout) {
    if (WaitUntil([&] { return std::all_of(windows.begin(), windows.end(), InTray) && Icons().size() == windows.size(); },
                  timeout))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Describe(Icons());
  }
};

class HungProgramTest : public HardeningTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(HungProgramTest, HoldsUpNoOtherWindowNorTheExitAndComesBackWhenItAnswers) {
  ProbeSpec spec;
  spec.cls = L"EXCEL7";
  spec.title = L"Hangs";
  spec.hangOn = GetParam();
  spec.hangMs = kHangMs;
  Probe& hanging = OpenProbe(spec);
  Probe& healthy = Open(L"EXCEL7", L"Healthy", false, 2);
  ASSERT_TRUE(hanging.Ok() && healthy.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  HWND stuck = hanging.Window(), first = healthy.Window(0), second = healthy.Window(1);
  ASSERT_TRUE(SendToTray(first));

  Minimize(stuck);  // its program stops answering once minimized, or once hidden
  ASSERT_TRUE(WaitUntil([&] { return Icon(TrayId(stuck)).has_value(); }, 3s)) << Describe(Icons());
  Sleep(300ms);

  auto start = Clock::now();
  Minimize(second);
  // Bounds well inside the hang: the point is that nothing waits for it.
  EXPECT_TRUE(WaitUntil([&] { return InTray(second); }, 4s)) << State(second);
  const long long hideMs = MsSince(start);

  start = Clock::now();
  Click(*Icon(TrayId(first)), WM_LBUTTONUP);
  EXPECT_TRUE(WaitUntil([&] { return Restored(first); }, 4s)) << State(first);
  const long long restoreMs = MsSince(start);

  start = Clock::now();
  ASSERT_TRUE(CloseVelmora(5s));
  const long long exitMs = MsSince(start);
  EXPECT_TRUE(WaitUntil([&] { return Restored(second); }, 2s)) << State(second);
  std::printf("hung program (%ls): hide another %lld ms, restore another %lld ms, exit %lld ms\n", GetParam(),
              hideMs, restoreMs, exitMs);
  EXPECT_LT(exitMs, 4000);
  // Its program answers again and carries out what Velmora asked of it.
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(stuck) != FALSE; }, Millis(kHangMs + 5000))) << State(stuck);
}

std::string HangName(const ::testing::TestParamInfo<const wchar_t*>& param) {
  return std::wstring(param.param) == L"hide" ? "Hidden" : "Minimize";
}
INSTANTIATE_TEST_SUITE_P(HangAfter, HungProgramTest, ::testing::Values(L"minimize", L"hide"), HangName);

// A program stops answering as its window of a mark (or an Excel window) is
// minimized; meanwhile Velmora is closed, or killed, and started again. Once
// the program has caught up with every call that waited for it, the window is
// shown, or held with its icon.
struct Restart {
  const char* name;
  bool excel, kill;
};
class HangAcrossRestartTest : public HardeningTest, public ::testing::WithParamInterface<Restart> {};

TEST_P(HangAcrossRestartTest, TheWindowEndsShownOrHeldWithItsIcon) {
  const Restart how = GetParam();
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), ClassFile({"VelmoraHangs"})));
  ProbeSpec spec;
  spec.cls = how.excel ? L"EXCEL7" : L"VelmoraHangs";
  spec.hangOn = L"minimize";
  spec.hangMs = 7600;
  const HWND wnd = OpenProbe(spec).Window();
  ASSERT_NE(Start({{kHandleExcel, how.excel}}), nullptr);
  const auto minimized = Clock::now();
  Minimize(wnd);
  Sleep(1900ms);
  if (how.kill) KillVelmora();
  ASSERT_TRUE(how.kill || CloseVelmora(5s));
  velmora_ = Process{};
  ASSERT_NE(Start({{kHandleExcel, how.excel}}), nullptr);
  Sleep(Millis(14000 - MsSince(minimized)));
  auto settled = [&] { return Restored(wnd) || (!IsWindowVisible(wnd) && Icon(TrayId(wnd)).has_value()); };
  EXPECT_TRUE(settled()) << State(wnd) << "; " << Describe(Icons());
  Sleep(5500ms);  // and so after a sweep
  EXPECT_TRUE(settled()) << State(wnd) << "; " << Describe(Icons());
  CloseExpectingAllBack({wnd});
}

INSTANTIATE_TEST_SUITE_P(ClosedOrKilled, HangAcrossRestartTest,
                         ::testing::Values(Restart{"Mark", false, false}, Restart{"ExcelRule", true, false},
                                           Restart{"MarkKilled", false, true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(HardeningTest, TwentyWindowsMinimizedAtOnceAllGoToTheTray) {
  Probe& books = Open(L"EXCEL7", L"Book", false, 20);
  ASSERT_TRUE(books.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  const auto start = Clock::now();
  for (HWND w : books.Windows()) Minimize(w);
  EXPECT_TRUE(AllInTray(books.Windows(), 5s));
  std::printf("20 windows minimized at once: all in the tray after %lld ms\n", MsSince(start));
  CloseExpectingAllBack(books.Windows());
}

TEST_F(HardeningTest, KilledWithHiddenWindowsTheNextStartAdoptsThemAndEveryStartWorks) {
  Probe& books = Open(L"EXCEL7", L"Book", false, 5);
  ASSERT_TRUE(books.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  for (HWND w : books.Windows()) Minimize(w);
  ASSERT_TRUE(AllInTray(books.Windows(), 5s));
  KillVelmora();
  for (HWND w : books.Windows()) EXPECT_TRUE(InTray(w)) << "a killed Velmora shows nothing";

  const auto start = Clock::now();
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  EXPECT_TRUE(AllInTray(books.Windows(), 3s));
  std::printf("adopted %zu of 5 hidden windows %lld ms after the start\n", Icons().size(), MsSince(start));
  CloseExpectingAllBack(books.Windows());
  velmora_ = Process{};

  // Killed, then started while the shell takes no new icon: no icon, no hiding.
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  for (HWND w : {books.Window(0), books.Window(1)}) ASSERT_TRUE(SendToTray(w));
  KillVelmora();
  Tray().RefuseAdds(true);
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  for (HWND w : {books.Window(0), books.Window(1)})
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(w) && IsIconic(w); }, 3s)) << "on the taskbar " << State(w);
  Tray().RefuseAdds(false);
  ASSERT_TRUE(CloseVelmora());
  velmora_ = Process{};

  // Killed again, together with the program of the hidden window; then a
  // normal start and exit; every later start must still work.
  Probe& gone = Open(L"EXCEL7", L"Gone");
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  ASSERT_TRUE(SendToTray(gone.Window()));
  KillVelmora();
  TerminateProcess(gone.Proc().handle.get(), 1);
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  ASSERT_TRUE(CloseVelmora());
  velmora_ = Process{};
  Probe& later = Open(L"EXCEL7", L"Later");
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  EXPECT_TRUE(SendToTray(later.Window()));
  CloseExpectingAllBack({later.Window()});
}

// A 32-bit program is served by LibOrvane32.dll through the helper, which
// lives exactly as long as Velmora: closed or killed.
TEST_F(HardeningTest, A32BitProgramGoesToTheTrayAndBackAndTheHelperEndsWithVelmora) {
  ProbeSpec spec;
  spec.cls = L"EXCEL7";
  spec.title = L"Book32";
  spec.x86 = true;
  HWND book = OpenProbe(spec).Window();
  AddHookHelper();
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return RunningHelpers().size() == 1; }, 5s)) << "the helper did not start";
  // Ended from outside, the helper is started again within a sweep.
  {
    Handle killed(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, RunningHelpers().front()));
    ASSERT_TRUE(TerminateProcess(killed.get(), 1) && WaitForObject(killed.get(), 3s));
  }
  ASSERT_TRUE(WaitUntil([&] { return RunningHelpers().size() == 1; }, 8s)) << "the helper was not started again";
  // Minimized while the new helper may still be setting its hooks: taken at the next sweep at the latest.
  Minimize(book);
  ASSERT_TRUE(WaitUntil([&] { return InTray(book); }, 7s)) << State(book);
  Click(*Icon(TrayId(book)), WM_LBUTTONUP);
  EXPECT_TRUE(WaitUntil([&] { return Restored(book); }, 3s)) << State(book);
  ASSERT_TRUE(SendToTray(book));
  Handle helper(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, RunningHelpers().front()));
  ASSERT_TRUE(CloseVelmora());
  EXPECT_TRUE(WaitUntil([&] { return Restored(book); }, 2s)) << State(book);
  EXPECT_TRUE(WaitForObject(helper.get(), 3s)) << "the helper outlived a closed Velmora";
  DWORD code = 99;
  EXPECT_TRUE(GetExitCodeProcess(helper.get(), &code) && code == 0) << "the helper was ended, not asked";
  velmora_ = Process{};

  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return RunningHelpers().size() == 1; }, 5s));
  KillVelmora();
  EXPECT_TRUE(WaitUntil([&] { return RunningHelpers().empty(); }, 3s)) << "the helper outlived a killed Velmora";
}

TEST_F(HardeningTest, GarbageRequestsOfEverySizeAndHandleEndNothing) {
  Probe& book = Open(L"EXCEL7", L"Book");
  ASSERT_TRUE(book.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  const bool taskbarVisible = taskbar != nullptr && IsWindowVisible(taskbar);
  const HWND targets[] = {GetDesktopWindow(), taskbar, main_, nullptr, reinterpret_cast<HWND>(0x7FFF0)};
  std::vector<std::uint8_t> bytes(64u << 20, 0xA5);
  auto send = [&](WPARAM code, HWND about, std::size_t size) {
    COPYDATASTRUCT data{reinterpret_cast<ULONG_PTR>(about), static_cast<DWORD>(size), size ? bytes.data() : nullptr};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(main_, WM_COPYDATA, code, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 3000, &result);
  };
  for (WPARAM code = 0; code <= 60; ++code) {
    if (code == 56) continue;  // a later start: opens a window of its own
    for (HWND about : targets)
      for (std::size_t size : {0u, 1u, 259u, 260u, 261u, 65536u}) send(code, about, size);
  }
  for (WPARAM code : {46u, 0xFFFFFFFFu})
    for (std::size_t size : {std::size_t{2} << 20, std::size_t{64} << 20}) send(code, main_, size);
  EXPECT_FALSE(RunningVelmoras().empty()) << "Velmora ended";
  DWORD_PTR result = 0;
  EXPECT_NE(SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &result), 0) << "Velmora does not answer";
  EXPECT_EQ(taskbar != nullptr && IsWindowVisible(taskbar), taskbarVisible) << "the taskbar was hidden";
  EXPECT_TRUE(SendToTray(book.Window())) << "Velmora no longer works";
  CloseExpectingAllBack({book.Window()});
}

}  // namespace
}  // namespace velmora::e2e
