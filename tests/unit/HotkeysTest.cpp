// The six global hotkeys: registration with refusals, and each command.
#include <gtest/gtest.h>

#include "TestWorld.h"
#include "settings/HotkeyText.h"
#include "settings/OptionsStore.h"

namespace velmora::test {
namespace {

using namespace win;

class Hotkeys : public ::testing::Test, public VelmoraWorld {
 protected:
  // Stores definitions before the start, as the options dialog would have.
  struct Def {
    int number;
    std::uint8_t modifiers;
    std::uint16_t key;
  };
  void Define(std::initializer_list<Def> keys) {
    TOptionsRecord o;
    for (const Def& d : keys) o.Hotkey(d.number) = {1, d.modifiers, d.key};
    ASSERT_TRUE(velmora::SaveOptions(o, w.registry, nullptr, nullptr));
  }
  void Press(int n) { form->WMHotKey(static_cast<std::uint32_t>(form->HotkeyIds[static_cast<std::size_t>(n)].Id)); }
};

TEST_F(Hotkeys, RefusedCombinationsWarnOnceEachAndAreStoredSwitchedOff) {
  w.hotkeys.heldElsewhere.insert({ModControl | ModAlt, std::uint32_t{'T'}});
  Define({{1, ModControl | ModAlt, 'M'}, {2, ModControl | ModAlt, 'T'}, {4, ModControl | ModAlt, 'M'}, {6, ModWin, 112}});
  Start();
  EXPECT_EQ(w.hotkeys.atoms.size(), 5u);
  EXPECT_EQ(form->HotkeyIds[6].Id, 0);
  ASSERT_EQ(w.dialogs.boxes.size(), 2u);
  EXPECT_EQ(w.dialogs.boxes[0].text, "The hotkey 'CTRL + ALT + T' is not available.\rPlease try another hotkey.");
  EXPECT_EQ(w.dialogs.boxes[1].text, "The hotkey 'CTRL + ALT + M' is not available.\rPlease try another hotkey.");
  EXPECT_EQ(w.dialogs.boxes[0].type, MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
  const TOptionsRecord stored = LoadOptions(w.registry, nullptr);
  EXPECT_EQ(stored.Hotkey(2), THotkeyRecord{});
  EXPECT_EQ(stored.Hotkey(4), THotkeyRecord{});
  EXPECT_EQ(stored.Hotkey(1), (THotkeyRecord{1, ModControl | ModAlt, 'M'}));
  EXPECT_EQ(w.hotkeys.registered.size(), 2u);
  EXPECT_EQ(w.hotkeys.repeating, 0u) << "held, a hotkey acts once";
  form.reset();
  EXPECT_TRUE(w.hotkeys.registered.empty());
  EXPECT_TRUE(w.hotkeys.atoms.empty());
}

TEST_F(Hotkeys, MinimizeHotkeySendsTheForegroundWindowOrItsApplicationButNeverTheShellOrVelmora) {
  Define({{1, ModControl | ModAlt, 'M'}});
  Start();
  const Hwnd app = w.desktop.AddWindow({.className = "TApplication", .title = "App", .visible = false});
  const Hwnd form1 = w.desktop.AddWindow({.className = "TForm1", .title = "Form", .owner = app});
  const Hwnd note = Foreign("Notepad", "n");
  const Hwnd child = w.desktop.AddWindow({.className = "Pane", .parent = note});
  const Hwnd taskbar = Foreign("Shell_TrayWnd", "");
  const Hwnd own = w.desktop.AddWindow({.className = "TAboutForm", .pid = 1});
  for (Hwnd ignored : {taskbar, own, child}) {
    w.desktop.Activate(ignored);
    w.desktop.posted.clear();
    Press(1);
    EXPECT_TRUE(w.desktop.posted.empty());
  }
  w.desktop.Activate(form1);
  Press(1);
  EXPECT_EQ(w.desktop.posted.back(), (fake::SentMessage{app, WM_SYSCOMMAND, SC_MINIMIZE, 0}));
  w.desktop.Activate(note);
  Press(1);
  Minimize(note);  // the library reports the minimizing; as the pending window it goes to the tray
  EXPECT_TRUE(Hidden(note));
  Press(2);
  EXPECT_EQ(w.dialogs.boxes.size(), 0u) << "hotkey 2 is not defined";
}

// A program with a dialog up goes dialog and all, as one entry, by hotkey 1 or a
// command; a disabled owner (a modal dialog) ignores system commands, so it is
// minimized with a show. Back, its modal dialog is in front.
TEST_F(Hotkeys, AProgramWithItsDialogUpGoesAsOneEntryAndItsModalDialogComesBackInFront) {
  Define({{1, ModControl | ModAlt, 'M'}});
  Start();
  for (const bool modal : {true, false}) {
    const Hwnd main = w.desktop.AddWindow({.className = "WordPad", .enabled = !modal, .program = "wordpad.exe"});
    const Hwnd dialog = w.desktop.AddWindow({.className = "#32770", .owner = main, .style = fake::WS_POPUP});
    w.desktop.Activate(dialog);
    Press(1);
    if (!modal) Minimize(main);  // the library reports the minimizing of the pending window
    w.timers.Advance(200);
    EXPECT_TRUE(Hidden(main) && Hidden(dialog) && List().FindEntry(main));
    EXPECT_EQ(List().Count(), 1u) << "the dialog is no entry of its own";
    List().RestoreAll();
    Settle();
    EXPECT_FALSE(Hidden(main) || Hidden(dialog));
    if (modal) {
      EXPECT_EQ(w.desktop.GetForegroundWindow(), dialog);
    }
    form->RunCommand(*EncodeArguments({"/hide", "wordpad.exe"}), [](int code, std::string) { EXPECT_EQ(code, ExitDone); });
    w.timers.Advance(200);
    EXPECT_TRUE(Hidden(dialog) && List().Count() == 1u && List().FindEntry(main));
    List().RestoreAll();
    w.desktop.Destroy(main);
  }
}

TEST_F(Hotkeys, RestoreCloseCloseMinimizedAndListHotkeys) {
  Define({{2, ModAlt, 'O'}, {3, ModAlt, 'R'}, {4, ModAlt, 'C'}, {5, ModAlt, 'X'}, {6, ModAlt, 'L'}});
  Start();
  Options().HandleExcel = 1;
  const Hwnd a = Foreign("EXCEL7", "a"), b = Foreign("EXCEL7", "b");
  const Hwnd onTaskbar = Foreign("Other", "minimized", true);
  const Hwnd kept = w.desktop.AddWindow({.className = "Helper", .iconic = true, .visible = false});
  Minimize(a);
  Minimize(b);
  const Hwnd note = Foreign("Notepad", "n");
  w.desktop.Activate(note);
  Press(6);
  ASSERT_EQ(w.menus.shown.size(), 1u);
  EXPECT_TRUE(w.menus.shown[0].fromKeyboard);
  EXPECT_EQ(w.desktop.GetForegroundWindow(), note) << "the dismissed menu gives the foreground back";
  EXPECT_EQ(w.menus.shown[0].x, 1024);
  EXPECT_EQ(w.menus.shown[0].y, 738);
  Press(3);
  EXPECT_FALSE(Hidden(a) || Hidden(b));
  Minimize(a);
  Options().ConfirmClose = 0;
  Press(4);
  EXPECT_TRUE(w.LogHas("PostMessage " + fake::Hex(a.value) + " 0x112 0xf060"));
  w.desktop.posted.clear();
  w.dialogs.answers = {IDNO, IDYES};
  Press(5);
  EXPECT_TRUE(w.desktop.posted.empty());
  EXPECT_EQ(w.dialogs.boxes.back().type, MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL | MB_DEFBUTTON2);
  Press(5);
  std::set<Hwnd> closed;
  for (const auto& p : w.desktop.posted) closed.insert(p.wnd);
  EXPECT_EQ(closed, (std::set<Hwnd>{a, onTaskbar})) << "never the invisible window a program keeps";
  EXPECT_FALSE(closed.contains(kept));
  Press(2);
  EXPECT_TRUE(aboutControls.visible) << "the options dialog";
}

}  // namespace
}  // namespace velmora::test
