#include <gtest/gtest.h>

#include "TestWorld.h"
#include "foreign/WindowKinds.h"

namespace velmora {
namespace {

using namespace win;

class TrayList : public ::testing::Test, public test::VelmoraWorld {
 protected:
  TrayList() { Start(); }
  // Hides a window the way a marked window is hidden: reported, then the hide timer.
  Hwnd Hide(std::string cls, std::string title = "Untitled") {
    const Hwnd wnd = Foreign(std::move(cls), std::move(title));
    w.desktop.Window(wnd).getIcon = w.painter.MakeForeignIcon();
    Trigger(wnd);
    EXPECT_TRUE(Hidden(wnd));
    return wnd;
  }
  void Apply(std::uint8_t mode) {
    TOptionsRecord o = Options();
    o.TrayMode = mode;
    List().ApplySettings(o);
  }
  std::uint32_t Id(Hwnd wnd) { return TrayIdOf(wnd); }
};

// --- Entries ----------------------------------------------------------------

TEST_F(TrayList, TipAndCaptionHoldTheFirst63CharactersOfTheTitle) {
  const Hwnd longer = Hide("A", std::string(200, 'x'));
  const Hwnd shorter = Hide("B", "0123456789");
  EXPECT_EQ(List().FindEntry(longer)->Tip(), std::string(63, 'x'));
  EXPECT_EQ(List().FindEntry(longer)->Caption, std::string(63, 'x'));
  // Characters, as Windows counts them (UTF-16 units), never cut in the middle.
  std::string cyrillic;
  for (int i = 0; i < 70; ++i) cyrillic += "Ж";
  EXPECT_EQ(List().FindEntry(Hide("C", cyrillic))->Tip(), cyrillic.substr(0, 63 * 2));
  const std::string emoji = std::string(62, 'e') + "\xF0\x9F\x98\x80";  // 62 units, then a pair
  EXPECT_EQ(List().FindEntry(Hide("D", emoji))->Tip(), std::string(62, 'e'));
  EXPECT_EQ(List().FindEntry(shorter)->Tip(), "0123456789");
  EXPECT_EQ(w.tray.Tip(Id(shorter)), "0123456789");
  const NotifyIconData* icon = w.tray.Icon(Id(shorter));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->hWnd, List().TrayWnd);
  EXPECT_EQ(icon->uFlags, 7u);
  EXPECT_EQ(icon->uCallbackMessage, 0x401u);
  EXPECT_EQ(icon->hIcon, w.desktop.Window(shorter).getIcon);
}

TEST_F(TrayList, WindowIconFallsBackThroughTheClassToTheSystemIcon) {
  const Hwnd drag = w.desktop.AddWindow({.className = "A", .dragIcon = Hicon{7}, .getIcon = Hicon{8}});
  const Hwnd cls = w.desktop.AddWindow({.className = "B", .classSmallIcon = Hicon{9}});
  const Hwnd none = w.desktop.AddWindow({.className = "C"});
  const Hwnd hung = w.desktop.AddWindow({.className = "D", .getIcon = Hicon{8}, .hung = true});
  EXPECT_EQ(WindowIcon(w.desktop, w.painter, drag), Hicon{7});
  EXPECT_EQ(WindowIcon(w.desktop, w.painter, cls), Hicon{9});
  EXPECT_EQ(WindowIcon(w.desktop, w.painter, none), w.painter.SystemIcon(IDI_APPLICATION));
  EXPECT_EQ(WindowIcon(w.desktop, w.painter, hung), w.painter.SystemIcon(IDI_APPLICATION)) << "never blocks";
}

TEST_F(TrayList, FormOfALinkedApplicationIsGroupedUnderTheLinksFirstForm) {
  const Hwnd app = Foreign("TApplication");
  const Hwnd main = w.desktop.AddWindow({.className = "TMainForm", .owner = app});
  const Hwnd other = w.desktop.AddWindow({.className = "TOther", .owner = app});
  const Hwnd unlinkedApp = Foreign("TApplication");
  const Hwnd lone = w.desktop.AddWindow({.className = "TLone", .owner = unlinkedApp});
  List().AddApp(app, "TMainForm");
  List().AttachAppWindow(app, main);
  TTrayIcon e1, e2;
  e1.Window = other;
  e2.Window = lone;
  List().PrepareEntry(e1);
  List().PrepareEntry(e2);
  EXPECT_EQ(e1.WindowClass, "TMainForm");
  EXPECT_EQ(e2.WindowClass, "TLone");
}

TEST_F(TrayList, ApplicationLinksHoldAtMostTwoWindows) {
  const Hwnd app{0x500}, a{0x510}, b{0x520}, c{0x530};
  EXPECT_EQ(List().AttachAppWindow(app, a), 0) << "no link yet";
  EXPECT_TRUE(List().AddApp(app, "TForm"));
  EXPECT_FALSE(List().AddApp(app, "Other"));
  EXPECT_EQ(List().AttachAppWindow(app, a), 1);
  EXPECT_EQ(List().AttachAppWindow(app, b), 2);
  EXPECT_EQ(List().AttachAppWindow(app, c), 0);
  EXPECT_EQ(List().GetAppWindow(app, true), b);
  List().DetachAppWindow(app, a);
  EXPECT_EQ(List().GetAppWindow(app, false), b);
  EXPECT_EQ(List().GetAppWindow(app, true), Hwnd{});
  EXPECT_EQ(List().GetAppClass(app), "TForm");
  List().DetachAppWindow(app, app);
  EXPECT_FALSE(List().HasApp(app));
  EXPECT_EQ(List().GetAppClass(app), "");
}

TEST_F(TrayList, LookupsCompareClassNamesExactly) {
  EXPECT_EQ(List().FindEntry(Hwnd{0x10010}), nullptr);
  EXPECT_EQ(List().GroupCount("x"), 0u);
  Hide("Outlook Express Browser Class", "Inbox");
  Hide("outlook express browser class", "other");
  EXPECT_EQ(List().GroupCount("Outlook Express Browser Class"), 1u);
  EXPECT_EQ(List().GroupCount("OUTLOOK EXPRESS BROWSER CLASS"), 0u);
  EXPECT_EQ(w.desktop.Window(List().FindOutlookBrowser()).title, "Inbox");
}

// --- Restoring --------------------------------------------------------------

TEST_F(TrayList, RestoreAllBringsTheLastHiddenBackFirstAndTheFirstEndsInFront) {
  const Hwnd a = Hide("A"), b = Hide("B"), c = Hide("C");
  w.desktop.shows.clear();
  List().RestoreAll();
  std::vector<Hwnd> order;
  for (auto [wnd, cmd] : w.desktop.shows)
    if (cmd == SW_SHOWNA) order.push_back(wnd);
  EXPECT_EQ(order, (std::vector<Hwnd>{c, b, a}));
  Settle();
  EXPECT_EQ(w.desktop.GetForegroundWindow(), a);
  EXPECT_FALSE(w.desktop.Window(a).iconic);
  EXPECT_EQ(w.tray.Count(), 0u);
}

TEST_F(TrayList, RestoringAnApplicationFormShowsItsApplicationWindow) {
  const Hwnd app = Foreign("TApplication", "App", true);
  const Hwnd form1 = w.desktop.AddWindow({.className = "TForm1", .owner = app});
  Trigger(form1);
  w.desktop.shows.clear();
  EXPECT_TRUE(List().RestoreWindow(form1));
  EXPECT_EQ(w.desktop.shows, (std::vector<std::pair<Hwnd, int>>{{app, SW_SHOWNA}, {app, SW_RESTORE}, {form1, SW_RESTORE}}));
  Settle();
  EXPECT_EQ(w.desktop.GetForegroundWindow(), form1);
  EXPECT_FALSE(List().RestoreWindow(form1)) << "no entry any more";
}

TEST_F(TrayList, UnderTheForegroundLockTheProgramIsLetRestoreItselfToTheFront) {
  const Hwnd a = Hide("A");
  w.desktop.foregroundLocked = true;
  w.desktop.lastInputOurs = true;  // the click on its icon
  EXPECT_TRUE(List().RestoreWindow(a));
  EXPECT_TRUE(w.desktop.allowedProcesses.contains(w.desktop.Window(a).pid));
  EXPECT_TRUE(w.desktop.attachCalls.empty()) << "no input joined while its own restore brings it";
  // Without the right to pass on, Velmora brings it to the front itself.
  const Hwnd b = Hide("B");
  w.desktop.allowedProcesses.clear();
  w.desktop.Activate(w.desktop.AddWindow({.className = "Other", .pid = 900, .tid = 901}));
  EXPECT_TRUE(List().RestoreWindow(b));
  EXPECT_FALSE(w.desktop.allowedProcesses.contains(w.desktop.Window(b).pid));
  Settle();
  EXPECT_EQ(w.desktop.GetForegroundWindow(), b) << "brought to the front once its program has restored it";
}

TEST_F(TrayList, CloseAllAsksOncePerWindowLastHiddenFirstAndKeepsRefusers) {
  const Hwnd a = Hide("A", "first"), b = Hide("B", "second");
  w.dialogs.answers = {IDYES, IDNO};
  List().CloseAll();
  ASSERT_EQ(w.dialogs.boxes.size(), 2u);
  EXPECT_NE(w.dialogs.boxes[0].text.find("second"), std::string::npos);
  EXPECT_NE(w.dialogs.boxes[1].text.find("first"), std::string::npos);
  ASSERT_EQ(w.desktop.posted.size(), 1u);
  EXPECT_EQ(w.desktop.posted[0].wnd, b);
  EXPECT_EQ(List().Count(), 2u) << "entries leave when their windows go";
  (void)a;
}

TEST_F(TrayList, CheckWindowsDropsGoneAndRestoredWindowsAndTakesNewTitlesAndIcons) {
  const Hwnd gone = Hide("A"), back = Hide("B"), renamed = Hide("C", "old title");
  const Hicon oldIcon = w.desktop.Window(renamed).getIcon;
  w.desktop.Destroy(gone);
  w.desktop.Window(back).iconic = false;
  w.desktop.Window(renamed).iconic = false;  // restored, but hidden: still held
  List().CheckWindows();
  EXPECT_EQ(List().Count(), 2u);
  w.desktop.Window(back).visible = true;
  w.desktop.SetTitle(renamed, "new title");
  w.painter.DestroyForeign(oldIcon);
  const Hicon newIcon = w.painter.MakeForeignIcon();
  w.desktop.Window(renamed).getIcon = newIcon;
  w.ClearLog();
  List().CheckWindows();
  EXPECT_EQ(List().Count(), 1u);
  EXPECT_TRUE(w.LogHas("NIM_MODIFY " + fake::Hex(Id(renamed))));
  EXPECT_EQ(w.tray.CountCalls(NIM_ADD), 3u) << "only this one icon changes; none is added again";
  EXPECT_FALSE(w.tray.Has(Id(back)));
  const TTrayIcon* entry = List().FindEntry(renamed);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(w.tray.Tip(Id(renamed)), "new title");
  EXPECT_EQ(entry->Caption, "old title") << "the menu caption stays";
  EXPECT_EQ(w.tray.Icon(Id(renamed))->hIcon, newIcon);
}

// --- Mode 0: own icons and the inactive icon -------------------------------

TEST_F(TrayList, InactiveWindowsMoveUnderTheSharedIconAfterTheirTime) {
  Options().EveryHideInactive = 1;
  Options().EveryHideMinutes = 5;
  const Hwnd a = Hide("A");
  w.timers.Advance(60000);
  const Hwnd b = Hide("B");
  w.timers.Advance(4 * 60000 - 300);  // a was added 299,900 ms ago
  EXPECT_TRUE(w.tray.Has(Id(a)));
  w.timers.Advance(100);
  EXPECT_FALSE(w.tray.Has(Id(a)));
  ASSERT_TRUE(w.tray.Has(0));
  EXPECT_EQ(w.tray.Tip(0), "One minimized window");
  EXPECT_EQ(w.tray.Icon(0)->hIcon, w.painter.ResourceIcon("SH"));
  Click(0, WM_LBUTTONUP);  // clicks do not restart the time
  w.timers.Advance(60100);
  EXPECT_EQ(w.tray.Tip(0), "2 minimized windows");
  EXPECT_FALSE(w.tray.Has(Id(b)));
  List().RestoreWindow(a);
  EXPECT_EQ(w.tray.Tip(0), "One minimized window");
  List().RestoreWindow(b);
  EXPECT_FALSE(w.tray.Has(0));
}

TEST_F(TrayList, NewSettingsAfterThreeMinutesKeepTheIconAndRearmWithTwo) {
  Options().EveryHideInactive = 1;
  Options().EveryHideMinutes = 5;
  const Hwnd a = Hide("A");
  w.timers.Advance(3 * 60000);
  List().ApplySettings(Options());
  EXPECT_TRUE(w.tray.Has(Id(a)));
  EXPECT_EQ(List().FindEntry(a)->Timer->Interval(), 2u * 60000 - 100);
  w.timers.Advance(2 * 60000 - 101);
  EXPECT_TRUE(w.tray.Has(Id(a)));
  w.timers.Advance(1);
  EXPECT_FALSE(w.tray.Has(Id(a)));
  EXPECT_TRUE(List().FindEntry(a)->Inactive);
}

TEST_F(TrayList, InactiveCountIsDrawnWhenAsked) {
  Options().EveryHideInactive = 1;
  Options().EveryHideMinutes = 1;
  Options().EveryShowHiddenCount = 1;
  Hide("A");
  Hide("B");
  w.timers.Advance(60000);
  EXPECT_EQ(w.tray.Icon(0)->hIcon, w.painter.ResourceIcon("S2"));
}

// --- Mode 1: one shared icon -----------------------------------------------

TEST_F(TrayList, SharedIconShowsTheCountUpToNine) {
  Apply(1);
  std::vector<Hwnd> windows;
  for (int i = 1; i <= 10; ++i) {
    windows.push_back(Hide("A"));
    const std::string expected = i < 10 ? "S" + std::to_string(i) : "MAINICON";
    EXPECT_EQ(w.tray.Icon(0)->hIcon, w.painter.ResourceIcon(expected)) << i;
  }
  EXPECT_EQ(w.tray.Count(), 1u);
  EXPECT_EQ(w.tray.Tip(0), "10 minimized windows");
  Options().AllShowCount = 0;
  List().RestoreWindow(windows.back());
  EXPECT_EQ(w.tray.Icon(0)->hIcon, w.painter.ResourceIcon("MAINICON"));
  for (Hwnd wnd : windows) List().RestoreWindow(wnd);
  EXPECT_EQ(w.tray.Count(), 0u);
}

// --- Mode 2: group icons ----------------------------------------------------

TEST_F(TrayList, GroupFormsAtTheMinimumAndDissolvesBelowIt) {
  Apply(2);
  const Hwnd a = Hide("Notepad", "a");
  EXPECT_TRUE(w.tray.Has(Id(a)));
  const Hwnd b = Hide("Notepad", "b");
  EXPECT_FALSE(w.tray.Has(Id(a)));
  EXPECT_FALSE(w.tray.Has(Id(b)));
  ASSERT_TRUE(w.tray.Has(1));
  EXPECT_EQ(w.tray.Tip(1), "2 minimized windows");
  ASSERT_FALSE(w.painter.draws.empty());
  EXPECT_EQ(w.painter.draws.back().base, w.desktop.Window(b).getIcon) << "drawn on the second window's icon";
  EXPECT_EQ(w.painter.draws.back().count, 2);
  EXPECT_TRUE(w.painter.draws.back().digit);
  EXPECT_EQ(w.painter.draws.back().color, 0x00FF0000u);
  const Hwnd c = Hide("Notepad", "c");
  EXPECT_EQ(w.tray.Tip(1), "3 minimized windows");
  List().RestoreWindow(c);
  EXPECT_EQ(w.tray.Tip(1), "2 minimized windows");
  List().RestoreWindow(b);
  EXPECT_FALSE(w.tray.Has(1));
  EXPECT_TRUE(w.tray.Has(Id(a)));
  EXPECT_EQ(w.tray.Tip(Id(a)), "a");
  List().RestoreWindow(a);
  EXPECT_EQ(w.tray.Count(), 0u);
  EXPECT_EQ(w.painter.LiveDrawn(), 0u) << "no drawn icon leaks";
  // Windows of a shared class group by program, which the tip names.
  for (const char* program : {"chrome.exe", "discord.exe", "chrome.exe", "discord.exe"}) {
    const Hwnd x = w.desktop.AddWindow({.className = "Chrome_WidgetWin_1", .program = program});
    Trigger(x);
  }
  EXPECT_EQ(w.tray.Tip(1) + "; " + w.tray.Tip(2), "chrome.exe - 2 minimized windows; discord.exe - 2 minimized windows");
}

// A program killed or crashed reports nothing: its end, watched, takes its icons at once.
TEST_F(TrayList, AnEndedProgramsIconsGoAtOnce) {
  const Hwnd a = Hide("Notepad", "a");
  const std::uint32_t pid = w.desktop.GetWindowProcessId(a);
  EXPECT_TRUE(w.kernel.watched.contains(pid));
  w.desktop.Destroy(a);
  w.desktop.Deliver(List().TrayWnd, ProcessEndedMessage, pid, 0);
  EXPECT_FALSE(w.tray.Has(Id(a)));
}

TEST_F(TrayList, GroupMinimumOneShowsEvenASingleWindowThroughItsGroup) {
  Options().GroupMinimum = 1;
  Apply(2);
  const Hwnd a = Hide("Notepad");
  EXPECT_FALSE(w.tray.Has(Id(a)));
  EXPECT_EQ(w.tray.Tip(1), "One minimized window");
}

TEST_F(TrayList, TenOrMoreOrCountOffDrawTheMark) {
  Options().GroupMinimum = 1;
  Apply(2);
  for (int i = 0; i < 10; ++i) Hide("Notepad");
  EXPECT_FALSE(w.painter.draws.back().digit);
  EXPECT_EQ(w.painter.draws.back().count, 10);
  Options().GroupShowCount = 0;
  Hide("Other");
  EXPECT_FALSE(w.painter.draws.back().digit);
}

TEST_F(TrayList, GroupsWithoutAnIconKeepOwnIconsSoEveryWindowStaysReachable) {
  Options().GroupMinimum = 1;
  Apply(2);
  for (int i = 0; i < 127; ++i) Hide("C" + std::to_string(i));
  const Hwnd extra = Hide("One too many");  // every slot is taken
  EXPECT_TRUE(List().FindEntry(extra));
  EXPECT_TRUE(w.tray.Has(Id(extra)));
  List().RestoreWindow(extra);
  EXPECT_FALSE(w.tray.Has(Id(extra)));
  EXPECT_EQ(w.tray.Count(), 127u);
}

TEST_F(TrayList, GroupIconTheShellRefusesLeavesOwnIconsAndFormsLater) {
  Apply(2);
  w.tray.failAddIds = {1};
  const Hwnd a = Hide("Notepad", "a"), b = Hide("Notepad", "b");
  EXPECT_TRUE(w.tray.Has(Id(a)));
  EXPECT_TRUE(w.tray.Has(Id(b)));
  EXPECT_EQ(w.painter.LiveDrawn(), 0u) << "the refused group's icon is not kept";
  w.tray.failAddIds.clear();
  const Hwnd c = Hide("Notepad", "c");
  EXPECT_EQ(w.tray.Tip(1), "3 minimized windows");
  EXPECT_EQ(w.tray.Count(), 1u);
  List().RestoreAll();
  EXPECT_EQ(w.tray.Count(), 0u);
  EXPECT_EQ(w.painter.LiveDrawn(), 0u);
  (void)c;
}

TEST_F(TrayList, InactiveWindowKeepsItsIconWhenTheSharedIconIsRefused) {
  Options().EveryHideInactive = 1;
  Options().EveryHideMinutes = 1;
  const Hwnd a = Hide("A");
  w.tray.failAddIds = {0};
  w.timers.Advance(60000);
  EXPECT_TRUE(w.tray.Has(Id(a)));
  EXPECT_FALSE(List().FindEntry(a)->Inactive);
  EXPECT_TRUE(Hidden(a));
}

TEST_F(TrayList, InactivityWaitsWhileAnotherEventPathIsAtWork) {
  Options().EveryHideInactive = 1;
  Options().EveryHideMinutes = 1;
  const Hwnd a = Hide("A");
  WhileBusy([&] {
    w.timers.Advance(60000);
    EXPECT_TRUE(w.tray.Has(Id(a)));
  });
  w.timers.Advance(1000);
  EXPECT_FALSE(w.tray.Has(Id(a)));
  EXPECT_TRUE(w.tray.Has(0));
}

TEST_F(TrayList, ModeChangeRebuildsEveryIcon) {
  const Hwnd a = Hide("Notepad"), b = Hide("Notepad"), c = Hide("Other");
  Apply(2);
  EXPECT_EQ(w.tray.Count(), 2u);  // one group and c's own icon
  EXPECT_TRUE(w.tray.Has(Id(c)));
  EXPECT_EQ(w.painter.draws.back().base, w.desktop.Window(a).getIcon) << "drawn on the group's first entry";
  Apply(1);
  EXPECT_EQ(w.tray.Count(), 1u);
  EXPECT_EQ(w.tray.Tip(0), "3 minimized windows");
  Apply(0);
  EXPECT_EQ(w.tray.Count(), 3u);
  EXPECT_EQ(w.painter.LiveDrawn(), 0u);
  (void)b;
}

// --- Clicks -----------------------------------------------------------------

class RecordingMenus : public ListMenus {
 public:
  bool ShowListMenu(const std::string& group, MenuMode mode, bool fromHotkey, bool) override {
    return lists.push_back({group, mode, fromHotkey}), false;
  }
  bool ShowWindowMenu(Hwnd wnd, bool) override { return windowMenus.push_back(wnd), false; }
  struct List {
    std::string group;
    MenuMode mode;
    bool fromHotkey;
  };
  std::vector<List> lists;
  std::vector<Hwnd> windowMenus;
};

TEST_F(TrayList, ClicksFollowTheModeAndTheDoubleClickOptions) {
  RecordingMenus menus;
  List().SetListMenus(&menus);
  const Hwnd a = Hide("A"), b = Hide("B");
  Click(Id(a), WM_LBUTTONDBLCLK);
  EXPECT_TRUE(Hidden(a)) << "mode 0 restores on a single click";
  Click(Id(a), WM_LBUTTONUP);
  EXPECT_FALSE(Hidden(a));
  Options().EveryDoubleClick = 1;
  Click(Id(b), WM_LBUTTONUP);
  EXPECT_TRUE(Hidden(b));
  Click(Id(b), WM_LBUTTONDBLCLK);
  EXPECT_FALSE(Hidden(b));
  const Hwnd c = Hide("C");
  w.tray.UserInput(Id(c), fake::TrayInput::RightClick);
  EXPECT_EQ(menus.windowMenus, std::vector<Hwnd>{c});
  Click(0, WM_CONTEXTMENU);
  ASSERT_EQ(menus.lists.size(), 1u);
  EXPECT_EQ(menus.lists[0].mode, MenuMode::Close);
  EXPECT_EQ(Click(Id(c), 0x201 /* WM_LBUTTONDOWN */), std::optional<std::intptr_t>{0});
  EXPECT_EQ(Click(Id(c), 0x200 /* WM_MOUSEMOVE */), std::optional<std::intptr_t>{0});
  EXPECT_TRUE(Hidden(c));
  EXPECT_EQ(w.desktop.Deliver(List().TrayWnd, 0x402, 0, 0), std::optional<std::intptr_t>{0});
  EXPECT_EQ(w.desktop.Deliver(List().TrayWnd, 0x0010, 0, 0), std::nullopt) << "default handling";
}

TEST_F(TrayList, SharedAndGroupIconsOpenListMenus) {
  RecordingMenus menus;
  List().SetListMenus(&menus);
  Apply(1);
  Hide("A");
  Click(0, WM_LBUTTONUP);
  w.tray.UserInput(0, fake::TrayInput::RightClick);  // AllRightClick off: nothing
  ASSERT_EQ(menus.lists.size(), 1u);
  EXPECT_EQ(menus.lists[0].mode, MenuMode::Restore);
  Options().AllRightClick = 1;
  w.tray.UserInput(0, fake::TrayInput::RightClick);
  ASSERT_EQ(menus.lists.size(), 2u);
  EXPECT_EQ(menus.lists[1].mode, MenuMode::Close);
  Apply(2);
  Hide("A");
  Click(1, WM_LBUTTONUP);
  w.tray.UserInput(1, fake::TrayInput::RightClick);
  ASSERT_EQ(menus.lists.size(), 4u);
  EXPECT_EQ(menus.lists[2].group, "A");
  EXPECT_EQ(menus.lists[2].mode, MenuMode::Restore);
  EXPECT_EQ(menus.lists[3].mode, MenuMode::Close);
}

TEST_F(TrayList, GroupModeOwnIconsHonourTheirDoubleClickOption) {
  Apply(2);
  Options().GroupDoubleClick = 1;
  const Hwnd a = Hide("A");
  Click(Id(a), WM_LBUTTONUP);
  EXPECT_TRUE(Hidden(a));
  Click(Id(a), WM_LBUTTONDBLCLK);
  EXPECT_FALSE(Hidden(a));
}

TEST_F(TrayList, AClickWhileBusyIsCarriedOutWhenThePathEnds) {
  const Hwnd a = Hide("A");
  WhileBusy([&] {
    Click(Id(a), WM_LBUTTONUP);
    EXPECT_TRUE(Hidden(a));
  });
  EXPECT_FALSE(Hidden(a));
  EXPECT_FALSE(form->Paths().Busy());
}

// --- No window left without a way back --------------------------------------

TEST_F(TrayList, WindowWhoseIconCannotBeAddedStaysOnTheTaskbar) {
  w.tray.failAdds = true;
  const Hwnd a = Foreign("A");
  Trigger(a);
  EXPECT_FALSE(Hidden(a));
  EXPECT_TRUE(w.desktop.Window(a).iconic);
  EXPECT_EQ(List().Count(), 0u);
}

TEST_F(TrayList, IconsThatCannotBeReaddedBringTheirWindowsBackMinimized) {
  const Hwnd a = Hide("A"), b = Hide("B");
  w.tray.failAddIds = {Id(b)};
  form->TaskbarCreated();
  w.timers.Advance(1000);
  EXPECT_TRUE(Hidden(a));
  EXPECT_TRUE(w.tray.Has(Id(a)));
  EXPECT_FALSE(Hidden(b));
  EXPECT_TRUE(w.desktop.Window(b).iconic);
  EXPECT_FALSE(List().FindEntry(b));
}

TEST_F(TrayList, OutOfRangeModeBehavesAsOwnIcons) {
  Apply(7);
  const Hwnd a = Hide("A");
  EXPECT_TRUE(w.tray.Has(Id(a)));
}

}  // namespace
}  // namespace velmora
