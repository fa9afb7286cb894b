// Windows sent to the tray and brought back, in the three presentations of
// the tray icons, seen from outside: window visibility, the recording tray,
// the popup menus and the foreground window.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <initializer_list>
#include <sstream>
#include <thread>
#include <utility>

#include "TrayFixture.h"
#include "shared/TitleButtons.h"

namespace velmora::e2e {
namespace {

bool SamePicture(const TrayRecord& a, const TrayRecord& b) {
  return a.HasIcon() && b.HasIcon() && a.iconWidth == b.iconWidth && a.iconHeight == b.iconHeight &&
         a.iconBpp == b.iconBpp && a.colourBits == b.colourBits && a.maskBits == b.maskBits;
}

// --- one icon per window ----------------------------------------------------------

TEST_F(TrayTest, MinimizedWorkbookGoesToTheTrayAndAClickBringsItBack) {
  // Tips hold the first 63 characters of the title, in any script.
  const std::wstring title =
      L"\u0411\u044E\u0434\u0436\u0435\u0442 2024 \u4E88\u7B97 \u30C6\u30B9\u30C8 - consolidated figures of every branch, final draft.xlsx";
  ASSERT_GT(title.size(), 63u);
  Probe& book = Open(L"EXCEL7", title);
  ASSERT_TRUE(book.Ok());
  HWND w = book.Window();
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  ASSERT_TRUE(Restored(w)) << State(w);

  ASSERT_TRUE(SendToTray(w));
  EXPECT_FALSE(HasTaskbarButton(w));
  auto icon = WaitForIcon(TrayId(w), title.substr(0, 63));
  ASSERT_TRUE(icon.has_value()) << Describe(Icons());
  EXPECT_EQ(icon->callback, kTrayCallback);
  EXPECT_TRUE(icon->HasIcon());
  EXPECT_EQ(Icons().size(), 1u) << Describe(Icons());

  // The shell reports a left click on the icon.
  Click(*icon, WM_LBUTTONUP);
  EXPECT_TRUE(WaitUntil([&] { return Restored(w) && GetForegroundWindow() == w; }, 3s))
      << State(w) << ", foreground \"" << Narrow(TitleOf(GetForegroundWindow())) << "\"";
  EXPECT_TRUE(HasTaskbarButton(w));
  EXPECT_TRUE(WaitUntil([&] { return Icons().empty(); }, 3s)) << Describe(Icons());

  // Brought back, it is an ordinary window again: the next minimize hides it anew.
  ASSERT_TRUE(SendToTray(w));
  EXPECT_TRUE(WaitForIcon(TrayId(w), title.substr(0, 63)).has_value()) << Describe(Icons());

  CloseExpectingAllBack({w});
}

TEST_F(TrayTest, WithoutTheExcelOptionAWorkbookStaysOnTheTaskbar) {
  Probe& book = Open(L"EXCEL7", L"Budget.xlsx");
  Probe& doc = Open(L"_WwB", L"Letter.docx");
  ASSERT_TRUE(book.Ok() && doc.Ok());
  ASSERT_NE(Start({{kHandleExcel, 0}, {kHandleWord, 1}}), nullptr);

  Minimize(book.Window());
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(book.Window()) != FALSE; }, 3s));
  Sleep(500ms);  // well past the hide timer
  // The Word rule is on: this shows that Velmora hears the minimizing at all.
  ASSERT_TRUE(SendToTray(doc.Window()));
  ASSERT_TRUE(WaitForIcon(TrayId(doc.Window()), L"Letter.docx").has_value()) << Describe(Icons());

  EXPECT_TRUE(IsWindowVisible(book.Window())) << State(book.Window());
  EXPECT_TRUE(IsIconic(book.Window()));
  EXPECT_TRUE(HasTaskbarButton(book.Window()));
  EXPECT_FALSE(Icon(TrayId(book.Window())).has_value()) << Describe(Icons());
  EXPECT_EQ(Icons().size(), 1u) << Describe(Icons());
}

