// A held window's life seen from outside: across Velmora's exit and start,
// brought back and minimized again at once, a program that hangs across a
// restart, and a program's dialogs going to the tray and back with it.
#include <gtest/gtest.h>
#include <windows.h>

#include "TrayFixture.h"

namespace velmora::e2e {
namespace {

class HeldWindowTest : public TrayTest {
 protected:
  std::optional<DWORD> Command(const std::wstring& verb, HWND w) {
    wchar_t handle[32];
    swprintf(handle, 32, L"0x%llX", static_cast<unsigned long long>(UINT_PTR(w)));
    return Command(verb + L" " + handle);
  }
  std::optional<DWORD> Command(const std::wstring& args) {
    const Process command = Launch(ExePath(), args);
    command.WaitExit(30s);
    return command.ExitCode();
  }
  void KillAndRestart() {
    TerminateProcess(velmora_.handle.get(), 1);
    ASSERT_TRUE(velmora_.WaitExit(5s));
    velmora_ = Process{};
    ASSERT_NE(Start({}), nullptr);
  }
  static bool Held(HWND w) { return InTray(w); }
};

// A marked window brought back at an exit and minimized while no Velmora runs
// is taken at the next start; a console window (which only the sweep takes),
// brought back and minimized at once, goes back each time.
TEST_F(HeldWindowTest, BroughtBackAtExitOrByItsIconAndMinimizedAgainItGoesBackToTheTray) {
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), ClassFile({"VelmoraHeld"})));
  const HWND marked = Open(L"VelmoraHeld", L"Held").Window(), console = Open(L"ConsoleWindowClass", L"Console").Window();
  ASSERT_NE(Start({{3, 1}}), nullptr);  // the console option on
  ASSERT_TRUE(SendToTray(marked));
  ASSERT_TRUE(CloseVelmora(5s));
  velmora_ = Process{};
  ASSERT_TRUE(WaitUntil([&] { return Restored(marked); }, 3s)) << State(marked);
  Minimize(marked);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(marked) != FALSE; }, 3s)) << State(marked);
  ASSERT_NE(Start({{3, 1}}), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return Held(marked) && Icon(TrayId(marked)); }, 3s)) << State(marked);
  for (int round = 0; round < 3; ++round) {
    Minimize(console);
    ASSERT_TRUE(WaitUntil([&] { return Held(console) && Icon(TrayId(console)); }, 7s)) << round << State(console);
    Click(*Icon(TrayId(console)), WM_LBUTTONUP);
    ASSERT_TRUE(WaitUntil([&] { return Restored(console); }, 3s)) << State(console);
  }
  CloseExpectingAllBack({marked, console});
}

TEST_F(HeldWindowTest, RestoreOfAWindowWhoseProgramHangsAcrossARestartBringsItBack) {
  ProbeSpec spec;
  spec.cls = L"VelmoraHangHeld";
  spec.hangOn = L"hide";
  spec.hangMs = 6000;
  const HWND w = OpenProbe(spec).Window();
  ASSERT_NE(Start({}), nullptr);
  EXPECT_EQ(Command(L"/hide", w), 0u);
  ASSERT_TRUE(WaitUntil([&] { return Held(w); }, 3s)) << State(w);  // and its program hangs
  KillAndRestart();
  EXPECT_EQ(Command(L"/restore", w), 0u);
  EXPECT_TRUE(WaitUntil([&] { return Restored(w) && !Icon(TrayId(w)); }, 10s)) << State(w) << Describe(Icons());
  CloseExpectingAllBack({w});
}

// A program with its dialog up goes to the tray as one entry, dialog and all,
// and is usable at once when it comes back: a modal dialog in front of it.
struct DialogCase {
  const char* name;
  const wchar_t* dialog;
  bool hotkey;
};
class DialogTest : public HeldWindowTest, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(DialogTest, TheProgramGoesDialogAndAllAndComesBackUsable) {
  const DialogCase how = GetParam();
  ProbeSpec spec;
  spec.cls = L"VelmoraWithDialog";
  spec.title = L"Owner";
  spec.dialog = how.dialog;
  spec.exeName = L"dialogs.exe";
  Probe& program = OpenProbe(spec);
  const HWND w = program.Window(), dialog = program.Dialog();
  ASSERT_TRUE(w && dialog && IsWindowVisible(dialog));
  ASSERT_NE(Start({{28, 1}, {29, MOD_CONTROL | MOD_ALT}, {30, 'M'}}), nullptr);  // hotkey 1: Ctrl+Alt+M
  if (how.hotkey) {
    ASSERT_TRUE(WaitUntil([&] { return SetForegroundWindow(dialog) && GetForegroundWindow() == dialog; }, 3s));
    ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'M'));
  } else {
    EXPECT_EQ(Command(L"/hide dialogs.exe"), 0u);
  }
  EXPECT_TRUE(WaitUntil([&] { return Held(w) && !IsWindowVisible(dialog); }, 4s)) << State(w) << State(dialog);
  Sleep(600ms);
  ASSERT_EQ(Icons().size(), 1u) << "the dialog is no entry of its own: " << Describe(Icons());
  Click(*Icon(TrayId(w)), WM_LBUTTONUP);
  EXPECT_TRUE(WaitUntil([&] { return Restored(w) && IsWindowVisible(dialog); }, 3s)) << State(w) << State(dialog);
  const bool modal = !IsWindowEnabled(w);
  EXPECT_TRUE(!modal || WaitUntil([&] { return GetForegroundWindow() == dialog; }, 3s))
      << "the modal dialog in front, not " << Narrow(TitleOf(GetForegroundWindow()));
  CloseExpectingAllBack({w});
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogTest,
                         ::testing::Values(DialogCase{"ModalHide", L"modal", false},
                                           DialogCase{"ModalHotkey", L"modal", true},
                                           DialogCase{"ModelessHide", L"modeless", false},
                                           DialogCase{"ModelessHotkey", L"modeless", true}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace velmora::e2e
