// The options dialog of the real Velmora: the splash, the About page on a
// second start, the options hotkey, storing that acts at once, the Run value,
// a hotkey row changed through the change-hotkey dialog, and the marks page.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "TrayFixture.h"
#include "options/TAboutForm.h"
#include "shared/TitleButtons.h"

namespace velmora::e2e {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

HWND Dialog() { return FindWindowW(L"TAboutForm", nullptr); }
HWND Control(HWND dialog, const wchar_t* caption) { return FindWindowExW(dialog, nullptr, nullptr, caption); }
void Press(HWND control) { SendMessageW(control, BM_CLICK, 0, 0); }
bool Checked(HWND control) { return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }
std::wstring TextOf(HWND control) {
  wchar_t text[128] = {};
  SendMessageW(control, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
  return text;
}

class OptionsTest : public TrayTest {};

TEST_F(OptionsTest, SplashHidesAfterASecondAndAHalfAndASecondStartShowsTheAboutPage) {
  // Timed from the start: the case may see the splash late on a busy machine, never early.
  const auto shown = std::chrono::steady_clock::now();
  StartVelmora();  // the first start: default settings, splash on
  ASSERT_TRUE(WaitUntil([] { return Dialog() && IsWindowVisible(Dialog()); }, 5s)) << "no splash";
  EXPECT_TRUE(Checked(Control(Dialog(), L"关于(&A)")));
  ASSERT_TRUE(WaitUntil([] { return !IsWindowVisible(Dialog()); }, 4s));
  const auto ms = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - shown).count();
  EXPECT_GT(ms, 1000);
  main_ = WaitForMainWindow();
  Process& second = StartVelmora();
  EXPECT_TRUE(second.WaitExit(5s));
  EXPECT_TRUE(WaitUntil([] { return IsWindowVisible(Dialog()) != FALSE; }, 3s)) << "no About page";
  EXPECT_TRUE(Checked(Control(Dialog(), L"关于(&A)")));
  ASSERT_TRUE(CloseVelmora());
}

TEST_F(OptionsTest, OptionsHotkeyStoringActsAtOnceRunValueAndAHotkeyRow) {
  ASSERT_TRUE(WriteRegString(kRunKey, L"Other", L"x"));  // the Run key exists, as on Windows
  Probe& book = Open(L"EXCEL7", L"Book");
  ASSERT_NE(Start({{32, 1}, {33, MOD_CONTROL | MOD_ALT}, {34, 'O'}}), nullptr);
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'O'));
  ASSERT_TRUE(WaitUntil([] { return Dialog() && IsWindowVisible(Dialog()); }, 3s));
  HWND dialog = Dialog();
  EXPECT_TRUE(Checked(Control(dialog, L"系统托盘(&S)"))) << "the tray page the first time";
#ifdef VELMORA_FIGURES
  std::vector<long long> shown;
  for (int i = 0; i < 20; ++i) {
    Press(Control(dialog, L"关闭"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 2s));
    Sleep(200ms);  // the keys of the last press are up
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'O'));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 3s, 1ms)) << "sample " << i;
    shown.push_back(std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(shown.begin(), shown.end());
  std::printf("options hotkey to the dialog visible: median %lld ms (20 samples)\n", shown[shown.size() / 2]);
#endif
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  Sleep(300ms);
  EXPECT_TRUE(IsWindowVisible(dialog)) << "close requests are refused";
  Press(Control(dialog, L"杂项(&M)"));
  HWND field = GetDlgItem(dialog, edititemtext);  // no more than the record's 50 bytes, cut between characters
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"最小化到系统托盘的窗口菜单项文字共十八字"));
  EXPECT_EQ(TextOf(field), L"最小化到系统托盘的窗口菜单项文字");
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Minimize To &Tray"));
  Press(Control(dialog, L"Excel 窗口"));
  Press(Control(dialog, L"关闭"));
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_TRUE(SendToTray(book.Window())) << "the Excel rule acts at once";
  EXPECT_EQ(ReadRegString(kRunKey, L"Velmora").value_or(L""), ExePath().find(L' ') == std::wstring::npos
                                                                       ? ExePath()
                                                                       : L"\"" + ExePath() + L"\"");

  // Hotkey row 3 (restore all), ticked and given Ctrl+Alt+R in the change-hotkey dialog.
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'O'));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 3s));
  Press(Control(dialog, L"热键(&H)"));
  PostMessageW(Control(dialog, L"从系统托盘恢复所有窗口"), BM_CLICK, 0, 0);  // the change dialog is modal
  HWND change = WaitForWindow(L"TChangeHotkey", nullptr, 3s);
  ASSERT_TRUE(change && WaitUntil([&] { return IsWindowVisible(change) != FALSE; }, 3s));
  PostMessageW(Control(change, L"CTRL"), WM_KEYDOWN, 'R', 0);
  Sleep(200ms);
  Press(Control(change, L"CTRL"));
  Press(Control(change, L"ALT"));
  Press(Control(change, L"更改"));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(change); }, 3s));
  EXPECT_TRUE(WaitUntil([&] { return TextOf(GetDlgItem(dialog, lcbrestoreft)) == L"CTRL + ALT + R"; }, 2s))
      << Narrow(TextOf(GetDlgItem(dialog, lcbrestoreft)));
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'R'));
  EXPECT_TRUE(WaitUntil([&] { return Restored(book.Window()); }, 3s)) << "the new hotkey works at once";

  Press(Control(dialog, L"杂项(&M)"));
  Press(Control(dialog, L"Windows启动时运行Velmora"));
  Press(Control(dialog, L"关闭"));
  EXPECT_TRUE(WaitUntil([] { return !ReadRegString(kRunKey, L"Velmora").has_value(); }, 2s)) << "removed";

  // A close (the installer's, say) while the change-hotkey dialog is open: the
  // dialog is answered as cancelled and Velmora ends, every window back.
  ASSERT_TRUE(SendToTray(book.Window()));
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'O'));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 3s));
  Press(Control(dialog, L"热键(&H)"));
  PostMessageW(Control(dialog, L"从系统托盘关闭所有按钮"), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(change) != FALSE; }, 3s));
  PostMessageW(main_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(velmora_.WaitExit(2s)) << "a close is never refused";
  EXPECT_TRUE(WaitUntil([&] { return Restored(book.Window()); }, 2s)) << State(book.Window());
  CloseExpectingAllBack({book.Window()});
}