TEST_F(TrayTest, AWindowItsOwnProgramBringsBackLeavesTheTray) {
  Probe& books = Open(L"EXCEL7", L"Workbook", false, 2);
  ASSERT_TRUE(books.Ok());
  HWND first = books.Window(0), second = books.Window(1);
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);
  ASSERT_TRUE(SendToTray(first));
  ASSERT_TRUE(SendToTray(second));
  ASSERT_EQ(Icons().size(), 2u) << Describe(Icons());

  // The program restores its window itself, as from its own window list.
  PostMessageW(first, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(WaitUntil([&] { return Restored(first); }, 3s)) << State(first);
  EXPECT_TRUE(WaitUntil([&] { return !Icon(TrayId(first)).has_value(); }, 7s))
      << "the icon of a window that is back stayed: " << Describe(Icons());
  EXPECT_TRUE(InTray(second)) << State(second);
  EXPECT_TRUE(Icon(TrayId(second)).has_value()) << Describe(Icons());

  // Its entry went with the icon: minimized again, it goes to the tray again
  // (an entry left behind would keep it on the taskbar).
  ASSERT_TRUE(SendToTray(first));
  EXPECT_TRUE(Icon(TrayId(first)).has_value()) << Describe(Icons());
  CloseExpectingAllBack({first, second});
}

// --- marked classes -----------------------------------------------------------------

TEST_F(TrayTest, MarkedClassHidesItsMinimizedWindowsAtStartAndNothingElse) {
  const auto file = ClassFile({"VelmoraCaseDoc"});
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), file));
  Probe& first = Open(L"VelmoraCaseDoc", L"Protokoll M\u00E4rz", true);
  Probe& second = Open(L"VelmoraCaseDoc", L"Minutes April", true);
  Probe& open = Open(L"VelmoraCaseDoc", L"Minutes May");              // marked, but not minimized
  Probe& other = Open(L"VelmoraCaseDocView", L"Preview", true);       // another class, minimized
  ASSERT_TRUE(first.Ok() && second.Ok() && open.Ok() && other.Ok());
  HWND a = first.Window(), b = second.Window();

  ASSERT_NE(Start({}), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return InTray(a) && InTray(b); }, 3s)) << State(a) << "; " << State(b);
  ASSERT_TRUE(WaitForIcon(TrayId(a), L"Protokoll M\u00E4rz").has_value()) << Describe(Icons());
  ASSERT_TRUE(WaitForIcon(TrayId(b), L"Minutes April").has_value()) << Describe(Icons());
  EXPECT_TRUE(Restored(open.Window())) << State(open.Window());
  EXPECT_TRUE(IsWindowVisible(other.Window()) && IsIconic(other.Window())) << State(other.Window());
  EXPECT_EQ(Icons().size(), 2u) << Describe(Icons());

  // One comes back by its icon; the other stays.
  Click(*Icon(TrayId(b)), WM_LBUTTONUP);
  EXPECT_TRUE(WaitUntil([&] { return Restored(b) && GetForegroundWindow() == b; }, 3s)) << State(b);
  EXPECT_TRUE(WaitUntil([&] { return !Icon(TrayId(b)).has_value(); }, 3s)) << Describe(Icons());
  EXPECT_TRUE(InTray(a)) << State(a);
  EXPECT_TRUE(Icon(TrayId(a)).has_value()) << Describe(Icons());

  ASSERT_TRUE(CloseVelmora());
  EXPECT_TRUE(Restored(a)) << State(a);
  EXPECT_TRUE(IsWindowVisible(other.Window()) && IsIconic(other.Window())) << State(other.Window());
  EXPECT_TRUE(Tray().Icons().empty()) << Describe(Tray().Icons());
  EXPECT_EQ(ReadFileBytes(ClassFilePath()), file) << "the class file was rewritten";
}

// --- one icon for all ------------------------------------------------------------

