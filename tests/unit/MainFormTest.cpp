#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "TestWorld.h"
#include "hook/HeldMark.h"
#include "main/MessageFilter.h"
#include "foreign/SystemMenuItems.h"
#include "settings/OptionsStore.h"
#include "tray/ClassFile.h"

namespace velmora {
namespace {

using namespace win;
using test::VelmoraWorld;

class MainForm : public ::testing::Test, public VelmoraWorld {};

TEST_F(MainForm, NothingIsLinkedBeforeTheInitialTimer) {
  w.timers.Advance(499);
  EXPECT_EQ(host.caption, "Velmora");
  EXPECT_EQ(form->TrayList, nullptr);
  EXPECT_FALSE(w.kernel.hooked);
  ASSERT_NE(form->Sections().Block(), nullptr);
  EXPECT_EQ(form->Sections().Block()->MainWindow, 0u);
}

TEST_F(MainForm, InitialTimerBringsUpListHookAndSweepInOrder) {
  // A marked class on disk whose minimized window is taken in at start.
  w.shell.files["C:\\Apps\\Velmora\\Velmora.vlm"] = EncodeClassFile({"Notepad"});
  const Hwnd note = Foreign("Notepad", "a.txt", true);
  w.ClearLog();
  Start();
  EXPECT_EQ(host.caption, "Velmora 4.6.3");
  ASSERT_NE(form->TrayList, nullptr);
  EXPECT_EQ(form->Sections().Block()->MainWindow, TrayIdOf(host.handle));
  EXPECT_EQ(form->Sections().Block()->ButtonCode, 37u);
  EXPECT_EQ(form->Sections().Block()->HoldKeyCode, 3);
  EXPECT_TRUE(w.kernel.hooked);
  EXPECT_TRUE(w.kernel.helperRunning);
  EXPECT_LT(w.LogIndex("SetHook"), w.LogIndex("StartHookHelper")) << "the helper finds the block set";
  EXPECT_TRUE(Hidden(note));
  EXPECT_TRUE(List().FindEntry(note));
  EXPECT_LT(w.LogIndex("SetValue"), w.LogIndex("SetHook")) << "settings before the hook";
  EXPECT_LT(w.LogIndex("ShowWindow " + fake::Hex(note.value) + " 0"), w.LogIndex("SetHook"));
  EXPECT_TRUE(form->TimerOthers.Enabled());
  EXPECT_FALSE(form->TimerInitial.Enabled());
  EXPECT_FALSE(form->Paths().Busy());
  w.timers.Advance(2000);
  EXPECT_EQ(w.kernel.setHookCalls, 1u) << "the initial timer runs once";
}

TEST_F(MainForm, AHelperThatCannotStartLeavesVelmoraRunningWithoutAWord) {
  w.kernel.helperFails = true;
  Start();
  EXPECT_TRUE(w.kernel.hooked);
}

TEST_F(MainForm, AHelperEndedFromOutsideIsStartedAgainThreeTimesAMinute) {
  Start();
  for (int killed = 0; killed < 5; ++killed, w.timers.Advance(5000)) w.kernel.helperRunning = false;
  EXPECT_EQ(w.kernel.helperStarts, 4u);
}

TEST_F(MainForm, ClicksOnTheSplashWaitForTheStoredRecordAndTheHotkeyIdentifiers) {
  TOptionsRecord stored;
  stored.Hotkey(1) = THotkeyRecord{1, 2, 'M'};
  SaveOptions(stored, w.registry, nullptr, [](const TOptionsRecord&) {});
  about->ShowSplash();
  about->OnClick(cbactivate);  // a hotkey row ticked at once, then "关闭"
  about->OnClick(bclose);
  EXPECT_TRUE(w.hotkeys.registered.empty());
  Start();
  EXPECT_EQ(LoadOptions(w.registry, nullptr).Hotkey(1).Enabled, 1) << "not lost to a record never loaded";
  for (const auto& [key, combination] : w.hotkeys.registered) EXPECT_NE(key.second, 0) << "registered under its atom";
}

TEST_F(MainForm, ShutdownUnhooksStripsMenusRestoresAndUnmapsInOrder) {
  Start();
  const Hwnd marked = Foreign("Notepad", "a.txt");
  Mark(marked);
  Minimize(marked);
  ASSERT_TRUE(Hidden(marked));
  w.ClearLog();
  form->FormCloseQuery();
  EXPECT_TRUE(form->Paths().Closed()) << "for good";
  EXPECT_FALSE(form->Sections().Mapped());
  const auto unhook = w.LogIndex("UnSetHook");
  const auto strip = w.LogIndex("DeleteMenu");
  const auto restore = w.LogIndex("ShowWindow " + fake::Hex(marked.value) + " 8");
  const auto unmap = w.LogIndex("UnmapSharedBlock");
  ASSERT_NE(unhook, fake::FakeWorld::npos);
  EXPECT_FALSE(w.kernel.helperRunning);
  EXPECT_LT(unhook, strip);
  EXPECT_LT(strip, restore);
  EXPECT_LT(restore, unmap);
  EXPECT_FALSE(Hidden(marked));
  EXPECT_EQ(w.tray.Count(), 0u);
  for (const auto& item : w.desktop.MenuItems(marked)) {
    EXPECT_NE(item.id, IDM_TRAY_ITEM);
    EXPECT_NE(item.id, IDM_TRAY_SEPARATOR);
  }
  EXPECT_EQ(w.timers.RunningCount(), 0u);
  form->WMCopyData(RQ_INSTANCE, 0);
  EXPECT_EQ(host.closeRequests, 0) << "nothing is acted on after the close";
}

TEST_F(MainForm, RunsWithoutTheSharedBlock) {
  fake::FakeWorld other;
  other.kernel.failMap = true;
  Ports p = other.AsPorts();
  test::FakeHost h(other.desktop, other.menus, other.dialogs);
  TFOrvane f(p, h);
  f.FormCreate();
  EXPECT_FALSE(f.Sections().Mapped());
  other.timers.Advance(500);
  ASSERT_NE(f.TrayList, nullptr);
  EXPECT_FALSE(other.kernel.hooked);
  const Hwnd excel = other.desktop.AddWindow({.className = "EXCEL7", .title = "Book1", .iconic = true});
  f.TrayList->Options.HandleExcel = 1;
  other.timers.Advance(5000);  // no library reports it: the sweep takes it
  EXPECT_TRUE(f.TrayList->FindEntry(excel));
  f.FormCloseQuery();
  EXPECT_EQ(other.kernel.unSetHookCalls, 0u);
}

TEST_F(MainForm, SavedSettingsBecomeLiveRebuildTheIconsAndReachTheHook) {
  Start();
  const Hwnd a = Foreign("Notepad", "a"), b = Foreign("Notepad", "b");
  Mark(a);
  Minimize(a);
  Minimize(b);
  ASSERT_EQ(w.tray.Count(), 2u);
  TOptionsRecord o = Options();
  o.TrayMode = 1;
  o.RightClickButton = 2;
  ASSERT_TRUE(form->SaveOptions(o));
  EXPECT_EQ(Options().TrayMode, 1);
  EXPECT_EQ(w.tray.Count(), 1u);
  EXPECT_EQ(w.tray.Tip(0), "2 minimized windows");
  EXPECT_EQ(form->Sections().Block()->ButtonCode, 20u);
  EXPECT_EQ(w.registry.Get("SOFTWARE\\Velmora", "Options")->bytes[4], 1);
  w.registry.failAll = true;
  o.TrayMode = 0;
  EXPECT_FALSE(form->SaveOptions(o));
  EXPECT_EQ(Options().TrayMode, 1) << "a refused save changes nothing";
  EXPECT_EQ(w.tray.Count(), 1u);
}

TEST_F(MainForm, CloseWaitsForTheRunningEventPathButNotForALaterStart) {
  Start();
  // e.g. a close that arrives inside a message box of another path
  WhileBusy([&] { EXPECT_FALSE(form->FormCloseQuery()); });
  EXPECT_NE(form->TrayList, nullptr);
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_TRUE(form->Closed());

  VelmoraWorld other;
  other.Start();
  other.w.desktop.AddWindow({.className = "ZURUUninstall", .title = "Uninstall Velmora"});
  other.form->WMCopyData(RQ_INSTANCE, 0);
  ASSERT_EQ(other.host.closeRequests, 1);
  other.Request(RQ_INSTANCE, Hwnd{});
  EXPECT_EQ(other.host.closeRequests, 1) << "nothing more is taken in";
  EXPECT_TRUE(other.form->FormCloseQuery());
}

TEST_F(MainForm, TaskbarRestartWaitsForTheRunningEventPath) {
  Start();
  const Hwnd note = Foreign("Notepad", "n");
  Mark(note);
  Minimize(note);
  const std::size_t adds = w.tray.CountCalls(NIM_ADD);
  form->TaskbarCreated();
  WhileBusy([&] {
    w.timers.Advance(1000);
    EXPECT_EQ(w.tray.CountCalls(NIM_ADD), adds);
  });
  w.timers.Advance(1000);
  EXPECT_EQ(w.tray.CountCalls(NIM_ADD), adds + 1);
  EXPECT_FALSE(form->TimerExplorer.Enabled());
}

TEST_F(MainForm, ChoosingTheItemWithoutAClassKeyChangesNothing) {
  Start();
  const Hwnd dialog = Foreign("#32770", "Find");  // the library wrote no key
  Request(RQ_ADD_ITEM, dialog);
  Request(RQ_ITEM_CHOSEN, dialog);
  EXPECT_FALSE(TrayItemChecked(w.desktop, dialog));
  EXPECT_TRUE(List().Classes.empty());
}

// --- Request intake -------------------------------------------------------

TEST_F(MainForm, MinimizesThatArriveTogetherOrNestedAllGoToTheTray) {
  Start();
  Options().HandleExcel = 1;
  std::vector<Hwnd> windows;
  for (int i = 0; i < 20; ++i) windows.push_back(Foreign("EXCEL7", "book " + std::to_string(i)));
  // "Minimize all": every request arrives before the first hide is due, some
  // nested in the sends of others, some while another path is at work.
  w.desktop.onSend = [&](Hwnd target) {
    if (target == windows[0]) Request(RQ_MINIMIZING, windows[19]);
  };
  for (int i = 0; i < 19; ++i) {
    if (i % 5 == 4)
      WhileBusy([&] { Request(RQ_MINIMIZING, windows[static_cast<std::size_t>(i)]); });
    else
      Request(RQ_MINIMIZING, windows[static_cast<std::size_t>(i)]);
  }
  for (Hwnd wnd : windows) w.desktop.Window(wnd).iconic = true;
  w.timers.Advance(100);
  for (Hwnd wnd : windows) EXPECT_TRUE(Hidden(wnd));
  EXPECT_EQ(List().Count(), 20u);
  EXPECT_FALSE(form->RequestMissed);
  EXPECT_FALSE(form->TimerHide.Enabled());
}

TEST_F(MainForm, AWindowSlowToMinimizeHoldsUpNoOther) {
  Start();
  Options().HandleExcel = 1;
  const Hwnd slow = Foreign("EXCEL7", "slow"), quick = Foreign("EXCEL7", "quick");
  Request(RQ_MINIMIZING, slow);
  Request(RQ_MINIMIZING, quick);
  w.desktop.Window(quick).iconic = true;
  w.timers.Advance(100);
  EXPECT_TRUE(Hidden(quick));
  EXPECT_FALSE(Hidden(slow));
  EXPECT_EQ(form->PendingHides(), 1u);
  w.desktop.Window(slow).iconic = true;  // minimized at last
  w.timers.Advance(100);
  EXPECT_TRUE(Hidden(slow));
  EXPECT_FALSE(form->TimerHide.Enabled());
}

TEST_F(MainForm, OwnWindowsTheShellAndUnknownCodesAreLeftAlone) {
  Start();
  Options().HandleExcel = 1;
  const Hwnd own = w.desktop.AddWindow({.className = "EXCEL7", .pid = 1});
  const Hwnd taskbar = Foreign("Shell_TrayWnd");
  Mark(taskbar);
  Minimize(own);
  Minimize(taskbar);
  EXPECT_EQ(List().Count(), 0u);
  EXPECT_FALSE(Hidden(taskbar));
  for (std::uint32_t code : {45u, 54u, 55u, 58u}) Request(code, Foreign("X"));
  EXPECT_FALSE(form->Paths().Busy());
}

// --- Requests ---------------------------------------------------------------

TEST_F(MainForm, MarkedWindowGoesToTheTrayAfterTheHideTimer) {
  Start();
  const Hwnd note = Foreign("Notepad", "notes.txt");
  Mark(note);
  Request(RQ_MINIMIZING, note);
  w.desktop.Window(note).iconic = true;
  EXPECT_FALSE(Hidden(note));
  w.timers.Advance(99);
  EXPECT_FALSE(Hidden(note));
  w.timers.Advance(1);
  EXPECT_TRUE(Hidden(note));
  EXPECT_EQ(w.tray.Tip(TrayIdOf(note)), "notes.txt");
  const std::size_t adds = w.tray.CountCalls(NIM_ADD);
  Minimize(note);  // again while in the list: nothing changes
  EXPECT_EQ(w.tray.CountCalls(NIM_ADD), adds);
  EXPECT_EQ(List().Count(), 1u);
}

TEST_F(MainForm, ExcelWordAndPendingWindowsQualifyOnlyByTheirRules) {
  Start();
  const Hwnd excel = Foreign("EXCEL7"), word = Foreign("_WwB"), plain = Foreign("Plain");
  Minimize(excel);
  Minimize(word);
  Minimize(plain);
  EXPECT_EQ(List().Count(), 0u);
  Options().HandleExcel = 1;
  Options().HandleWord = 1;
  w.desktop.Window(excel).iconic = w.desktop.Window(word).iconic = false;
  Minimize(excel);
  Minimize(word);
  EXPECT_TRUE(Hidden(excel));
  EXPECT_TRUE(Hidden(word));
  Trigger(plain);
  EXPECT_TRUE(Hidden(plain));
}

// Marks decide by the window's key, with or without the item in its system menu; a window that
// opens goes to the tray by its mark's rule or a watch, once, and never an owned one or a dialog.
TEST_F(MainForm, MarksDecideByKeyAndOpeningWindowsFollowTheirRules) {
  Start();
  Options().UseMenuItem = 0;
  const Hwnd note = Foreign("Notepad"), calc = Foreign("Calc"), dialog = Foreign("#32770");
  const Hwnd owned = w.desktop.AddWindow({.className = "Calc", .owner = calc});
  const Hwnd other = w.desktop.AddWindow({.className = "Other", .pid = 77}), second = w.desktop.AddWindow({.pid = 77});
  List().AddClass("NOTEPAD");
  Minimize(note);
  List().SetRules("Calc", RuleHideOnOpen);
  List().WatchFirstWindow(w.desktop.Window(other).pid);
  for (Hwnd wnd : {calc, owned, dialog, other, second}) Request(RQ_OPENED, wnd);
  w.timers.Advance(100);
  for (Hwnd wnd : {note, calc, other}) EXPECT_TRUE(Hidden(wnd)) << w.desktop.Window(wnd).className;
  EXPECT_FALSE(List().FindEntry(owned) || Hidden(dialog) || Hidden(second));
  EXPECT_TRUE(Hidden(owned)) << "hidden by the system with its owner";
  // Stored with the mark, in a byte earlier versions never read.
  const auto& file = w.shell.files["C:\\Apps\\Velmora\\Velmora.vlm"];
  EXPECT_EQ(DecodeClassRecords(file), (std::vector<ClassRecord>{{"Calc", RuleHideOnOpen}, {"NOTEPAD", 0}}));
  EXPECT_EQ(DecodeClassFile(file), (std::vector<std::string>{"Calc", "NOTEPAD"}));
}

TEST_F(MainForm, UseMenuItemOffInsertsNothing) {
  Start();
  Options().UseMenuItem = 0;
  const Hwnd note = Foreign("Notepad");
  const auto before = w.desktop.MenuItems(note);
  Request(RQ_ADD_ITEM, note);
  Request(RQ_ACTIVATED, note);
  EXPECT_EQ(w.desktop.MenuItems(note), before);
}

TEST_F(MainForm, TrayItemIsInsertedBeforeCloseWithMinimizeWhenMissing) {
  Start();
  List().AddClass("NoMin");
  const Hwnd plain = Foreign("Plain");
  const Hwnd noMin = w.desktop.AddWindow({.className = "NoMin", .withMinimize = false});
  Request(RQ_ADD_ITEM, plain);
  Request(RQ_ADD_ITEM, noMin);
  auto items = w.desktop.MenuItems(noMin);
  ASSERT_GE(items.size(), 4u);
  const auto n = items.size();
  EXPECT_EQ(items[n - 1].id, SC_CLOSE);
  EXPECT_EQ(items[n - 2].id, IDM_TRAY_SEPARATOR);
  EXPECT_EQ(items[n - 3].id, IDM_TRAY_ITEM);
  EXPECT_EQ(items[n - 3].text, "Minimize To &Tray");
  EXPECT_TRUE(items[n - 3].flags & MF_CHECKED) << "its class is marked";
  EXPECT_EQ(items[n - 4].id, SC_MINIMIZE);
  EXPECT_EQ(items[n - 4].text, "Mi&nimize");
  EXPECT_EQ(TrayItemState(w.desktop, plain) & MF_CHECKED, 0u);
}

TEST_F(MainForm, ChoosingTheItemMarksAndUnmarksTheClass) {
  Start();
  const Hwnd a = Foreign("Notepad"), b = Foreign("Notepad", "two", true), c = Foreign("Notepad", "three", true);
  Request(RQ_ADD_ITEM, a);
  Request(RQ_ITEM_CHOSEN, a);
  EXPECT_TRUE(List().HasClass("notepad"));
  EXPECT_TRUE(TrayItemChecked(w.desktop, a));
  EXPECT_TRUE(TrayItemChecked(w.desktop, b)) << "every window of the class";
  EXPECT_TRUE(Hidden(b));
  EXPECT_TRUE(Hidden(c));
  EXPECT_EQ(List().Count(), 2u);
  Request(RQ_ITEM_CHOSEN, a);
  EXPECT_FALSE(List().HasClass("Notepad"));
  EXPECT_FALSE(TrayItemChecked(w.desktop, a));
  EXPECT_FALSE(Hidden(b));
  EXPECT_TRUE(w.desktop.Window(b).iconic) << "back on the taskbar, minimized";
  EXPECT_EQ(List().Count(), 0u);
  EXPECT_EQ(w.tray.Count(), 0u);
}

// A shared class is marked under the window's own program, whatever a request's
// payload or the block names; a window whose program cannot be read has no key.
TEST_F(MainForm, ASharedClassIsMarkedUnderItsWindowsOwnProgramWhateverARequestSays) {
  Start();
  const Hwnd dialog = w.desktop.AddWindow({.className = "#32770", .title = "Find", .program = "notepad.exe"});
  const Hwnd unread = Foreign("#32770", "Open");
  for (Hwnd wnd : {dialog, unread}) Mark(wnd);
  EXPECT_EQ(List().Classes, (std::vector<std::string>{"notepad.exe|#32770"}));
}

// Elevated, Velmora serves its level and medium, each from a pair of its own. A request is taken
// only with the secret of a block its sender could read, and never about a window above that level.
TEST_F(MainForm, ARequestActsOnlyOnWindowsAtOrBelowTheLevelWhoseBlockItsSenderCouldRead) {
  form->SetAboutForm(nullptr);
  form.reset();
  w.kernel.elevated = true;
  Start();
  const Hwnd admin = w.desktop.AddWindow({.className = "Console", .title = "Admin", .pid = 300});
  const Hwnd user = w.desktop.AddWindow({.className = "Console", .title = "User", .pid = 200});
  w.kernel.processLevels = {{300, LevelHigh}, {200, LevelMedium}, {100, LevelLow}};
  for (const char* name : {"LibOrvaneMemBlock", "LibOrvaneMemBlock.High"}) {
    const auto* block = reinterpret_cast<const TMemBlock*>(w.kernel.Space().Block(name));
    ASSERT_NE(block, nullptr) << name;
    EXPECT_EQ(block->MainWindow, TrayIdOf(host.handle)) << name;
    EXPECT_EQ(block->ButtonCode, 37u) << name;
  }
  EXPECT_EQ(w.kernel.Space().BlockAsReadAt("LibOrvaneMemBlock.High", LevelMedium), nullptr) << "no read up";
  EXPECT_NE(w.kernel.Space().Block("LibOrvaneMarks.High"), nullptr);
  Request(RQ_MINIMIZING, admin, RequestFromTrigger, 0, LevelMedium);     // a normal program names an elevated one
  Request(RQ_MINIMIZING, user, RequestFromTrigger, 0, LevelLow);         // a sandboxed one finds no block
  form->WMCopyData(RQ_MINIMIZING, user.value);                           // nor a payload
  TRequestPayload forged{0, RequestFromTrigger, {}};                     // nor a secret
  form->WMCopyData(RQ_MINIMIZING, user.value, &forged, sizeof forged);
  Settle();
  EXPECT_EQ(List().Count(), 0u);
  Request(RQ_MINIMIZING, admin, RequestFromTrigger, 0, LevelHigh);
  Request(RQ_MINIMIZING, user, RequestFromTrigger, 0, LevelMedium);
  w.timers.Advance(100);
  EXPECT_TRUE(List().FindEntry(admin) && List().FindEntry(user));
}

TEST_F(MainForm, ActivatedWindowLeavesTheListOnlyWhenNoLongerMinimized) {
  Start();
  const Hwnd note = Foreign("Notepad");
  Mark(note);
  Minimize(note);
  Request(RQ_ACTIVATED, note);
  EXPECT_TRUE(List().FindEntry(note)) << "still minimized";
  w.desktop.Window(note).iconic = false;
  w.desktop.Window(note).visible = true;
  Request(RQ_ACTIVATED, note);
  EXPECT_FALSE(List().FindEntry(note));
  EXPECT_FALSE(w.tray.Has(TrayIdOf(note)));
}

TEST_F(MainForm, ActivatedOutlookHiddenWindowActsOnItsBrowser) {
  Start();
  const Hwnd browser = Foreign("Outlook Express Browser Class", "Inbox");
  const Hwnd hiddenOne = Foreign("OutlookExpressHiddenWindow");
  Mark(browser);
  Minimize(browser);
  w.desktop.Window(browser).iconic = false;
  Request(RQ_ACTIVATED, hiddenOne);
  EXPECT_FALSE(List().FindEntry(browser));
}

TEST_F(MainForm, DestroyedWindowLeavesListAndApplicationLink) {
  Start();
  const Hwnd app = Foreign("TApplication", "App");
  const Hwnd form1 = w.desktop.AddWindow({.className = "TForm1", .owner = app});
  Request(RQ_APP_WINDOW, app, 0, TrayIdOf(form1));
  Request(RQ_APP_FORM, form1, 0, TrayIdOf(app));
  EXPECT_EQ(List().GetAppWindow(app, false), form1);
  EXPECT_EQ(List().GetAppClass(app), "TForm1");
  EXPECT_TRUE(TrayItemState(w.desktop, app) != MENU_ITEM_MISSING);
  Request(RQ_DESTROYED, form1);
  EXPECT_EQ(List().GetAppWindow(app, false), Hwnd{});
  Request(RQ_DESTROYED, app);
  EXPECT_FALSE(List().HasApp(app));
}

TEST_F(MainForm, ApplicationItemIsToggledUnderTheFormClassAndSynced) {
  Start();
  const Hwnd app = Foreign("TApplication", "App");
  const Hwnd main = w.desktop.AddWindow({.className = "TMainForm", .owner = app});
  Request(RQ_APP_WINDOW, app, 0, TrayIdOf(main));
  Request(RQ_APP_FORM, main, 0, TrayIdOf(app));
  Request(RQ_ITEM_CHOSEN, main);  // chosen in the form's menu: acts on the application
  EXPECT_TRUE(List().HasClass("TMainForm"));
  EXPECT_TRUE(TrayItemChecked(w.desktop, app));
  EXPECT_TRUE(TrayItemChecked(w.desktop, main)) << "the form's item follows the application's";
}

TEST_F(MainForm, ShellRestartAndTaskbarCreatedReaddIconsAfterASecond) {
  Start();
  const Hwnd note = Foreign("Notepad", "n");
  Mark(note);
  Minimize(note);
  const std::size_t adds = w.tray.CountCalls(NIM_ADD);
  Request(RQ_SHELL_RESTART, Hwnd{});
  w.timers.Advance(999);
  EXPECT_EQ(w.tray.CountCalls(NIM_ADD), adds);
  w.timers.Advance(1);
  EXPECT_EQ(w.tray.CountCalls(NIM_ADD), adds + 1);
  w.painter.loads.clear();
  form->TaskbarCreated();  // also for a new DPI: the icons at the tray's new size
  w.timers.Advance(1000);
  EXPECT_EQ(w.tray.CountCalls(NIM_ADD), adds + 2);
  EXPECT_EQ(w.painter.loads.size(), 11u);
  EXPECT_FALSE(form->TimerExplorer.Enabled());
}

TEST_F(MainForm, LaterStartClosesOnlyWhileTheUninstallerIsOpen) {
  Start();
  bool exists = false;
  form->SetMainMutex(KernelObject(w.kernel, w.kernel.CreateMutex("VelmoraMutex", true, exists)));
  form->WMCopyData(RQ_INSTANCE, 0);
  EXPECT_EQ(host.closeRequests, 0);
  EXPECT_FALSE(form->Paths().Busy());
  w.desktop.AddWindow({.className = "ZURUUninstall", .title = "Select Uninstall Method"});
  form->WMCopyData(RQ_INSTANCE, 0);
  EXPECT_EQ(host.closeRequests, 1);
  EXPECT_FALSE(form->MainMutex);
}

TEST_F(MainForm, CloseMinimizedPostsCloseToEveryMinimizedWindowWithoutAsking) {
  Start();
  const Hwnd a = Foreign("A", "a", true), b = Foreign("B", "b"), hidden = Foreign("Notepad", "c");
  Mark(hidden);
  Minimize(hidden);
  w.desktop.posted.clear();
  Request(RQ_CLOSE_MINIMIZED, Hwnd{});
  std::vector<Hwnd> closed;
  for (const auto& p : w.desktop.posted)
    if (p.msg == WM_CLOSE) closed.push_back(p.wnd);
  EXPECT_NE(std::find(closed.begin(), closed.end(), a), closed.end());
  EXPECT_NE(std::find(closed.begin(), closed.end(), hidden), closed.end());
  EXPECT_EQ(std::find(closed.begin(), closed.end(), b), closed.end());
  EXPECT_TRUE(w.dialogs.boxes.empty());
  w.kernel.elevated = true;  // reached from lower levels, sandboxes too: the user is asked
  w.dialogs.answers = {IDNO};
  Request(RQ_CLOSE_MINIMIZED, Hwnd{});
  EXPECT_EQ(w.dialogs.boxes.size(), 1u);
  EXPECT_EQ(w.desktop.posted.size(), closed.size());
}

TEST_F(MainForm, WaitingRequestsMergeSoThatNoFloodCrowdsOutTheUser) {
  Start();
  const Hwnd a = Foreign("Calc", "a"), b = Foreign("Notepad", "b");
  Request(RQ_ADD_ITEM, a), Request(RQ_ADD_ITEM, b);
  WhileBusy([&] {
    for (std::uint64_t i = 0; i < 20000; ++i) Request(RQ_ACTIVATED, Hwnd{0x100000 + 16 * (i % 5000)});
    EXPECT_EQ(form->Paths().Deferred(), EventPaths::MaxDeferredRequests) << "merged, then cut off";
    Click(0, WM_LBUTTONUP);
    for (Hwnd chosen : {a, a, b}) Request(RQ_ITEM_CHOSEN, chosen);
  });
  EXPECT_EQ(w.menus.shown.size(), 1u) << "the click is never refused";
  EXPECT_FALSE(List().HasClass("Calc")) << "two choices are two, never merged into one";
  EXPECT_TRUE(List().HasClass("Notepad")) << "a choice is never refused";
  Request(RQ_ACTIVATED, Hwnd{0x80001234});  // zero-extended by a 32-bit library: widened as the system does
  EXPECT_EQ(form->CurrentWindow, Hwnd{0xFFFFFFFF80001234});
}

// --- Hide timer and sweep -------------------------------------------------

TEST_F(MainForm, BrowserFrameOnlyLosesItsTaskbarButton) {
  Start();
  const Hwnd ie = Foreign("IEFrame", "Home");
  Mark(ie);
  Minimize(ie);
  EXPECT_FALSE(Hidden(ie));
  EXPECT_TRUE(w.LogHas("DeleteTaskbarTab " + fake::Hex(ie.value)));
  w.shell.deleteTabResult = false;
  const Hwnd ie2 = Foreign("IEFrame", "Other");
  Request(RQ_ADD_ITEM, ie2);
  Minimize(ie2);
  EXPECT_TRUE(Hidden(ie2)) << "falls back to hiding";
}

TEST_F(MainForm, HideTimerNeverHidesAWindowTheListNoLongerHolds) {
  Start();
  const Hwnd note = Foreign("Notepad", "n");
  Mark(note);
  Request(RQ_MINIMIZING, note);
  w.desktop.Window(note).iconic = true;
  Click(TrayIdOf(note), WM_LBUTTONUP);  // the user clicks the icon within 100 ms
  w.timers.Advance(100);
  EXPECT_FALSE(Hidden(note));
  const Hwnd stubborn = Foreign("Notepad", "refuses to minimize");
  Request(RQ_MINIMIZING, stubborn);
  w.timers.Advance(2100);
  EXPECT_FALSE(Hidden(stubborn));
  EXPECT_FALSE(List().FindEntry(stubborn));
}

TEST_F(MainForm, SweepHidesMarkedAndConsoleWindowsAndStepsBackWhenBusy) {
  Start();
  const Hwnd note = Foreign("Notepad");
  Mark(note);
  w.desktop.Window(note).iconic = true;  // minimized without a report
  const Hwnd console = Foreign("ConsoleWindowClass", "cmd", true), wine = Foreign("WineConsoleClass", "wineconsole", true);
  w.timers.Advance(5000);
  EXPECT_TRUE(Hidden(note));
  EXPECT_FALSE(Hidden(console));
  Options().HandleConsole = 1;
  WhileBusy([&] {
    w.timers.Advance(5000);
    EXPECT_FALSE(Hidden(console));
    EXPECT_EQ(form->TimerOthers.Interval(), 1000u);
  });
  w.timers.Advance(1000);
  EXPECT_TRUE(Hidden(console) && Hidden(wine));
  EXPECT_EQ(form->TimerOthers.Interval(), 5000u);
}

TEST_F(MainForm, SessionEndRestoresEveryWindowBeforeProgramsClose) {
  Start();
  const Hwnd note = Foreign("Notepad");
  Mark(note);
  Minimize(note);
  EXPECT_TRUE(form->QueryEndSession());
  EXPECT_FALSE(Hidden(note));
  EXPECT_EQ(w.tray.Count(), 0u);
  form->EndSession(true);
  EXPECT_TRUE(form->Closed());
  EXPECT_FALSE(w.kernel.hooked);
  EXPECT_EQ(host.closeRequests, 0) << "the session's end ends the process";
  form->EndSession(true, true);
  EXPECT_EQ(host.closeRequests, 1) << "the Restart Manager's close: the process ends of itself";
}

TEST_F(MainForm, UserCloseWindowAsksWhenConfirming) {
  Start();
  const Hwnd note = Foreign("Notepad", "todo.txt");
  w.dialogs.answers = {IDNO};
  form->UserCloseWindow(note, true);
  ASSERT_EQ(w.dialogs.boxes.size(), 1u);
  EXPECT_EQ(w.dialogs.boxes[0].text, "以下应用程序将被关闭:\rtodo.txt\r确定要关闭吗？");
  EXPECT_EQ(w.dialogs.boxes[0].caption, "Velmora 4.6.3");
  EXPECT_EQ(w.dialogs.boxes[0].type, MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL | MB_DEFBUTTON2) << "\"No\" is the default";
  EXPECT_TRUE(w.desktop.posted.empty());
  form->UserCloseWindow(note, false);
  ASSERT_EQ(w.desktop.posted.size(), 1u);
  EXPECT_EQ(w.desktop.posted[0].msg, WM_SYSCOMMAND);
  EXPECT_EQ(w.desktop.posted[0].wParam, SC_CLOSE);
  w.desktop.Destroy(note);
  form->UserCloseWindow(note, true);
  EXPECT_EQ(w.dialogs.boxes.size(), 1u);
}


// --- Windows a killed Velmora left behind ------------------------------------

TEST_F(MainForm, MarkedHiddenWindowsAreAdoptedAtStartRepairedBySweepAndBackAtExit) {
  // What a killed Velmora leaves: hidden windows with its mark, one browser
  // frame that lost only its taskbar button, one mark on a window since shown.
  std::vector<Hwnd> left;
  for (const char* cls : {"EXCEL7", "Notepad", "Notepad", "Calc"}) {
    left.push_back(w.desktop.AddWindow({.className = cls, .title = cls, .iconic = true, .visible = false}));
    w.desktop.SetProp(left.back(), HeldMarkName, 1);
  }
  left.push_back(w.desktop.AddWindow({.className = "IEFrame", .title = "ie", .iconic = true}));
  w.desktop.SetProp(left.back(), HeldMarkName, 2);
  w.desktop.Window(left.back()).tabDeleted = true;
  const Hwnd shown = Foreign("Notepad", "shown since");
  // Shown again by its program, still minimized, while no Velmora ran: left to the user once it answers.
  const Hwnd back = Foreign("Other", "back on the taskbar", true);
  for (Hwnd wnd : {shown, back}) w.desktop.SetProp(wnd, HeldMarkName, 1);
  w.tray.failAddIds = {TrayIdOf(left[3])};  // no icon, no hiding
  Start();
  Settle();
  EXPECT_TRUE(!List().FindEntry(back) && w.desktop.HasButton(back) && !w.desktop.GetProp(back, HeldMarkName));
  EXPECT_TRUE(w.desktop.HasButton(left[3]) && !w.desktop.GetProp(left[3], HeldMarkName));
  left.erase(left.begin() + 3);
  EXPECT_EQ(List().Count(), 4u);
  for (Hwnd wnd : left) EXPECT_TRUE(w.tray.Has(TrayIdOf(wnd)));
  EXPECT_EQ(w.desktop.GetProp(shown, HeldMarkName), 0u) << "a stale mark goes";
  // A report of a window that did not go away loses it from the list; the sweep takes it back.
  Request(RQ_DESTROYED, left[1]);
  EXPECT_FALSE(List().FindEntry(left[1]));
  w.timers.Advance(5000);
  EXPECT_TRUE(List().FindEntry(left[1]));
  List().AddClass("Notepad");
  form.reset();
  Settle();
  for (Hwnd wnd : left) EXPECT_TRUE(w.desktop.HasButton(wnd));
  // Minimized while Velmora is away, a window of a marked class goes to the tray at the next start,
  // as soon as its program has answered; the others stay.
  w.desktop.Window(left[1]).iconic = true;
  Start();
  Settle();
  EXPECT_TRUE(List().FindEntry(left[1]) && Hidden(left[1]));
  EXPECT_EQ(List().Count(), 1u);
  for (Hwnd wnd : {left[0], left[2], left[3]}) EXPECT_EQ(w.desktop.GetProp(wnd, HeldMarkName), 0u);
}

TEST(MessageFilter, LowerLevelsAreLetInOnlyWhenElevated) {
  EXPECT_TRUE(MessagesFromLowerLevels(false, 0xC0DE).empty()) << "a sandboxed process cannot reach Velmora";
  EXPECT_EQ(MessagesFromLowerLevels(true, 0xC0DE), (std::vector<std::uint32_t>{WM_COPYDATA, WindowChangedMessage, 0xC0DE}));
}

}  // namespace
}  // namespace velmora
