#include <gtest/gtest.h>

#include "TestWorld.h"

namespace velmora {
namespace {

using namespace win;
using fake::FakeMenus;

class TrayMenusTest : public ::testing::Test, public test::VelmoraWorld {
 protected:
  TrayMenusTest() { Start(); }
  Hwnd Hide(std::string cls, std::string title) {
    const Hwnd wnd = Foreign(std::move(cls), std::move(title));
    Trigger(wnd);
    return wnd;
  }
  void Mode(std::uint8_t mode) {
    TOptionsRecord o = Options();
    o.TrayMode = mode;
    List().ApplySettings(o);
  }
  // Texts of the items after the fixed ones, headings included.
  std::vector<std::string> Shown() {
    std::vector<std::string> out;
    for (const auto& item : w.menus.shown.back().items)
      if (item.submenu.empty()) out.push_back(item.text);
    return out;
  }
  void Choose(std::string text) {
    w.menus.choices.push_back([text](const std::vector<MenuEntry>& items) { return FakeMenus::CommandOf(items, text); });
  }
};

TEST_F(TrayMenusTest, SharedIconListsByTitleWithTheAllItem) {
  Mode(1);
  Options().AllMenuOrder = 0;
  Hide("X", "b");
  Hide("Y", "A");
  Hide("Z", "a");
  Click(0, WM_LBUTTONUP);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"恢复所有", "恢复 窗口", "A", "a", "b"}));
  const auto& menu = w.menus.shown.back();
  EXPECT_EQ(menu.owner, host.handle);
  EXPECT_EQ(menu.x, 300);
  EXPECT_EQ(w.desktop.foregroundCalls.back(), host.handle) << "main window in front before the menu";
  EXPECT_FALSE(form->Paths().Busy());
}

TEST_F(TrayMenusTest, InactiveListKeepsTheOrderOfHidingAndHasNoAllItem) {
  Options().EveryHideInactive = 1;
  Options().EveryHideMinutes = 1;
  Hide("X", "second title");
  Hide("Y", "a first title");
  w.timers.Advance(60000);
  Click(0, WM_LBUTTONUP);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"恢复 窗口", "second title", "a first title"}));
}

TEST_F(TrayMenusTest, GroupMenusListTheGroupSortedInBothModes) {
  Mode(2);
  const Hwnd b = Hide("Notepad", "b.txt");
  const Hwnd a = Hide("Notepad", "a.txt");
  Hide("Other", "other");
  Click(1, WM_LBUTTONUP);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"恢复 此组中的所有窗口", "恢复 窗口", "a.txt", "b.txt"}));
  w.tray.UserInput(1, fake::TrayInput::RightClick);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"关闭 此组中的所有窗口", "关闭 窗口", "a.txt", "b.txt"}));
  Choose("恢复 此组中的所有窗口");
  Click(1, WM_LBUTTONUP);
  EXPECT_FALSE(Hidden(a));
  EXPECT_FALSE(Hidden(b));
  EXPECT_EQ(w.desktop.GetForegroundWindow(), a) << "the bottom item first, so the top one ends in front";
}

TEST_F(TrayMenusTest, ChoosingRestoresOrClosesAfterTheQuestion) {
  Mode(1);
  Options().AllRightClick = 1;
  const Hwnd a = Hide("X", "keep me");
  Hide("Y", "other");
  Choose("keep me");
  Click(0, WM_LBUTTONUP);
  EXPECT_FALSE(Hidden(a));
  Choose("other");
  w.dialogs.answers = {IDNO};
  w.tray.UserInput(0, fake::TrayInput::RightClick);
  ASSERT_EQ(w.dialogs.boxes.size(), 1u);
  EXPECT_TRUE(std::none_of(w.desktop.posted.begin(), w.desktop.posted.end(),
                           [](const auto& m) { return m.msg == WM_SYSCOMMAND; }));
}

TEST_F(TrayMenusTest, WindowMenuHeadingIsCutAfterTwentyBytes) {
  EXPECT_EQ(TrayMenus::WindowHeading(std::string(25, 'x')), std::string(18, 'x') + "...");
  EXPECT_EQ(TrayMenus::WindowHeading(std::string(20, 'y')), std::string(20, 'y'));
  EXPECT_EQ(TrayMenus::WindowHeading(""), "");
  const Hwnd a = Hide("X", "a window with a long title");
  Choose("恢复");
  w.tray.UserInput(TrayIdOf(a), fake::TrayInput::RightClick);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"a window with a lo...", "关闭", "恢复"}));
  EXPECT_FALSE(Hidden(a));
}

TEST_F(TrayMenusTest, HotkeyListShowsEveryWindowAtTheWorkAreaCorner) {
  Hide("X", "b");
  Hide("Y", "a");
  form->Menus->ShowListMenu("", MenuMode::Restore, true, true);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"恢复所有", "恢复 窗口", "b", "a"}));
  EXPECT_EQ(w.menus.shown.back().x, 1024);
  EXPECT_EQ(w.menus.shown.back().y, 738);
  w.menus.workAreaFails = true;
  form->Menus->ShowListMenu("", MenuMode::Restore, true, true);
  EXPECT_EQ(w.menus.shown.back().x, 0);
}

// A version 3 icon reports a click twice, and Enter may come twice: the second
// report arrives inside the menu the first one opened.
TEST_F(TrayMenusTest, EachClickOrKeyOnAnIconOpensOneMenuAndAKeysMenuGivesTheFocusBack) {
  Mode(1);
  Options().AllRightClick = 1;
  Hide("X", "a");
  using enum fake::TrayInput;
  for (const auto input : {LeftClick, RightClick, Enter, MenuKey}) {
    const bool key = input >= Space;
    const std::size_t menus = w.menus.shown.size(), focus = w.tray.CountCalls(NIM_SETFOCUS);
    w.tray.UserInput(0, input);
    ASSERT_EQ(w.menus.shown.size(), menus + 1);
    EXPECT_EQ(w.menus.shown.back().fromKeyboard, key);
    EXPECT_EQ(w.tray.CountCalls(NIM_SETFOCUS), focus + key) << "dismissed: the focus back on the icon";
  }
  // A shell without version 3: its right click alone opens the menu, and keys never come.
  w.tray.refuseVersion = true;
  Mode(0);
  const Hwnd b = Hide("Y", "b");
  w.tray.UserInput(TrayIdOf(b), RightClick), w.tray.UserInput(TrayIdOf(b), Enter);
  EXPECT_EQ(w.menus.shown.size(), 5u);
  EXPECT_TRUE(Hidden(b));
}

TEST_F(TrayMenusTest, ExitAndHelpItems) {
  Mode(1);
  Hide("X", "a");
  w.shell.existingPaths.insert("C:\\Apps\\Velmora\\velmora.chm");
  Choose("帮助");
  Click(0, WM_LBUTTONUP);
  ASSERT_FALSE(w.shell.executions.empty());
  EXPECT_EQ(w.shell.executions.back().showCmd, SW_SHOWMAXIMIZED);
  EXPECT_EQ(w.shell.executions.back().directory, "C:\\Apps\\Velmora\\");
  Choose("退出");
  Click(0, WM_LBUTTONUP);
  EXPECT_EQ(host.closeRequests, 1);
}

}  // namespace
}  // namespace velmora