TEST_F(TrayTest, SharedIconCountsTheHiddenWindowsAndItsMenuRestoresOne) {
  Probe& books = Open(L"EXCEL7", L"Workbook", false, 2);
  ASSERT_TRUE(books.Ok());
  HWND first = books.Window(0), second = books.Window(1);
  ASSERT_NE(Start({{kHandleExcel, 1}, {kTrayMode, 1}, {kAllShowCount, 1}}), nullptr);
  const auto one = ResourcePicture(L"S1");
  const auto two = ResourcePicture(L"S2");
  ASSERT_TRUE(one && two && one->HasIcon()) << "the count icons could not be read from Velmora.exe";
  ASSERT_FALSE(SamePicture(*one, *two));

  ASSERT_TRUE(SendToTray(first));
  auto shared = WaitForIcon(kSharedIconId, L"One minimized window");
  ASSERT_TRUE(shared.has_value()) << Describe(Icons());
  EXPECT_TRUE(SamePicture(*shared, *one)) << "one hidden window shows the icon S1";

  ASSERT_TRUE(SendToTray(second));
  shared = WaitForIcon(kSharedIconId, L"2 minimized windows");
  ASSERT_TRUE(shared.has_value()) << Describe(Icons());
  EXPECT_EQ(shared->callback, kTrayCallback);
  EXPECT_TRUE(SamePicture(*shared, *two)) << "two hidden windows show the icon S2";
  EXPECT_EQ(Icons().size(), 1u) << "no window has an icon of its own: " << Describe(Icons());

  // A click opens the list; Escape closes it and changes nothing.
  Click(*shared, WM_LBUTTONUP);
  HWND menu = WaitForMenu(3s);
  ASSERT_NE(menu, nullptr) << "no menu after a click on the shared icon";
  PressInMenu(menu, VK_ESCAPE);
  ASSERT_TRUE(WaitMenuGone(menu));
  Sleep(300ms);
  EXPECT_TRUE(InTray(first) && InTray(second)) << State(first) << "; " << State(second);

  // Again, and this time choose the last window of the list: the one hidden last.
  Click(*shared, WM_LBUTTONUP);
  menu = WaitForMenu(3s);
  ASSERT_NE(menu, nullptr) << "no menu after a second click: the first one left Velmora busy";
  PressInMenu(menu, VK_UP);
  PressInMenu(menu, VK_RETURN);
  EXPECT_TRUE(WaitMenuGone(menu));
  EXPECT_TRUE(WaitUntil([&] { return Restored(second) && GetForegroundWindow() == second; }, 3s))
      << State(second);
  EXPECT_TRUE(InTray(first)) << State(first);
  shared = WaitForIcon(kSharedIconId, L"One minimized window");
  ASSERT_TRUE(shared.has_value()) << Describe(Icons());
  EXPECT_TRUE(SamePicture(*shared, *one));
  EXPECT_EQ(Icons().size(), 1u) << Describe(Icons());

  CloseExpectingAllBack({first});
}

TEST_F(TrayTest, HiddenWindowsThatCloseLeaveTheSharedIcon) {
  Probe& first = Open(L"EXCEL7", L"Sheet one");
  Probe& second = Open(L"EXCEL7", L"Sheet two");
  ASSERT_TRUE(first.Ok() && second.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}, {kTrayMode, 1}}), nullptr);
  ASSERT_TRUE(SendToTray(first.Window()));
  ASSERT_TRUE(SendToTray(second.Window()));
  ASSERT_TRUE(WaitForIcon(kSharedIconId, L"2 minimized windows").has_value()) << Describe(Icons());

  // The programs end while their windows are in the tray.
  ASSERT_TRUE(first.Close());
  EXPECT_TRUE(WaitForIcon(kSharedIconId, L"One minimized window", 7s).has_value()) << Describe(Icons());
  // Killed, a program reports nothing: its end, watched, takes its icon well before the sweep's 5 s.
  ASSERT_TRUE(TerminateProcess(second.Proc().handle.get(), 1));
  EXPECT_TRUE(WaitUntil([&] { return Icons().empty(); }, 2s)) << "nothing is hidden, yet " << Describe(Icons());
  EXPECT_TRUE(velmora_.Running());
}

// --- group icons ---------------------------------------------------------------------