TEST_F(OptionsTest, MarksPageShowsTheMarksAndCloseStoresWhatChanged) {
  auto file = ClassFile({"discord.exe|Chrome_WidgetWin", "VelmoraMarkA", "VelmoraMarkB"});
  file[257] = 1;  // close to tray
  ASSERT_TRUE(WriteFileBytes(ClassFilePath(), file));
  ASSERT_NE(Start({{32, 1}, {33, MOD_CONTROL | MOD_ALT}, {34, 'O'}}), nullptr);
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'O'));
  ASSERT_TRUE(WaitUntil([] { return Dialog() && IsWindowVisible(Dialog()); }, 3s));
  HWND dialog = Dialog(), list = GetDlgItem(dialog, lvmarks);
  HWND closeRule = Control(dialog, L"单击关闭按钮时送往托盘(&C)"), openRule = Control(dialog, L"打开时即送往托盘(&O)");
  Press(Control(dialog, L"标记(&K)"));
  // The rows, the selected one's rules in the boxes below; the arrows move the selection.
  const auto key = [&](WPARAM vk) { SendMessageW(list, WM_KEYDOWN, vk, 0); };
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_TRUE(Checked(closeRule) && !Checked(openRule));
  // A real click on the first row's "打开" cell acts as on its box. Found without
  // pointers, which the list would write into Velmora's own memory.
  RECT header{};
  GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
  LONG x = header.left;
  for (WPARAM column = 0; column < 3; ++column) x += static_cast<LONG>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
  ASSERT_TRUE(test::ClickAt({x + static_cast<LONG>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 3, 0)) / 2, header.bottom + 4}));
  EXPECT_TRUE(WaitUntil([&] { return Checked(openRule); }, 2s));
  key(VK_DOWN), key(VK_DOWN);
  EXPECT_FALSE(Checked(closeRule));
  Press(openRule);
  key(VK_UP);
  EXPECT_FALSE(Checked(openRule));
  Press(Control(dialog, L"移除"));
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_TRUE(Checked(openRule)) << "the next row selected, VelmoraMarkB with its new rule";
  EXPECT_EQ(ReadFileBytes(ClassFilePath()), file) << "nothing stored before 关闭";
  Press(Control(dialog, L"关闭"));
  auto stored = ClassFile({"discord.exe|Chrome_WidgetWin", "VelmoraMarkB"});
  stored[257] = 3, stored[260 + 257] = 2;  // the rules, in each record's byte 257
  EXPECT_EQ(ReadFileBytes(ClassFilePath()), stored);
  ASSERT_TRUE(CloseVelmora());
}

// Run alone with an English UI language (ctest's e2e_english): the captions follow it.
class EnglishOptionsTest : public TrayTest {};

TEST_F(EnglishOptionsTest, TheOptionsDialogSpeaksEnglish) {
  ASSERT_NE(PRIMARYLANGID(GetUserDefaultUILanguage()), LANG_CHINESE) << "meant for an English UI language";
  ASSERT_NE(Start({{32, 1}, {33, MOD_CONTROL | MOD_ALT}, {34, 'O'}}), nullptr);
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'O'));
  ASSERT_TRUE(WaitUntil([] { return Dialog() && IsWindowVisible(Dialog()); }, 3s));
  HWND dialog = Dialog();
  std::wstring captions;
  for (int id : {buttonstm, buttonmisc, buttontemp, buttonhotkeys, buttonmarks, buttonabout, bhelp, bclose})
    captions += TextOf(GetDlgItem(dialog, id)) + L"|";
  EXPECT_EQ(captions, L"&System Tray|&Miscellaneous|&Triggers|&Hotkeys|Mar&ks|&About|Help|Close|");
  EXPECT_TRUE(IsWindowVisible(Control(dialog, L"Hide inactive icons (move them into a menu)")));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, htext)), L"Hide after 5 minutes");
  Press(Control(dialog, L"&Miscellaneous"));
  EXPECT_TRUE(IsWindowVisible(Control(dialog, L"Run Velmora when Windows starts")));
  Press(Control(dialog, L"Close"));
  EXPECT_FALSE(IsWindowVisible(dialog));
  ASSERT_TRUE(CloseVelmora());
}

}  // namespace
}  // namespace velmora::e2e
