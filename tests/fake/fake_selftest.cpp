// The fake's own rules that tests of the logic silently rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FakeWorld.h"
#include "platform/WinConst.h"

namespace velmora::fake {
namespace {

using namespace velmora::win;

TEST(FakeTimersTest, FiresInDueOrderAtDueTimesAndRearms) {
  FakeTimers t;
  std::vector<std::string> seen;
  // Ids out of arming order, so that ties cannot fall to id order by chance.
  t.SetTimer(9, 300, [&] { seen.push_back("a@" + std::to_string(t.TickCount() - FakeTimers::StartTime)); });
  t.SetTimer(2, 100, [&] { seen.push_back("b@" + std::to_string(t.TickCount() - FakeTimers::StartTime)); });
  t.SetTimer(1, 300, [&] { seen.push_back("c@" + std::to_string(t.TickCount() - FakeTimers::StartTime)); });
  t.Advance(299);
  EXPECT_EQ(seen, (std::vector<std::string>{"b@100", "b@200"}));
  t.Advance(1);
  EXPECT_EQ(seen, (std::vector<std::string>{"b@100", "b@200", "a@300", "b@300", "c@300"}));
  EXPECT_EQ(t.TickCount(), FakeTimers::StartTime + 300);
  EXPECT_EQ(t.DueAt(9), FakeTimers::StartTime + 600);
}

TEST(FakeTimersTest, CallbacksMayKillAndRearmTimersIncludingThemselves) {
  FakeTimers t;
  int once = 0, other = 0, stretched = 0;
  t.SetTimer(1, 100, [&] {
    ++once;
    t.KillTimer(1);
    t.SetTimer(2, 50, [&] { ++other; });
  });
  t.SetTimer(3, 100, [&] {
    ++stretched;
    t.SetTimer(3, 500, [&] { ++stretched; });
  });
  t.Advance(1000);
  EXPECT_EQ(once, 1);
  EXPECT_FALSE(t.IsRunning(1));
  EXPECT_EQ(other, 18);  // due at 150, 200, ..., 1000
  EXPECT_EQ(stretched, 2);  // at 100, then at 600
  EXPECT_EQ(t.IntervalOf(3), 500u);
  EXPECT_EQ(t.RunningCount(), 2u);
}

TEST(FakeTimersTest, ZeroIntervalCannotSpinAndNestedAdvanceIsRefused) {
  FakeTimers t;
  int ticks = 0;
  t.SetTimer(1, 0, [&] { ++ticks; });
  t.Advance(100);
  EXPECT_EQ(ticks, 10);
  t.SetTimer(2, 10, [&] { t.Advance(5); });
  EXPECT_THROW(t.Advance(10), std::logic_error);
  t.KillTimer(2);
  t.Advance(10);  // usable again
  EXPECT_EQ(ticks, 12);
}

TEST(FakeDesktopTest, EnumWindowsVisitsTopLevelNewestFirstOverASnapshot) {
  FakeDesktop d;
  Hwnd a = d.AddWindow({.className = "A"});
  Hwnd b = d.AddWindow({.className = "B"});
  d.AddWindow({.className = "Child", .parent = b});
  Hwnd c = d.AddWindow({.className = "C"});
  EXPECT_EQ(a.value, 0x10010u);
  EXPECT_EQ(b.value, 0x10020u);

  std::vector<Hwnd> seen;
  d.EnumWindows([&](Hwnd h) {
    seen.push_back(h);
    if (h == c) {
      d.Destroy(b);
      d.AddWindow({.className = "Late"});
    }
    return true;
  });
  EXPECT_EQ(seen, (std::vector<Hwnd>{c, a}));

  seen.clear();
  d.EnumWindows([&](Hwnd h) {
    seen.push_back(h);
    return false;
  });
  EXPECT_EQ(seen.size(), 1u);
}

TEST(FakeDesktopTest, DestroyedWindowsFailHarmlesslyAndTakeOwnedOnesAlong) {
  FakeDesktop d;
  Hwnd app = d.AddWindow({.className = "TApplication", .title = "App"});
  Hwnd form = d.AddWindow({.className = "TForm1", .owner = app, .style = WS_POPUP});
  EXPECT_EQ(d.GetWindow(form, GW_OWNER), app);
  EXPECT_EQ(d.GetParent(form), app);  // a popup's GetParent is its owner
  Hmenu menu = d.GetSystemMenu(form, false);
  d.Destroy(app);
  EXPECT_FALSE(d.IsWindow(form));
  EXPECT_EQ(d.GetClassName(app), "");
  EXPECT_EQ(d.SendMessage(app, WM_GETICON, 0, 0), 0);
  EXPECT_FALSE(d.ShowWindow(app, SW_SHOW));
  EXPECT_FALSE(d.IsMenu(menu));
  EXPECT_EQ(d.GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), MENU_ITEM_MISSING);
  EXPECT_EQ(d.FindWindow("TApplication", "App"), Hwnd{});
  EXPECT_EQ(d.Window(app).className, "TApplication");  // still inspectable
}

TEST(FakeDesktopTest, ShowCommandsAndIconQueriesAnswerAsUser32) {
  FakeWorld world;
  FakeDesktop& d = world.desktop;
  Hwnd w = d.AddWindow({.className = "LongClassName", .getIcon = Hicon{0x42}, .classSmallIcon = Hicon{0x43}});
  EXPECT_TRUE(d.ShowWindow(w, SW_HIDE));  // it was visible
  EXPECT_FALSE(d.ShowWindow(w, SW_SHOWMINNOACTIVE));
  EXPECT_TRUE(d.IsIconic(w) && d.IsWindowVisible(w));
  d.ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(d.IsIconic(w));
  d.SendMessage(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(d.IsIconic(w));
  EXPECT_EQ(d.shows, (std::vector<std::pair<Hwnd, int>>{{w, SW_HIDE}, {w, SW_SHOWMINNOACTIVE}, {w, SW_RESTORE}}));
  EXPECT_EQ(world.LogIndex("ShowWindow 0x10010 0"), 0u);

  EXPECT_EQ(d.GetClassName(w, 5), "Long");
  EXPECT_EQ(d.SendMessage(w, WM_QUERYDRAGICON, 0, 0), 0);
  EXPECT_EQ(d.SendMessage(w, WM_GETICON, 0, 1), 0x42);
  EXPECT_EQ(d.SendMessage(w, WM_CHILDACTIVATE, 0, 0), 0);
  EXPECT_EQ(d.GetClassWord(w, GCL_HICONSM), 0u);  // as on 64-bit Windows
  EXPECT_EQ(d.GetClassLong(w, GCL_HICONSM), 0x43u);
}

TEST(FakeDesktopTest, SystemMenuCommandsFollowUser32) {
  FakeDesktop d;
  Hwnd w = d.AddWindow({.className = "W", .withMinimize = false});
  Hmenu m = d.GetSystemMenu(w, false);
  ASSERT_TRUE(d.IsMenu(m));
  EXPECT_EQ(d.GetMenuState(m, SC_MINIMIZE, MF_BYCOMMAND), MENU_ITEM_MISSING);
  EXPECT_TRUE(d.InsertMenu(m, SC_CLOSE, MF_BYCOMMAND | MF_CHECKED, 0xFE00, "Tray"));
  EXPECT_TRUE(d.InsertMenu(m, SC_CLOSE, MF_SEPARATOR, 0xFE01, ""));
  EXPECT_FALSE(d.InsertMenu(m, 0x1234, MF_BYCOMMAND, 0xFE02, "nowhere"));
  EXPECT_EQ(d.GetMenuState(m, 0xFE00, MF_BYCOMMAND), MF_CHECKED);
  EXPECT_EQ(d.GetMenuState(m, 0xFE01, MF_BYCOMMAND), MF_SEPARATOR);
  EXPECT_EQ(d.CheckMenuItem(m, 0xFE00, MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(d.CheckMenuItem(m, 0xFE00, MF_UNCHECKED), MF_UNCHECKED);
  EXPECT_EQ(d.CheckMenuItem(m, 0xBEEF, MF_CHECKED), MENU_ITEM_MISSING);
  std::vector<MenuItem> items = d.MenuItems(w);
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[3], (MenuItem{0xFE00, 0, "Tray"}));
  EXPECT_EQ(items[4].id, 0xFE01u);
  EXPECT_EQ(items[5].id, SC_CLOSE);
  EXPECT_TRUE(d.DeleteMenu(m, 0xFE00, MF_BYCOMMAND));
  EXPECT_FALSE(d.DeleteMenu(m, 0xFE00, MF_BYCOMMAND));
  EXPECT_EQ(d.GetSystemMenu(w, true), Hmenu{});
  EXPECT_EQ(d.MenuItems(m).size(), 4u);
  EXPECT_EQ(d.GetSystemMenu(d.AddWindow({.hasSystemMenu = false}), false), Hmenu{});
}

TEST(FakeDesktopTest, ForegroundLockYieldsToAttachedInputOrAProgramAllowedToRestoreItself) {
  FakeDesktop d;
  Hwnd front = d.AddWindow({.className = "Front", .tid = 300});
  Hwnd w = d.AddWindow({.className = "W", .pid = 7, .tid = 400, .iconic = true});
  d.Activate(front);
  d.foregroundLocked = true;
  d.SendNotifyMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
  d.Pump(w);
  EXPECT_EQ(d.GetForegroundWindow(), front) << "not allowed";
  EXPECT_FALSE(d.SetForegroundWindow(w));

  EXPECT_FALSE(d.AttachThreadInput(400, 400, true));
  ASSERT_TRUE(d.AttachThreadInput(400, 300, true));
  EXPECT_TRUE(d.SetForegroundWindow(w));
  EXPECT_TRUE(d.AttachThreadInput(400, 300, false));
  EXPECT_FALSE(d.AttachThreadInput(400, 300, false));

  d.Activate(front);
  d.Window(w).iconic = true;
  EXPECT_FALSE(d.AllowSetForegroundWindow(7)) << "passed on a right it does not have";
  d.lastInputOurs = true;
  EXPECT_TRUE(d.AllowSetForegroundWindow(7));
  d.ShowWindowAsync(w, SW_RESTORE);
  d.Pump(w);
  EXPECT_EQ(d.GetForegroundWindow(), w);
  EXPECT_EQ(d.TopLevelWindows().front(), w);
  EXPECT_EQ(d.focusLost, 0u);
}

TEST(FakeDesktopTest, HungWindowsAnswerNothingButCountTheAttempt) {
  FakeDesktop d;
  Hwnd w = d.AddWindow({.title = "Busy", .iconic = true, .dragIcon = Hicon{77}, .hung = true});
  EXPECT_EQ(d.GetWindowText(w), "Busy") << "the system's copy of the title";
  EXPECT_EQ(d.SendMessage(w, WM_QUERYDRAGICON, 0, 0), 0);
  d.SendMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(d.IsIconic(w));
  EXPECT_FALSE(d.SendCopyData(w, 46, 1));
  EXPECT_EQ(d.hungSends, 3u);
  d.ShowWindow(w, SW_HIDE);
  EXPECT_EQ(d.blockingCalls, 1u);
  d.ShowWindowAsync(w, SW_RESTORE);
  EXPECT_EQ(d.blockingCalls, 1u) << "the asynchronous call never waits";
  EXPECT_TRUE(d.IsIconic(w)) << "restored once it answers";
  d.SetForegroundWindow(w);
  EXPECT_EQ(d.focusLost, 1u) << "activated while minimized";
  d.AttachThreadInput(1, d.Window(w).tid, true);
  d.SendMessage(Hwnd{FakeDesktop::BroadcastWindow}, 0x1A /* WM_SETTINGCHANGE */, 0, 0);
  EXPECT_EQ(d.blockingCalls, 3u) << "joined input and a broadcast wait for it";
  EXPECT_EQ(d.Window(w).sendCount, 4u);
  EXPECT_TRUE(d.IsHungAppWindow(w));
  d.ShowWindowAsync(w, SW_HIDE);
  d.PostMessage(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(d.IsWindowVisible(w)) << "queued until it answers";
  d.SetHung(w, false);
  EXPECT_TRUE(d.IsIconic(w) && d.IsWindowVisible(w)) << "restored, hidden, then minimized: in the order they came";
  EXPECT_EQ(d.SendMessage(w, WM_QUERYDRAGICON, 0, 0), 77);
  d.SendMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(d.IsIconic(w));
}

TEST(FakeDesktopTest, OnSendRunsBeforeTheAnswerAndDoesNotNest) {
  FakeDesktop d;
  Hwnd w = d.AddWindow({.title = "Old"});
  Hwnd other = d.AddWindow({.title = "Other"});
  int calls = 0;
  d.onSend = [&](Hwnd target) {
    ++calls;
    d.SetTitle(target, "New");
    EXPECT_EQ(d.GetWindowText(other), "Other");  // a send inside the nested request
  };
  EXPECT_EQ(d.GetWindowText(w), "New");
  EXPECT_EQ(calls, 1);
  d.onSend = [&](Hwnd target) { d.Destroy(target); };
  EXPECT_EQ(d.GetWindowText(w), "");
  EXPECT_FALSE(d.SendCopyData(other, 46, 0));
}

TEST(FakeDesktopTest, PostedCloseDestroysOnlyWindowsThatAgree) {
  FakeDesktop d;
  Hwnd agrees = d.AddWindow({.closesOnClose = true});
  Hwnd stubborn = d.AddWindow({});
  Hwnd viaMenu = d.AddWindow({.closesOnClose = true});
  EXPECT_TRUE(d.PostMessage(agrees, WM_CLOSE, 0, 0));
  EXPECT_TRUE(d.PostMessage(stubborn, WM_CLOSE, 0, 0));
  EXPECT_TRUE(d.PostMessage(viaMenu, WM_SYSCOMMAND, SC_CLOSE, 0));
  d.PumpAll();
  EXPECT_FALSE(d.IsWindow(agrees));
  EXPECT_TRUE(d.IsWindow(stubborn));
  EXPECT_FALSE(d.IsWindow(viaMenu));
  EXPECT_FALSE(d.PostMessage(agrees, WM_CLOSE, 0, 0));
  EXPECT_EQ(d.posted.size(), 4u);
}

// Another program takes what Velmora queued when it next takes its messages,
// sent ones first; a send to it first runs what was sent before. DefWindowProc
// hides an active window's dialogs as it minimizes and ignores system commands
// to a disabled window.
TEST(FakeDesktopTest, CallsToAnotherProgramWaitForItsThreadAndDialogsFollowTheirOwner) {
  FakeDesktop d;
  const Hwnd own = d.CreateUtilityWindow("Own", [](std::uint32_t, std::uintptr_t, std::intptr_t) { return std::nullopt; });
  const Hwnd w = d.AddWindow({.className = "W", .pid = 7, .tid = 70});
  const Hwnd dialog = d.AddWindow({.className = "#32770", .owner = w, .pid = 7, .tid = 70});
  d.Activate(w);
  d.PostMessage(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  d.ShowWindowAsync(w, SW_HIDE);
  d.NotifyWhenAnswered(w, own, 5);
  d.SendMessage(w, WM_QUERYDRAGICON, 0, 0);
  EXPECT_TRUE(!d.IsWindowVisible(w) && !d.IsIconic(w) && d.Waits(w)) << "what was sent ran, the post waits";
  EXPECT_EQ(d.posted.back().msg, AnsweredMessage);
  d.ShowWindowAsync(w, SW_SHOWNA);
  d.Pump(w);
  EXPECT_TRUE(d.IsIconic(w) && !d.IsWindowVisible(dialog) && !d.Waits(w));
  d.Window(w).enabled = false;
  d.PostMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
  d.Pump(w);
  EXPECT_TRUE(d.IsIconic(w));
}

TEST(FakeDesktopTest, UtilityWindowsGetCopyDataAndMayDestroyThemselves) {
  FakeDesktop d;
  std::vector<std::pair<std::uintptr_t, std::uintptr_t>> requests;
  Hwnd main{};
  main = d.CreateUtilityWindow("TFOrvane", [&](std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam)
                                              -> std::optional<std::intptr_t> {
    if (msg != WM_COPYDATA) return std::nullopt;
    const auto* cds = reinterpret_cast<const CopyDataStruct*>(lParam);
    if (wParam == 56) d.DestroyWindow(main);
    requests.emplace_back(wParam, cds->dwData);  // the captures must outlive the window
    return 0;
  });
  EXPECT_EQ(d.GetWindowProcessId(main), d.GetCurrentProcessId());
  EXPECT_FALSE(d.IsWindowVisible(main));
  d.SetTitle(main, "Velmora 4.6.3");
  EXPECT_EQ(d.FindWindow("TFOrvane", "Velmora 4.6.3"), main);
  EXPECT_EQ(d.FindWindow("TFOrvane", ""), Hwnd{});
  EXPECT_EQ(d.DeliverCopyData(main, 46, 0x10020), 0);
  EXPECT_TRUE(d.SendCopyData(main, 56, 0));
  EXPECT_FALSE(d.IsWindow(main));
  EXPECT_EQ(requests, (std::vector<std::pair<std::uintptr_t, std::uintptr_t>>{{46, 0x10020}, {56, 0}}));
  EXPECT_EQ(d.Deliver(main, WM_COPYDATA, 46, 0), std::nullopt);

  Hwnd foreign = d.AddWindow({});
  d.DestroyWindow(foreign);  // not Velmora's to destroy
  EXPECT_TRUE(d.IsWindow(foreign));
}

NotifyIconData Icon(std::uint32_t id, std::uint32_t flags, const char* tip = "") {
  NotifyIconData n;
  n.hWnd = Hwnd{0x10010};
  n.uID = id;
  n.uFlags = flags;
  n.uCallbackMessage = 0x401;
  n.hIcon = Hicon{5};
  std::strncpy(n.szTip.data(), tip, n.szTip.size() - 1);
  return n;
}

TEST(FakeTrayTest, KeepsIconsByTheShellsRules) {
  FakeTray t;
  t.failAddIds.insert(7);
  EXPECT_FALSE(t.Shell_NotifyIcon(NIM_MODIFY, Icon(1, NIF_TIP, "x")));
  EXPECT_TRUE(t.Shell_NotifyIcon(NIM_ADD, Icon(1, NIF_MESSAGE | NIF_ICON | NIF_TIP, "first")));
  EXPECT_FALSE(t.Shell_NotifyIcon(NIM_ADD, Icon(1, NIF_TIP, "again")));
  EXPECT_FALSE(t.Shell_NotifyIcon(NIM_ADD, Icon(7, NIF_TIP)));
  NotifyIconData badSize = Icon(2, NIF_TIP);
  badSize.cbSize = 508;
  EXPECT_FALSE(t.Shell_NotifyIcon(NIM_ADD, badSize));
  NotifyIconData tipOnly = Icon(1, NIF_TIP, "second");
  tipOnly.hIcon = Hicon{9};
  EXPECT_TRUE(t.Shell_NotifyIcon(NIM_MODIFY, tipOnly));
  EXPECT_EQ(t.Tip(1), "second");
  EXPECT_EQ(t.Icon(1)->hIcon, Hicon{5});  // NIF_ICON not given
  EXPECT_EQ(t.Count(), 1u);
  EXPECT_TRUE(t.Shell_NotifyIcon(NIM_DELETE, Icon(1, 0)));
  EXPECT_FALSE(t.Shell_NotifyIcon(NIM_DELETE, Icon(1, 0)));
  EXPECT_FALSE(t.Has(1));
  EXPECT_EQ(t.CountCalls(NIM_ADD), 4u);
}

TEST(FakeKernelTest, NamedObjectsAreSharedBetweenProcessesOfOneSpace) {
  FakeKernelSpace space;
  FakeKernel first(space), second(space);
  bool exists = true;
  KernelHandle m1 = first.CreateMutex("VelmoraMutex", false, exists);
  EXPECT_FALSE(exists);
  KernelHandle m2 = second.CreateMutex("VelmoraMutex", false, exists);
  EXPECT_TRUE(exists);
  first.CloseHandle(m1);
  EXPECT_TRUE(second.MutexExists("VelmoraMutex"));
  second.CloseHandle(m2);
  second.CloseHandle(m2);
  EXPECT_EQ(second.badCloses, 1u);
  EXPECT_FALSE(first.MutexExists("VelmoraMutex"));

  KernelHandle e1 = first.CreateEvent("Ready");
  KernelHandle e2 = second.CreateEvent("Ready");
  EXPECT_FALSE(second.WaitForSingleObject(e2, 0));
  EXPECT_FALSE(second.SetEvent(e1));  // not second's handle
  EXPECT_TRUE(first.SetEvent(e1));
  EXPECT_TRUE(second.WaitForSingleObject(e2, 0));

  first.CreateMutex("VelmoraMutexInstall", false, exists);
  first.EndProcess();
  EXPECT_EQ(first.OpenHandles(), 0u);
  EXPECT_FALSE(second.MutexExists("VelmoraMutexInstall"));
  EXPECT_TRUE(space.EventExists("Ready"));
}

TEST(FakeKernelTest, SharedBlockIsZeroedSharedAndGoneWithItsLastView) {
  FakeKernelSpace space;
  FakeKernel velmora(space), hook(space);
  auto* a = static_cast<std::uint32_t*>(velmora.MapSharedBlock({"LibOrvaneMemBlock", 284, 0x2000}));
  auto* b = static_cast<std::uint32_t*>(hook.MapSharedBlock({"LibOrvaneMemBlock", 284, 0x2000}));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a[70], 0u);
  a[0] = 0x10010;
  EXPECT_EQ(hook.MapSharedBlock({"LibOrvaneMemBlock", 4096}), nullptr);  // larger than the block
  velmora.UnmapSharedBlock(a);
  EXPECT_EQ(b[0], 0x10010u);
  EXPECT_EQ(space.BlockAsReadAt("LibOrvaneMemBlock", 0x1000), nullptr) << "no read up";
  EXPECT_NE(space.BlockAsReadAt("LibOrvaneMemBlock", 0x2000), nullptr);
  hook.UnmapSharedBlock(b);
  EXPECT_EQ(space.Block("LibOrvaneMemBlock"), nullptr);
  auto* fresh = static_cast<std::uint32_t*>(velmora.MapSharedBlock({"LibOrvaneMemBlock", 284, 0x2000}));
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh[0], 0u);
  velmora.failMap = true;
  EXPECT_EQ(velmora.MapSharedBlock({"Other", 8}), nullptr);
}

TEST(FakeRegistryTest, NamesIgnoreCaseAndFailAllFailsEverything) {
  FakeRegistry r;
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_TRUE(r.SetValue("\\SOFTWARE\\Velmora", "Options", REG_BINARY, bytes));
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  EXPECT_EQ(r.QueryValue("Software\\velmora", "OPTIONS", type, data), RegResult::Ok);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(r.QueryValue("Software\\Velmora", "Other", type, data), RegResult::NotFound);
  r.failAll = true;
  EXPECT_EQ(r.QueryValue("Software\\Velmora", "Options", type, data), RegResult::Failed);
  EXPECT_FALSE(r.SetValue("Software\\Velmora", "Options", REG_BINARY, {}));
  EXPECT_FALSE(r.CreateKey("Software\\New"));
  EXPECT_EQ(r.Get("software\\velmora", "options")->bytes.size(), 3u);
  EXPECT_EQ(r.setValueCalls, 2u);
}

TEST(FakeShellTest, FailedReplaceKeepsTheOldFile) {
  FakeShell s;
  const std::uint8_t v1[] = {1}, v2[] = {2, 2};
  EXPECT_TRUE(s.ReplaceFile("C:\\Apps\\Velmora\\Velmora.vlm", v1));
  s.failReplace = true;
  EXPECT_FALSE(s.ReplaceFile("C:\\Apps\\Velmora\\Velmora.vlm", v2));
  EXPECT_EQ(s.ReadFile("c:\\apps\\velmora\\VELMORA.VLM"), (std::vector<std::uint8_t>{1}));
  EXPECT_EQ(s.replaceCount, 1u);
  EXPECT_EQ(s.replaceAttempts, 2u);
  s.failRead = true;
  EXPECT_EQ(s.ReadFile("C:\\Apps\\Velmora\\Velmora.vlm"), std::nullopt);
  EXPECT_TRUE(s.FileExists("C:\\Apps\\Velmora\\Velmora.vlm"));
}

TEST(FakeDialogsTest, AnswersGoToBoxesInTheOrderTheyClose) {
  FakeDialogs d;
  d.answers = {IDNO, IDYES};
  d.whileShown = [&] { d.MessageBox("inner", "Velmora 4.6.3", MB_YESNO); };
  EXPECT_EQ(d.MessageBox("outer", "Velmora 4.6.3", MB_YESNO), IDYES);
  ASSERT_EQ(d.boxes.size(), 2u);
  EXPECT_EQ(d.boxes[0].text, "outer");
  EXPECT_EQ(d.boxes[1].answer, IDNO);
  d.whileShown = nullptr;
  EXPECT_EQ(d.MessageBox("q", "c", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(d.MessageBox("w", "c", MB_OK | MB_ICONWARNING), IDOK);
}

TEST(FakePainterTest, OnlyOwnedIconsAreDestroyedAndDeadBasesCannotBeDrawn) {
  FakePainter p;
  Hicon s1 = p.LoadIcon("S1");
  EXPECT_EQ(p.LoadIcon("S1"), s1);
  EXPECT_EQ(p.ResourceIcon("S1"), s1);
  Hicon foreign = p.MakeForeignIcon();
  Hicon drawn = p.DrawCount(foreign, 3, true, 0xFF);
  EXPECT_TRUE(p.IconExists(drawn));
  EXPECT_EQ(p.LiveDrawn(), 1u);
  p.DestroyForeign(foreign);
  EXPECT_FALSE(p.IconExists(foreign));
  EXPECT_EQ(p.DrawCount(foreign, 4, true, 0xFF), Hicon{});
  EXPECT_FALSE(p.DestroyIcon(s1));
  EXPECT_TRUE(p.IconExists(s1));
  EXPECT_TRUE(p.DestroyIcon(drawn));
  EXPECT_FALSE(p.DestroyIcon(drawn));
  EXPECT_EQ(p.LiveDrawn(), 0u);
  EXPECT_TRUE(p.IconExists(p.LoadSystemIcon(IDI_APPLICATION)));
}

TEST(FakeWorldTest, LogMatchesWholeWordsInCallOrder) {
  FakeWorld w;
  Hwnd h = w.desktop.AddWindow({});
  NotifyIconData n = Icon(TrayIdOf(h), NIF_TIP);
  w.tray.Shell_NotifyIcon(NIM_ADD, n);
  w.desktop.ShowWindow(h, SW_HIDE);
  w.kernel.SetHook();
  EXPECT_TRUE(w.LogHas("ShowWindow 0x10010 0"));
  EXPECT_TRUE(w.LogHas("NIM_ADD"));
  EXPECT_FALSE(w.LogHas("NIM_ADD 0x1001"));
  EXPECT_LT(w.LogIndex("NIM_ADD 0x10010"), w.LogIndex("ShowWindow 0x10010"));
  EXPECT_EQ(w.LogIndex("UnSetHook"), FakeWorld::npos);
  w.ClearLog();
  EXPECT_FALSE(w.LogHas("SetHook"));

  FakeWorld second(w.kernelSpace);
  bool exists = false;
  w.kernel.CreateMutex("VelmoraMutex", true, exists);
  second.kernel.CreateMutex("VelmoraMutex", true, exists);
  EXPECT_TRUE(exists);
}

}  // namespace
}  // namespace velmora::fake
