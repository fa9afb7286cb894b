#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "TestWorld.h"
#include "foreign/SystemMenuItems.h"
#include "foreign/WindowKinds.h"
#include "platform/Utf8.h"
#include "shared/ClassKeyCases.h"
#include "tray/ClassFile.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr char ClassFile[] = "C:\\Apps\\Velmora\\Velmora.vlm";

TEST(ClassFileFormat, SevenBitNamesAreStoredWithBitSevenSet) {
  const Bytes bytes = EncodeClassFile({"abc"});
  ASSERT_EQ(bytes.size(), 260u);
  EXPECT_EQ((Bytes{bytes[0], bytes[1], bytes[2]}), (Bytes{0xE1, 0xE2, 0xE3}));
  for (std::size_t i = 3; i < 260; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(DecodeClassFile(bytes), std::vector<std::string>{"abc"});
}

TEST(ClassFileFormat, NamesWithHighBytesComeBackAsTheyWere) {
  const std::string name = "\xC4\xE3\xBA\xC3Window";  // ANSI bytes above 0x7F
  const std::vector<std::string> names{"Plain", name};
  EXPECT_EQ(DecodeClassFile(EncodeClassFile(names)), names);
  const Bytes bytes = EncodeClassFile({name});
  EXPECT_EQ(bytes[256], 1) << "flagged in the record's tail";
}

TEST(ClassFileFormat, LongNamesAreCutAndShortLastRecordsReadOnlyWhenWhole) {
  EXPECT_EQ(DecodeClassFile(EncodeClassFile({std::string(300, 'x')}))[0].size(), 255u);
  Bytes bytes = EncodeClassFile({"First", "Second"});
  bytes.resize(260 + 10);  // the second record's name and its zero
  EXPECT_EQ(DecodeClassFile(bytes), (std::vector<std::string>{"First", "Second"}));
  bytes.resize(260 + 3);  // the name itself is cut
  EXPECT_EQ(DecodeClassFile(bytes), std::vector<std::string>{"First"});
  EXPECT_TRUE(DecodeClassFile({}).empty());
}

class MarkedClasses : public ::testing::Test, public test::VelmoraWorld {
 protected:
  MarkedClasses() { Start(); }
};

TEST(ClassKeys, SharedClassesAreKeyedByProgramInAnyScriptAsTheLibraryKeysThem) {
  fake::FakeDesktop d;
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += "\xC3\xA9";
  for (const std::string& exe : std::vector<std::string>{"discord.exe", "\xD0\xA2\xD0\xB5\xD0\xBB\xD0\xB5\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC.exe", longName})
    for (const auto& c : test::ClassKeyCases) {
      const std::string key = WindowClassKey(d, d.AddWindow({.className = c.cls, .program = exe}));
      // The long name keeps as many whole two-byte characters as the 255 bytes leave room for.
      const std::size_t kept = exe == longName ? (255 - std::strlen(c.suffix)) / 2 * 2 : exe.size();
      EXPECT_EQ(key, *c.suffix ? exe.substr(0, kept) + c.suffix : c.cls);
    }
}

TEST(ClassKeys, ProgramKeysPlainSharedMarksAndStoreAppsAtStart) {
  test::VelmoraWorld v;
  auto& d = v.w.desktop;
  const std::string calc = "Microsoft.WindowsCalculator_8wekyb3d8bbwe!App";
  v.w.shell.files[ClassFile] = EncodeClassFile({"winecfg.exe|#32770", "Chrome_WidgetWin_1", calc + "|ApplicationFrameWindow"});
  const Hwnd cfg = d.AddWindow({.className = "#32770", .iconic = true, .program = "WineCfg.exe"});
  const Hwnd other = d.AddWindow({.className = "#32770", .iconic = true, .program = "notepad.exe"});
  const Hwnd chrome = d.AddWindow({.className = "Chrome_WidgetWin_1", .iconic = true, .program = "chrome.exe"});
  const Hwnd frame = d.AddWindow({.className = "ApplicationFrameWindow", .iconic = true});
  d.AddWindow({.className = "Windows.UI.Core.CoreWindow", .title = "Calculator", .parent = frame, .appId = calc});
  v.w.painter.appsWithIcons = {calc};
  v.Start();
  EXPECT_TRUE(v.Hidden(cfg) && v.Hidden(chrome) && v.Hidden(frame) && !v.Hidden(other));
  EXPECT_TRUE(TrayItemChecked(d, chrome)) << "a plain shared mark still takes its class";
  EXPECT_EQ(v.List().FindEntry(frame)->Tip(), "Calculator") << "the app it hosts stands for the frame";
  EXPECT_EQ(v.w.painter.LiveDrawn(), 1u) << "with the app's icon";
  // Choosing the item there moves the mark to the program.
  v.Request(RQ_ITEM_CHOSEN, chrome);
  EXPECT_TRUE(v.List().HasClass("chrome.exe|Chrome_WidgetWin") && !v.List().HasClass("Chrome_WidgetWin_1"));
  EXPECT_TRUE(TrayItemChecked(d, chrome) && v.Hidden(chrome));
  // A suspended store app: its window away, the library sends no key; the frame itself names the app.
  const Hwnd paint = d.AddWindow({.className = "ApplicationFrameWindow", .appId = "Microsoft.Paint!App"});
  v.Request(RQ_ADD_ITEM, paint), v.Request(RQ_ITEM_CHOSEN, paint);
  EXPECT_TRUE(v.List().HasClass("Microsoft.Paint!App|ApplicationFrameWindow") && TrayItemChecked(d, paint));
  v.form.reset();
  EXPECT_EQ(v.w.painter.LiveDrawn(), 0u);
}

TEST_F(MarkedClasses, ListIsSortedAndCaseInsensitiveButWindowsMatchExactly) {
  const Hwnd upper = Foreign("NOTEPAD", "u", true);
  List().AddClass("Zeta");
  List().AddClass("notepad");
  List().AddClass("alpha");
  List().AddClass("Notepad");  // already listed in another case
  EXPECT_EQ(List().Classes, (std::vector<std::string>{"alpha", "notepad", "Zeta"}));
  EXPECT_TRUE(List().HasClass("NOTEPAD"));
  // A program's name in a key in any case, in any script of file names, as Windows compares it.
  for (const char* key : {"Ärzte.exe|#32770", "Тест.exe|#32770", "Δοκιμή.exe|#32770"}) List().AddClass(key);
  for (const char* key : {"äRZTE.EXE|#32770", "тЕСТ.exe|#32770", "ΔΟΚΙΜΉ.exe|#32770"}) EXPECT_TRUE(List().HasClass(key)) << key;
  EXPECT_FALSE(List().HasClass("Arzte.exe|#32770"));
  for (const char* key : {"Ärzte.exe|#32770", "Тест.exe|#32770", "Δοκιμή.exe|#32770"}) List().RemoveClass(key);
  EXPECT_FALSE(Hidden(upper)) << "enumeration compares class names exactly";
  EXPECT_EQ(w.shell.files[ClassFile], EncodeClassFile({"alpha", "notepad", "Zeta"}));
}

TEST_F(MarkedClasses, MarkingSendsMinimizedWindowsOfTheClassToTheTrayOnce) {
  const Hwnd a = Foreign("Notepad", "a", true), b = Foreign("Notepad", "b", true), open = Foreign("Notepad", "c");
  Trigger(a);
  ASSERT_TRUE(List().FindEntry(a));
  List().AddClass("Notepad");
  EXPECT_TRUE(Hidden(b));
  EXPECT_FALSE(Hidden(open));
  EXPECT_TRUE(TrayItemChecked(w.desktop, open));
  EXPECT_EQ(List().Count(), 2u);
  EXPECT_EQ(w.tray.Count(), 2u);
}

TEST_F(MarkedClasses, UnmarkingTheLastClassLeavesAnEmptyFile) {
  List().AddClass("Notepad");
  List().RemoveClass("NOTEPAD");
  EXPECT_TRUE(List().Classes.empty());
  ASSERT_TRUE(w.shell.files.contains(ClassFile));
  EXPECT_TRUE(w.shell.files[ClassFile].empty());
}

TEST_F(MarkedClasses, LoadingAtStartDoesNotRewriteTheFile) {
  fake::FakeWorld fresh;
  fresh.shell.files[ClassFile] = EncodeClassFile({"B", "A"});
  const Hwnd b = fresh.desktop.AddWindow({.className = "B", .iconic = true});
  Ports p = fresh.AsPorts();
  test::FakeHost h(fresh.desktop, fresh.menus, fresh.dialogs);
  TFOrvane f(p, h);
  f.FormCreate();
  fresh.timers.Advance(500);
  EXPECT_EQ(f.TrayList->Classes, (std::vector<std::string>{"A", "B"}));
  EXPECT_FALSE(fresh.LogHas("ReplaceFile"));
  EXPECT_FALSE(fresh.desktop.Window(b).visible);
  EXPECT_FALSE(f.TrayList->Loading);
}

TEST_F(MarkedClasses, UnreadableFileIsNotOverwrittenWithoutItsMarks) {
  fake::FakeWorld fresh;
  fresh.shell.files[ClassFile] = EncodeClassFile({"Old"});
  fresh.shell.failRead = true;
  Ports p = fresh.AsPorts();
  test::FakeHost h(fresh.desktop, fresh.menus, fresh.dialogs);
  TFOrvane f(p, h);
  f.FormCreate();
  fresh.timers.Advance(500);
  EXPECT_TRUE(f.TrayList->Classes.empty());
  f.TrayList->AddClass("First");  // still unreadable: the file is left alone
  EXPECT_EQ(fresh.shell.files[ClassFile], EncodeClassFile({"Old"}));
  fresh.shell.failRead = false;  // readable again by the time the user marks a class
  f.TrayList->AddClass("New");
  EXPECT_EQ(fresh.shell.files[ClassFile], EncodeClassFile({"First", "New", "Old"}));
}

TEST_F(MarkedClasses, FailedWriteKeepsTheOldFileWhole) {
  List().AddClass("A");
  const Bytes before = w.shell.files[ClassFile];
  w.shell.failReplace = true;
  List().AddClass("B");
  EXPECT_EQ(w.shell.files[ClassFile], before);
  EXPECT_TRUE(List().HasClass("B")) << "marked for this run all the same";
  w.shell.failReplace = false;
  List().AddClass("C");
  EXPECT_EQ(w.shell.files[ClassFile], EncodeClassFile({"A", "B", "C"}));
}

TEST_F(MarkedClasses, ClassFileLivesBesideTheExecutable) {
  w.shell.modulePath = "D:\\Tools\\Tray\\velmora.exe";
  EXPECT_EQ(List().ClassFilePath(), "C:\\Apps\\Velmora\\Velmora.vlm");
  TListTrayIcon other(ports, *form, nullptr);
  EXPECT_EQ(other.ClassFilePath(), "D:\\Tools\\Tray\\velmora.vlm");
}

// The library's reader waits for a rewrite in progress and reads what it wrote, the watches under the
// same check: a watch names one process instance, until its time. It reads nothing once its wait ends.
TEST(MarkTable, AReaderWaitsForARewriteInProgressOrGivesUp) {
  auto table = std::make_unique<TMarkTable>();
  table->Sequence = 1;
  int waits = 0;
  auto writerEndsAtTheThirdWait = [&] {
    if (++waits == 3) WriteMarkTable(*table, {{"Notepad", RuleCloseToTray}}, std::vector{MakeWatchSlot(7, 70, 100)});
    return true;
  };
  EXPECT_EQ(RulesFor(*table, "Notepad", "NOTEPAD", writerEndsAtTheThirdWait), RuleCloseToTray);
  EXPECT_TRUE(Watched(*table, 7, 70, 99, NoWait));
  EXPECT_FALSE(Watched(*table, 7, 71, 99, NoWait) || Watched(*table, 7, 70, 100, NoWait)) << "another one, or late";
  table->Sequence = 5;
  EXPECT_EQ(RulesFor(*table, "Notepad", "Notepad", [&] { return ++waits < 10; }), 0);
}

// "Run hidden" takes the first window of its own process instance, within a minute; the watch ends
// with its process.
TEST_F(MarkedClasses, AWatchTakesTheFirstWindowOfItsOwnProcessWithinAMinuteAndEndsWithIt) {
  auto opens = [&](std::uint32_t pid) {
    const Hwnd wnd = w.desktop.AddWindow({.className = "Started", .pid = pid});
    Request(RQ_OPENED, wnd);
    w.timers.Advance(100);
    return Hidden(wnd);
  };
  for (std::uint32_t pid : {77u, 78u, 79u}) List().WatchFirstWindow(pid);
  w.kernel.processStarts[77] = 5;  // another process given the same id
  w.kernel.processStarts[78] = 0;  // ended without a window
  w.desktop.Deliver(List().TrayWnd, ProcessEndedMessage, 78, 0);
  EXPECT_FALSE(opens(77) || Watched(*form->Sections().Marks(), 78));
  w.timers.Advance(WatchLifetimeMs);
  EXPECT_FALSE(opens(79)) << "a minute later";
  EXPECT_FALSE(List().WatchFirstWindow(78)) << "an instance that cannot be told: the command answers so";
  for (std::uint32_t pid = 1; pid < WatchedProcessSlots; ++pid) EXPECT_TRUE(List().WatchFirstWindow(1000 + pid));
  EXPECT_TRUE(List().WatchFirstWindow(77));
  EXPECT_FALSE(List().WatchFirstWindow(80)) << "full: refused, never the oldest dropped";
  EXPECT_TRUE(opens(77) && !opens(77)) << "its first window, once";
  EXPECT_TRUE(List().WatchFirstWindow(80)) << "a slot freed";
}

}  // namespace
}  // namespace velmora
