// The options dialog's rules on the fake controls, with the real main form as host.
#include <gtest/gtest.h>

#include "TestWorld.h"
#include "settings/HotkeyText.h"
#include "settings/OptionsStore.h"
#include "tray/ClassFile.h"

namespace velmora::test {
namespace {

using namespace win;

class OptionsDialog : public ::testing::Test, public VelmoraWorld {
 protected:
  fake::FakeControls& c = aboutControls;
  void Store(const TOptionsRecord& o) { ASSERT_TRUE(velmora::SaveOptions(o, w.registry, nullptr, nullptr)); }
  // The click toggles a check box, then its handler runs, as on Windows.
  void Click(ControlId id) {
    c.SetChecked(id, !c.IsChecked(id));
    about->OnClick(id);
  }
  TOptionsRecord Stored() { return LoadOptions(w.registry, nullptr); }
};

TEST_F(OptionsDialog, OutOfRangeValuesShowTheFallbackItemsAndCloseStoresThem) {
  TOptionsRecord o;
  o.TrayMode = 7;
  o.EveryMenuOrder = o.AllMenuOrder = 9;
  o.RightClickButton = o.HoldKey = 9;
  o.GroupMinimum = 1;
  o.SetMenuText("   ");
  o.Hotkey(3) = {1, ModControl | ModShift, 'A'};
  Store(o);
  Start();
  about->Velmora1Click();
  EXPECT_TRUE(c.visible);
  EXPECT_TRUE(c.IsChecked(buttonstm)) << "the first opening shows the tray page";
  EXPECT_EQ(c.GetPosition(pgc), TabOptions);
  EXPECT_TRUE(c.IsChecked(cbstm1) && !c.IsChecked(cbstm2) && !c.IsChecked(cbstm3));
  EXPECT_EQ(c.GetPosition(pctm), 0);
  EXPECT_TRUE(c.IsChecked(cbevery3) && c.IsChecked(cball3) && c.IsChecked(cbbutton4) && c.IsChecked(cbkey3));
  EXPECT_EQ(c.GetText(edititemtext), "Minimize To &Tray");
  EXPECT_EQ(c.GetText(htext), "隐藏于 5 分钟后");
  EXPECT_EQ(c.GetText(gmtext), "组最小 1 个相似图标");
  EXPECT_FALSE(c.IsEnabled(gdbclick)) << "a group of one";
  EXPECT_FALSE(c.IsEnabled(hbar)) << "cbhide is off";
  EXPECT_TRUE(c.IsChecked(cbrestoreft));
  EXPECT_EQ(c.GetText(lcbrestoreft), "CTRL + SHIFT + A");
  EXPECT_FALSE(c.IsEnabled(lcbminimize));
  about->OnClick(bclose);
  EXPECT_FALSE(c.visible);
  const TOptionsRecord s = Stored();
  EXPECT_EQ(s.TrayMode, 0);
  EXPECT_EQ(s.EveryMenuOrder, 2);
  EXPECT_EQ(s.AllMenuOrder, 2);
  EXPECT_EQ(s.RightClickButton, 3);
  EXPECT_EQ(s.HoldKey, 2);
  EXPECT_EQ(s.MenuText(), "Minimize To &Tray");
  EXPECT_EQ(w.registry.Get("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Velmora"), std::nullopt)
      << "no Run key here: never created";
  EXPECT_EQ(w.dialogs.boxes.size(), 1u) << "the blank text was replaced: a restart message";
}

TEST_F(OptionsDialog, RadioGroupsDependentsTheRestartMessageAndWhatCloseStores) {
  Start();
  about->Velmora1Click();
  Click(cbstm3);
  EXPECT_TRUE(c.IsChecked(cbstm3) && !c.IsChecked(cbstm1));
  EXPECT_EQ(c.GetPosition(pctm), 2);
  Click(cbstm3);  // the checked item clicked again stays checked
  EXPECT_TRUE(c.IsChecked(cbstm3));
  Click(cbhide);
  EXPECT_TRUE(c.IsEnabled(hbar) && c.IsEnabled(gbevery) && c.IsEnabled(hcbn));
  c.SetPosition(hbar, 20);
  about->OnTrackBar(hbar);
  EXPECT_EQ(c.GetText(htext), "隐藏于 20 分钟后");
  Click(cbautorun);
  EXPECT_TRUE(c.IsEnabled(llaunch)) << "unticked: the recommendation shows";
  Click(cbexcel);
  EXPECT_FALSE(c.IsChecked(cbballoon)) << "the balloon is off by default";
  Click(cbballoon);
  c.SetText(edititemtext, "最小化到系统托盘的窗口菜单项文字共十八字");  // 60 bytes: cut between characters to 48
  about->OnTextChange(edititemtext);
  EXPECT_EQ(c.GetText(edititemtext), "最小化到系统托盘的窗口菜单项文字");
  c.SetText(edititemtext, "To &Tray");
  about->OnClick(bclose);
  ASSERT_EQ(w.dialogs.boxes.size(), 1u);
  EXPECT_EQ(w.dialogs.boxes[0].text, "请您   重启    Velmora !");
  EXPECT_EQ(Options().TrayMode, 2) << "applied at once";
  EXPECT_EQ(Options().HandleExcel, 1);
  EXPECT_EQ(Stored().EveryHideMinutes, 20);
  EXPECT_EQ(Stored().RunAtLogin, 0);
  EXPECT_EQ(Stored().MenuText(), "To &Tray");
  EXPECT_TRUE(List().AttentionBalloon);
  about->Velmora1Click();
  EXPECT_TRUE(c.IsChecked(cbballoon));
  c.SetPosition(gmbar, 1);
  about->OnClick(bhelp);  // nothing stored
  EXPECT_EQ(Stored().GroupMinimum, 2);
  EXPECT_TRUE(w.LogHas("ShellExecute open https://velmora.app/"));
  about->Velmora1Click();
  EXPECT_TRUE(c.IsChecked(buttonstm)) << "the page shown last";
  EXPECT_FALSE(about->FormCloseQuery()) << "Alt+F4 leaves it open";
}

TEST_F(OptionsDialog, HotkeyRowsActAtOnce) {
  Start();
  about->Velmora1Click();
  // Ticking a row without a key: the change dialog opens; cancelled, the row is unticked again.
  changeControls.whileShown = [&] { return IDCANCEL; };
  Click(cbactivate);
  EXPECT_FALSE(c.IsChecked(cbactivate));
  EXPECT_EQ(Options().Hotkey(2), THotkeyRecord{});
  // Ticked and confirmed: registered and written into the live record before "关闭".
  changeControls.whileShown = [&] {
    changeControls.SetChecked(cbalt, true);
    changeHotkey.EditHKKeyDown('O');
    return IDOK;
  };
  Click(cbactivate);
  EXPECT_EQ(Options().Hotkey(2), (THotkeyRecord{1, ModAlt, 'O'}));
  EXPECT_EQ(c.GetText(lcbactivate), "ALT + O");
  EXPECT_EQ(w.hotkeys.registered.size(), 1u);
  Click(cbactivate);  // unticked: unregistered, the key kept
  EXPECT_TRUE(w.hotkeys.registered.empty());
  EXPECT_EQ(Options().Hotkey(2), (THotkeyRecord{0, ModAlt, 'O'}));
  changeControls.whileShown = [] { return IDCANCEL; };
  Click(cbactivate);  // ticked again and cancelled: the key it had is registered
  EXPECT_EQ(Options().Hotkey(2), (THotkeyRecord{1, ModAlt, 'O'}));
  EXPECT_EQ(w.hotkeys.registered.size(), 1u);
  EXPECT_EQ(w.hotkeys.repeating, 0u);
  Click(cbactivate);
  // A combination another program holds: the warning, "Error!", unticked and cleared.
  w.hotkeys.heldElsewhere.insert({ModAlt, std::uint32_t{'O'}});
  changeControls.whileShown = [] { return IDOK; };
  Click(cbactivate);
  EXPECT_EQ(c.GetText(lcbactivate), "Error!");
  EXPECT_FALSE(c.IsChecked(cbactivate));
  EXPECT_EQ(Options().Hotkey(2), THotkeyRecord{});
  EXPECT_EQ(w.dialogs.boxes.back().text, "The hotkey 'ALT + O' is not available.\rPlease try another hotkey.");
}

TEST_F(OptionsDialog, MarksPageEditsACopyThatOnlyCloseStores) {
  Start();
  List().AddClass("Notepad");
  List().SetRules("discord.exe|Chrome_WidgetWin", RuleCloseToTray);
  w.desktop.AddWindow({.className = "Chrome_WidgetWin_1", .title = "Chat", .program = "Chat.exe"});
  w.desktop.AddWindow({.className = "Hidden", .title = "Gone", .visible = false});
  w.desktop.AddWindow({.className = "Shell_TrayWnd", .title = "Taskbar"});
  w.desktop.AddWindow({.className = "Mine", .title = "Own", .pid = w.desktop.currentProcessId});
  w.desktop.AddWindow({.className = "Notes", .title = "Notes"});
  about->Velmora1Click();
  about->OnClick(buttonmarks);
  EXPECT_EQ(c.GetPosition(pgc), TabMarks);
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(c.rows[lvmarks], (Rows{{"discord.exe", "Chrome_WidgetWin", "到托盘", ""}, {"Notepad", "—", "", ""}}));
  EXPECT_TRUE(c.GetPosition(lvmarks) == 0 && c.IsChecked(cbclosetotray) && !c.IsChecked(cbhideonopen));
  c.SetPosition(lvmarks, 1);
  about->OnSelect(lvmarks);
  Click(cbhideonopen);
  about->OnClick(bmarkremove);  // Notepad goes; the row before it is selected
  EXPECT_EQ(c.rows[lvmarks], (Rows{{"discord.exe", "Chrome_WidgetWin", "到托盘", ""}}));
  Click(cbclosetotray);
  // "Add…": the windows a user could mean, those marked checked; chosen again, the mark is selected, not made twice.
  const auto chat = [](const std::vector<MenuEntry>& items) { return fake::FakeMenus::CommandOf(items, "Chat — Chat.exe"); };
  w.menus.choices = {chat, chat};
  for (int i = 0; i < 2; ++i) {
    c.SetPosition(lvmarks, 1), about->OnClick(bmarkadd);
    EXPECT_TRUE(c.rows[lvmarks].size() == 2u && c.rows[lvmarks][0][0] == "Chat.exe" && c.GetPosition(lvmarks) == 0);
    for (const MenuEntry& item : w.menus.shown.back().items) EXPECT_EQ(item.checked, i == 1 && item.text != "Notes");
  }
  EXPECT_TRUE(List().HasClass("Notepad") && !List().HasClass("Chat.exe|Chrome_WidgetWin") &&
              List().RulesOf("discord.exe|Chrome_WidgetWin") == RuleCloseToTray)
      << "nothing before 关闭";
  List().AddClass("Other");  // marked from a system menu meanwhile
  about->OnClick(bclose);
  EXPECT_EQ(List().Classes, (std::vector<std::string>{"Chat.exe|Chrome_WidgetWin", "discord.exe|Chrome_WidgetWin",
                                                      "Other"}));
  EXPECT_EQ(List().RulesOf("discord.exe|Chrome_WidgetWin"), 0);
  EXPECT_EQ(DecodeClassRecords(w.shell.files[List().ClassFilePath()]).size(), 3u);
  // Leaving another way drops the edits; the last mark removed leaves the keyboard on "Add…".
  about->Velmora1Click();
  for (int i = 0; i < 3; ++i) c.SetFocus(bmarkremove), about->OnClick(bmarkremove);
  EXPECT_TRUE(c.rows[lvmarks].empty() && !c.IsEnabled(cbclosetotray) && c.focus == bmarkadd);
  about->OnClick(bhelp);
  EXPECT_EQ(List().Classes.size(), 3u);
  about->ShowAboutPage(), c.foregroundCalls = 0, about->ShowAboutPage();  // a second start: in front, where keys reach it
  EXPECT_TRUE(c.visible && c.IsChecked(buttonabout) && c.foregroundCalls == 1);
}

}  // namespace
}  // namespace velmora::test