TEST_F(TrayTest, WindowsOfOneClassShareAGroupIconThatDissolvesWhenOneComesBack) {
  Probe& bookA = Open(L"EXCEL7", L"Book A.xlsx");
  Probe& bookB = Open(L"EXCEL7", L"Book B.xlsx");
  Probe& bookC = Open(L"EXCEL7", L"Book C.xlsx");
  Probe& doc = Open(L"_WwB", L"Letter.docx");
  ASSERT_TRUE(bookA.Ok() && bookB.Ok() && bookC.Ok() && doc.Ok());
  HWND a = bookA.Window(), b = bookB.Window(), c = bookC.Window(), d = doc.Window();
  ASSERT_NE(Start({{kHandleExcel, 1}, {kHandleWord, 1}, {kTrayMode, 2}, {kGroupMinimum, 2}, {kGroupShowCount, 1}}),
            nullptr);

  // Below the group minimum each window has its own icon.
  ASSERT_TRUE(SendToTray(a));
  const auto ownA = WaitForIcon(TrayId(a), L"Book A.xlsx");
  ASSERT_TRUE(ownA.has_value()) << Describe(Icons());
  ASSERT_TRUE(SendToTray(d));
  ASSERT_TRUE(WaitForIcon(TrayId(d), L"Letter.docx").has_value()) << Describe(Icons());

  // The second workbook forms the group: one icon in the first free slot.
  ASSERT_TRUE(SendToTray(b));
  const auto group = WaitForIcon(1, L"2 minimized windows");
  ASSERT_TRUE(group.has_value()) << Describe(Icons());
  EXPECT_EQ(group->callback, kTrayCallback);
  EXPECT_TRUE(WaitUntil([&] { return !Icon(TrayId(a)) && !Icon(TrayId(b)); }, 3s))
      << "the workbooks kept icons of their own: " << Describe(Icons());
  EXPECT_TRUE(Icon(TrayId(d)).has_value()) << "the letter lost its icon: " << Describe(Icons());
  EXPECT_EQ(Icons().size(), 2u) << Describe(Icons());

  // The count is drawn in blue at the top right of the window's icon.
  ASSERT_TRUE(group->HasIcon());
  EXPECT_EQ(group->iconWidth, static_cast<std::uint32_t>(GetSystemMetrics(SM_CXSMICON))) << "not made at the tray's size";
  const int drawn = BluePixelsTopRight(*group) - BluePixelsTopRight(*ownA);
  EXPECT_GE(drawn, 10) << "no count drawn in the count colour near the top right corner";

  // A third joins the group: the same icon, counting three.
  ASSERT_TRUE(SendToTray(c));
  const auto three = WaitForIcon(1, L"3 minimized windows");
  ASSERT_TRUE(three.has_value()) << Describe(Icons());
  EXPECT_FALSE(Icon(TrayId(c)).has_value()) << Describe(Icons());
  EXPECT_EQ(Icons().size(), 2u) << Describe(Icons());
  EXPECT_NE(three->colourBits, group->colourBits) << "the drawn count did not change";

  // A click lists the group; the last of it by title is chosen.
  const auto chooseLast = [&] {
    Click(*Icon(1), WM_LBUTTONUP);
    HWND menu = WaitForMenu(3s);
    if (!menu) return false;
    PressInMenu(menu, VK_UP);
    PressInMenu(menu, VK_RETURN);
    return WaitMenuGone(menu);
  };
  ASSERT_TRUE(chooseLast()) << "no menu after a click on the group icon";
  EXPECT_TRUE(WaitUntil([&] { return Restored(c) && GetForegroundWindow() == c; }, 3s)) << State(c);
  EXPECT_TRUE(WaitForIcon(1, L"2 minimized windows").has_value()) << Describe(Icons());
  EXPECT_TRUE(InTray(a) && InTray(b)) << State(a) << "; " << State(b);
  EXPECT_EQ(Icons().size(), 2u) << Describe(Icons());

  // One workbook left: the group dissolves, and it gets its own icon back.
  ASSERT_TRUE(Icon(1).has_value());
  ASSERT_TRUE(chooseLast()) << "no menu after a second click on the group icon";
  EXPECT_TRUE(WaitUntil([&] { return Restored(b) && GetForegroundWindow() == b; }, 3s)) << State(b);
  EXPECT_TRUE(WaitUntil([&] { return !Icon(1).has_value(); }, 3s)) << Describe(Icons());
  EXPECT_TRUE(WaitForIcon(TrayId(a), L"Book A.xlsx").has_value()) << Describe(Icons());
  EXPECT_TRUE(InTray(a)) << State(a);
  EXPECT_TRUE(Icon(TrayId(d)).has_value()) << Describe(Icons());
  EXPECT_EQ(Icons().size(), 2u) << Describe(Icons());
}

