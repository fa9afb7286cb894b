// A held window's life seen from outside: across Velmora's exit and start,
// brought back and minimized again at once, a program that hangs across a
// restart, and a program's dialogs going to the tray and back with it.
#include <gtest/gtest.h>
#include <windows.h>

#include "TrayFixture.h"

namespace velmora::e2e {
namespace {

constexpr std::size_t kHandleConsole = 3;

class HeldWindowTest : public TrayTest {
 protected:
  void KillVelmora() {
    TerminateProcess(velmora_.handle.get(), 1);
    ASSERT_TRUE(velmora_.WaitExit(5s));
    velmora_ = Process{};
  }
};

TEST_F(HeldWindowTest, BroughtBackAtExitMinimizedWithoutVelmoraAndTakenAtTheNextStart) {
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), ClassFile({"VelmoraHeld"})));
  const HWND w = Open(L"VelmoraHeld", L"Held").Window();
  ASSERT_NE(Start({}), nullptr);
  ASSERT_TRUE(SendToTray(w));
  ASSERT_TRUE(CloseVelmora(5s));
  velmora_ = Process{};
  ASSERT_TRUE(WaitUntil([&] { return Restored(w); }, 3s)) << State(w);
  Minimize(w);  // while no Velmora runs
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(w) && IsWindowVisible(w); }, 3s)) << State(w);
  ASSERT_NE(Start({}), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return InTray(w) && Icon(TrayId(w)).has_value(); }, 3s)) << State(w) << "; "
                                                                                         << Describe(Icons());
  CloseExpectingAllBack({w});
}

// Console windows are taken by the sweep alone: brought back and minimized at
// once, the window is in the tray again within a sweep, every time.
TEST_F(HeldWindowTest, AConsoleBroughtBackAndMinimizedAtOnceGoesBackEachTime) {
  const HWND w = Open(L"ConsoleWindowClass", L"Console").Window();
  ASSERT_NE(Start({{kHandleConsole, 1}}), nullptr);
  for (int round = 0; round < 3; ++round) {
    Minimize(w);
    ASSERT_TRUE(WaitUntil([&] { return InTray(w) && Icon(TrayId(w)).has_value(); }, 7s))
        << "round " << round << ": " << State(w);
    Click(*Icon(TrayId(w)), WM_LBUTTONUP);
    ASSERT_TRUE(WaitUntil([&] { return Restored(w); }, 3s)) << State(w);
  }
  CloseExpectingAllBack({w});
}

TEST_F(HeldWindowTest, RestoreOfAWindowWhoseProgramHangsAcrossARestartBringsItBack) {
  ProbeSpec spec;
  spec.cls = L"VelmoraHangHeld";
  spec.title = L"Hangs once hidden";
  spec.hangOn = L"hide";
  spec.hangMs = 6000;
  const HWND w = OpenProbe(spec).Window();
  ASSERT_NE(Start({}), nullptr);
  EXPECT_EQ(Command(L"/hide " + Handle16(w)).code, 0u);
  ASSERT_TRUE(WaitUntil([&] { return InTray(w); }, 3s)) << State(w);
  KillVelmora();
  ASSERT_NE(Start({}), nullptr);
  const CommandResult restore = Command(L"/restore " + Handle16(w));
  EXPECT_EQ(restore.code, 0u) << restore.output;
  EXPECT_TRUE(WaitUntil([&] { return Restored(w) && !Icon(TrayId(w)); }, 10s)) << State(w) << "; " << Describe(Icons());
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
  // Hotkey 1: Ctrl+Alt+M.
  ASSERT_NE(Start({{28, 1}, {29, MOD_CONTROL | MOD_ALT}, {30, 'M'}}), nullptr);
  if (how.hotkey) {
    ASSERT_TRUE(WaitUntil([&] { return SetForegroundWindow(dialog) && GetForegroundWindow() == dialog; }, 3s));
    ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'M'));
  } else {
    EXPECT_EQ(Command(L"/hide dialogs.exe").code, 0u);
  }
  EXPECT_TRUE(WaitUntil([&] { return InTray(w) && !IsWindowVisible(dialog) && Icons().size() == 1; }, 4s))
      << State(w) << "; dialog " << State(dialog) << "; " << Describe(Icons());
  Sleep(600ms);
  ASSERT_EQ(Icons().size(), 1u) << "the dialog is no entry of its own: " << Describe(Icons());
  ASSERT_TRUE(Icon(TrayId(w)).has_value());
  Click(*Icon(TrayId(w)), WM_LBUTTONUP);
  EXPECT_TRUE(WaitUntil([&] { return Restored(w) && IsWindowVisible(dialog); }, 3s))
      << State(w) << "; dialog " << State(dialog);
  if (std::wstring(how.dialog) == L"modal")
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }, 3s))
        << "the modal dialog in front, not \"" << Narrow(TitleOf(GetForegroundWindow())) << "\"";
  else
    EXPECT_TRUE(IsWindowEnabled(w));
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