// Where the window's icon has an alpha channel, the tray shows it by its alpha:
// the count's box is opaque over the icon's see-through corner.
TEST_F(TrayTest, CountOnAnIconWithAnAlphaChannelIsOpaque) {
  ProbeSpec spec;
  spec.cls = L"EXCEL7";
  spec.count = 3;
  spec.alphaIcon = true;
  Probe& books = OpenProbe(spec);
  ASSERT_TRUE(books.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}, {kTrayMode, 2}, {kGroupMinimum, 2}, {kGroupShowCount, 1}}), nullptr);
  ASSERT_TRUE(SendToTray(books.Window(0)));
  const auto own = WaitForIcon(TrayId(books.Window(0)), L"Probe");
  ASSERT_TRUE(own && own->HasIcon() && own->iconBpp == 32) << Describe(Icons());
  for (HWND w : {books.Window(1), books.Window(2)}) ASSERT_TRUE(SendToTray(w));
  const auto group = WaitForIcon(1, L"3 minimized windows");
  ASSERT_TRUE(group && group->HasIcon() && group->iconWidth == own->iconWidth) << Describe(Icons());
  const auto alpha = [](const TrayRecord& i, std::uint32_t x, std::uint32_t y) {
    return i.colourBits.at((y * i.iconWidth + x) * 4 + 3);
  };
  int covered = 0;
  for (std::uint32_t y = 0; y < own->iconHeight / 2; ++y)
    for (std::uint32_t x = own->iconWidth / 2; x < own->iconWidth; ++x)
      covered += alpha(*own, x, y) == 0 && alpha(*group, x, y) == 255;
  EXPECT_GE(covered, 8) << "the count's box is see-through";
  // Nothing drawn is left see-through, wherever it lies.
  int seeThrough = 0;
  for (std::uint32_t y = 0; y < own->iconHeight; ++y)
    for (std::uint32_t x = 0; x < own->iconWidth; ++x)
      seeThrough += group->Pixel(x, y) != own->Pixel(x, y) && alpha(*group, x, y) != 255;
  EXPECT_EQ(seeThrough, 0);
}

// The sweep takes over a changed title; the icons are rebuilt, the group's included.
// The library reports the new title at once; a flash, posted as the shell would, marks the icons.
TEST_F(TrayTest, TipFollowsTheTitleOfAHiddenWindowAtOnceAndAFlashMarksItsIcons) {
  Probe& books = Open(L"EXCEL7", L"Workbook", false, 2);
  Probe& doc = Open(L"_WwB", L"Letter.docx");
  ASSERT_TRUE(books.Ok() && doc.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}, {kHandleWord, 1}, {kTrayMode, 2}}), nullptr);
  for (HWND w : {books.Window(0), books.Window(1), doc.Window()}) ASSERT_TRUE(SendToTray(w));
  ASSERT_TRUE(WaitForIcon(1, L"2 minimized windows").has_value()) << Describe(Icons());

  ASSERT_TRUE(SetWindowTextW(doc.Window(), L"(3) Letter.docx"));
  // Well before the sweep, which runs every five seconds.
  EXPECT_TRUE(WaitForIcon(TrayId(doc.Window()), L"(3) Letter.docx", 1s).has_value()) << Describe(Icons());
  const auto before = Icon(TrayId(doc.Window()));
  const UINT shellHook = RegisterWindowMessageW(L"SHELLHOOK");
  for (HWND w : {doc.Window(), books.Window(1)})
    PostMessageW(main_, shellHook, 0x8006 /* HSHELL_FLASH */, reinterpret_cast<LPARAM>(w));
  // In the user's language: English or Chinese.
  const auto asks = [&](std::uint32_t id, const std::wstring& head) {
    const auto icon = Icon(id);
    return icon && (icon->tip == head + L" - wants attention" || icon->tip == head + L" - 需要注意");
  };
  ASSERT_TRUE(WaitUntil([&] { return asks(TrayId(doc.Window()), L"(3) Letter.docx"); }, 1s)) << Describe(Icons());
  EXPECT_TRUE(WaitUntil([&] { return asks(1, L"2 minimized windows"); }, 1s)) << Describe(Icons());
  const auto marked = Icon(TrayId(doc.Window()));
  ASSERT_TRUE(before && before->HasIcon() && marked->HasIcon());
  EXPECT_NE(before->colourBits, marked->colourBits) << "the mark is drawn on the icon";
  EXPECT_EQ(Icons().size(), 2u) << Describe(Icons());
  for (HWND w : {books.Window(0), books.Window(1), doc.Window()}) EXPECT_TRUE(InTray(w)) << State(w);
  // Restored, the window leaves with its mark; hidden again, it has none.
  PostMessageW(marked->OwnerWindow(), kTrayCallback, marked->id, WM_LBUTTONUP);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(doc.Window()) && !Icon(TrayId(doc.Window())); }, 3s));
  ASSERT_TRUE(SendToTray(doc.Window()));
  EXPECT_TRUE(WaitForIcon(TrayId(doc.Window()), L"(3) Letter.docx").has_value()) << Describe(Icons());
}

// A new taskbar knows no icons: Velmora adds them all again.
TEST_F(TrayTest, IconsComeBackWhenTheTaskbarIsCreatedAgain) {
  Probe& books = Open(L"EXCEL7", L"Workbook", false, 2);
  Probe& doc = Open(L"_WwB", L"Letter.docx");
  ASSERT_TRUE(books.Ok() && doc.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}, {kHandleWord, 1}, {kTrayMode, 2}}), nullptr);
  for (HWND w : {books.Window(0), books.Window(1), doc.Window()}) ASSERT_TRUE(SendToTray(w));
  ASSERT_TRUE(WaitForIcon(1, L"2 minimized windows").has_value()) << Describe(Icons());
  ASSERT_EQ(Icons().size(), 2u) << Describe(Icons());

  Tray().Clear();
  const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
  ASSERT_NE(created, 0u);
  ASSERT_TRUE(PostMessageW(HWND_BROADCAST, created, 0, 0));
  EXPECT_TRUE(WaitForIcon(1, L"2 minimized windows", 5s).has_value()) << Describe(Icons());
  EXPECT_TRUE(WaitForIcon(TrayId(doc.Window()), L"Letter.docx").has_value()) << Describe(Icons());
  EXPECT_EQ(Icons().size(), 2u) << Describe(Icons());
  for (HWND w : {books.Window(0), books.Window(1), doc.Window()}) EXPECT_TRUE(InTray(w)) << State(w);
}

TEST_F(TrayTest, AWindowWhoseIconTheShellRefusesIsNeverLeftHidden) {
  Probe& book = Open(L"EXCEL7", L"Budget.xlsx");
  Probe& plan = Open(L"EXCEL7", L"Plan.xlsx");
  ASSERT_TRUE(book.Ok() && plan.Ok());
  ASSERT_NE(Start({{kHandleExcel, 1}}), nullptr);

  // A shell that takes no icon: the minimized workbook stays on the taskbar.
  Tray().RefuseAdds(true);
  Minimize(book.Window());
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(book.Window()) != FALSE; }, 3s));
  Sleep(500ms);  // well past the hide timer
  EXPECT_TRUE(IsWindowVisible(book.Window())) << State(book.Window());
  EXPECT_TRUE(IsIconic(book.Window()));
  EXPECT_TRUE(Icons().empty()) << Describe(Icons());

  // Hidden while the shell took icons, then the taskbar comes back without
  // taking them: the window returns to the taskbar, minimized.
  Tray().RefuseAdds(false);
  ASSERT_TRUE(SendToTray(plan.Window()));
  Tray().RefuseAdds(true);
  const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
  ASSERT_TRUE(PostMessageW(HWND_BROADCAST, created, 0, 0));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(plan.Window()) && IsIconic(plan.Window()); }, 5s))
      << State(plan.Window());
  Tray().RefuseAdds(false);
}

TEST_F(TrayTest, WhenTheSessionEndsHiddenWindowsComeBackFirst) {
  Probe& book = Open(L"EXCEL7", L"Budget.xlsx");
  ASSERT_TRUE(book.Ok());
  HWND main = Start({{kHandleExcel, 1}});
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(SendToTray(book.Window()));
  // The system asks every program before any of them is told to close.
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  // Shown without waiting for its program: it lands as soon as that program looks at its messages.
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(book.Window()) != FALSE; }, 2s)) << State(book.Window());
  EXPECT_TRUE(WaitUntil([&] { return Icons().empty(); }, 3s)) << Describe(Icons());
  // The Restart Manager's close (an installer's): the session goes on, and Velmora ends of itself.
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_NORMAL, 5000, &answer));
  EXPECT_TRUE(velmora_.WaitExit(2s));
  EXPECT_EQ(velmora_.ExitCode(), 0u);
}

// --- shutdown -----------------------------------------------------------------------

class TrayShutdownTest : public TrayTest, public ::testing::WithParamInterface<int> {};

TEST_P(TrayShutdownTest, EveryHiddenWindowComesBackAndNoIconStays) {
  const int mode = GetParam();
  Probe& books = Open(L"EXCEL7", L"Workbook", false, 2);
  Probe& doc = Open(L"_WwB", L"Letter.docx");
  ASSERT_TRUE(books.Ok() && doc.Ok());
  const std::vector<HWND> windows{books.Window(0), books.Window(1), doc.Window()};
  ASSERT_NE(Start({{kHandleExcel, 1}, {kHandleWord, 1}, {kTrayMode, static_cast<std::uint8_t>(mode)}}), nullptr);
  for (HWND w : windows) ASSERT_TRUE(SendToTray(w));
  // Own icons, one shared icon, or a group icon beside the letter's own.
  const std::size_t expected[] = {3, 1, 2};
  EXPECT_TRUE(WaitUntil([&] { return Icons().size() == expected[mode]; }, 3s)) << Describe(Icons());

  CloseExpectingAllBack(windows);
  // What the shell was told last about each icon is its deletion.
  const auto records = Tray().Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().message, static_cast<DWORD>(NIM_DELETE));
}

INSTANTIATE_TEST_SUITE_P(TrayModes, TrayShutdownTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& mode) {
                           return "Mode" + std::to_string(mode.param);
                         });

// --- what is never hidden --------------------------------------------------------------

TEST_F(TrayTest, TaskbarWindowsStayEvenWhenTheirClassIsMarked) {
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), ClassFile({"Shell_SecondaryTrayWnd", "Shell_TrayWnd", "VelmoraCaseDoc"})));
  // Minimized windows of the taskbar's classes, beside a marked document.
  Probe& bar = Open(L"Shell_TrayWnd", L"", true);
  Probe& secondBar = Open(L"Shell_SecondaryTrayWnd", L"", true);
  Probe& doc = Open(L"VelmoraCaseDoc", L"Minutes June", true);
  ASSERT_TRUE(bar.Ok() && secondBar.Ok() && doc.Ok());
  HWND recorder = Tray().Window(), explorer = Tray().ExplorerTray();
  const bool recorderVisible = IsWindowVisible(recorder) != FALSE, explorerVisible = IsWindowVisible(explorer) != FALSE;

  ASSERT_NE(Start({}), nullptr);
  // The document shows that the class file was read and acted on.
  ASSERT_TRUE(WaitUntil([&] { return InTray(doc.Window()); }, 3s)) << State(doc.Window());
  ASSERT_TRUE(WaitForIcon(TrayId(doc.Window()), L"Minutes June").has_value()) << Describe(Icons());
  Sleep(500ms);
  for (HWND w : {bar.Window(), secondBar.Window()}) {
    EXPECT_TRUE(IsWindowVisible(w) && IsIconic(w)) << Narrow(ClassOf(w)) << ": " << State(w);
    EXPECT_FALSE(Icon(TrayId(w)).has_value()) << Describe(Icons());
  }
  EXPECT_EQ(IsWindowVisible(recorder) != FALSE, recorderVisible);
  EXPECT_EQ(IsWindowVisible(explorer) != FALSE, explorerVisible);
  EXPECT_EQ(Icons().size(), 1u) << Describe(Icons());
  // The recording tray is still the one the shell talks to.
  EXPECT_EQ(FindWindowW(L"Shell_TrayWnd", nullptr), recorder);

  ASSERT_TRUE(CloseVelmora());
  EXPECT_TRUE(Restored(doc.Window())) << State(doc.Window());
  for (HWND w : {bar.Window(), secondBar.Window()}) EXPECT_TRUE(IsWindowVisible(w) && IsIconic(w)) << State(w);
  EXPECT_TRUE(Tray().Icons().empty()) << Describe(Tray().Icons());
  EXPECT_TRUE(IsWindow(recorder));
  EXPECT_EQ(IsWindowVisible(recorder) != FALSE, recorderVisible);
}

// Marked per program, a shared class takes that program's windows and no other's, also at the
// program's next start, when a WPF window's class name is a new one. Class names and program
// names match in any case (a Qt class in capitals, a program's name with an umlaut in capitals).
TEST_F(TrayTest, MarksOfSharedClassesTakeTheWindowsOfTheirProgramOnly) {
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), ClassFile({"discord.exe|Chrome_WidgetWin", "wpfapp.exe|HwndWrapper",
                                                         "\xC3\xA4rzte.exe|QtWindow"})));
  auto open = [&](const wchar_t* exe, const std::wstring& cls) {
    ProbeSpec spec;
    spec.cls = cls;
    spec.exeName = spec.title = exe;
    spec.minimized = true;
    return OpenProbe(spec).Window();
  };
  const HWND chrome = open(L"chrome.exe", L"Chrome_WidgetWin_1");
  const HWND otherQt = open(L"other.exe", L"Qt5QWindowIcon");
  for (const wchar_t* guid : {L"6b3f4a0c-8d0e-4f0a-9c1e-2a7b5d9e0f11", L"0c1d2e3f-4a5b-4c6d-8e7f-9a0b1c2d3e4f"}) {
    const HWND discord = open(L"discord.exe", L"Chrome_WidgetWin_1");
    const HWND wpf = open(L"wpfapp.exe", L"HwndWrapper[wpfapp.exe;;" + std::wstring(guid) + L"]");
    const HWND qt = open(L"\u00C4RZTE.EXE", L"Qt5QWINDOWICON");
    velmora_ = Process{};  // the icons looked at are this start's
    ASSERT_NE(Start({}), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return InTray(discord) && InTray(wpf) && InTray(qt) && Icons().size() == 3; }, 3s))
        << Describe(Icons());
    for (HWND other : {chrome, otherQt}) EXPECT_TRUE(IsWindowVisible(other) && IsIconic(other)) << State(other);
    CloseExpectingAllBack({discord, wpf, qt});
    PostMessageW(wpf, WM_CLOSE, 0, 0);  // the program ends; it opens its next window under a new class name
  }
}

// Rules stored with the marks: a real click on the close button sends the window to the tray,
// alive; a window of a mark that hides on open goes there as it opens, and stays once brought back.
TEST_F(TrayTest, RulesOfMarksCloseToTheTrayAndHideOnOpen) {
  auto file = ClassFile({"VelmoraCloses", "VelmoraOpens"});
  file[257] = 1;        // close to tray
  file[260 + 257] = 2;  // hide on open
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), file));
  HWND closes = Open(L"VelmoraCloses", L"Mail").Window();
  ASSERT_NE(Start({}), nullptr);
  ASSERT_TRUE(SetForegroundWindow(closes));
  ASSERT_TRUE(test::ClickTitleButton(closes, HTCLOSE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP));
  EXPECT_TRUE(WaitUntil([&] { return InTray(closes) && Icon(TrayId(closes)).has_value(); }, 3s)) << State(closes);

  HWND opens = Open(L"VelmoraOpens", L"Chat").Window();
  EXPECT_TRUE(WaitUntil([&] { return InTray(opens) && Icon(TrayId(opens)).has_value(); }, 3s)) << State(opens);
  Click(*Icon(TrayId(opens)), WM_LBUTTONUP);
  EXPECT_TRUE(WaitUntil([&] { return Restored(opens); }, 3s)) << State(opens);
  std::this_thread::sleep_for(500ms);
  EXPECT_TRUE(Restored(opens)) << "brought back, it went again";
  CloseExpectingAllBack({closes});
}

}  // namespace
}  // namespace velmora::e2e
