// The real Velmora by keys alone: the options dialog and the list menu of hotkey 6.
#include "TrayFixture.h"
#include "options/TAboutForm.h"

namespace velmora::e2e {
namespace {

HWND FocusIn(HWND dialog) {
  GUITHREADINFO info{sizeof info, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, {}};
  return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) ? info.hwndFocus : nullptr;
}
// To whatever has the focus; once `front` is in front, as keys sent before the
// foreground has arrived there go elsewhere.
void Type(WORD vk, UINT modifiers = 0, HWND front = nullptr) {
  // Wine hands the foreground on asynchronously (after a modal dialog, say): asked for again if it lingers.
  if (front && !WaitUntil([&] { return GetForegroundWindow() == front; }, 1s))
    WaitUntil([&] { return SetForegroundWindow(front) && GetForegroundWindow() == front; }, 2s);
  PressHotkey(modifiers, vk);
  Sleep(150ms);
}
// Tab, and the focus has moved before the next key: a Tab still on its way when
// the focus is looked at would otherwise move it past where the case stops.
void Tab(HWND dialog) {
  const HWND before = FocusIn(dialog);
  Type(VK_TAB, 0, dialog);
  WaitUntil([&] { return FocusIn(dialog) != before; }, 2s);
}
class KeyboardTest : public TrayTest {};

TEST_F(KeyboardTest, TheOptionsDialogAndTheListMenuByKeysAlone) {
  Probe& book = Open(L"EXCEL7", L"Notes");
  HWND other = Open(L"Notepad", L"Other").Window();
  ASSERT_TRUE(Start({{kHandleExcel, 1}, {32, 1}, {33, MOD_CONTROL | MOD_ALT}, {34, 'O'}, {48, 1}, {49, 3}, {50, 'L'}}));
  ASSERT_TRUE(SendToTray(book.Window()));
  EXPECT_EQ(Icon(TrayId(book.Window())).value_or(TrayRecord{}).version, 3u) << "keys reach the icon";
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'O'));
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindowW(L"TAboutForm", nullptr)) && IsWindowVisible(dialog); }, 3s));
  const auto item = [&](int id) { return GetDlgItem(dialog, id); };
  // The page's first control has the focus; an arrow selects as it moves.
  EXPECT_TRUE(WaitUntil([&] { return FocusIn(dialog) == item(cbstm1); }, 2s)) << "the page's first control";
  Type(VK_DOWN, 0, dialog);
  EXPECT_TRUE(FocusIn(dialog) == item(cbstm2) && SendMessageW(item(cbstm2), BM_GETCHECK, 0, 0) == BST_CHECKED);
  // Brought back from another program as the taskbar does it, open or minimized: the focus where it was.
  for (const bool minimized : {false, true}) {
    ASSERT_TRUE(WaitUntil([&] { return SetForegroundWindow(other) && GetForegroundWindow() == other; }, 3s));
    if (minimized) Minimize(dialog);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(dialog) == minimized; }, 2s));
    SwitchToThisWindow(dialog, TRUE);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog && FocusIn(dialog) == item(cbstm2); }, 3s));
  }
  // Characters outside the ANSI code page, typed into the menu-item text, arrive whole.
  HWND field = item(edititemtext);
  const auto text = [&] { wchar_t t[64] = {}; SendMessageW(field, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(t)); return std::wstring(t); };
  const std::wstring stored = text();
  SendMessageW(field, EM_SETSEL, stored.size(), stored.size());
  for (const wchar_t c : {L'\u0E01', L'\u20AC'}) PostMessageW(field, WM_CHAR, c, 0);
  EXPECT_TRUE(WaitUntil([&] { return text() == stored + L"\u0E01\u20AC"; }, 2s)) << "as typed";
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(stored.c_str()));
  // Alt+H: the hotkeys page; Tab reaches row 2's key text, whose Enter opens the change dialog.
  Type('H', MOD_ALT, dialog);
  EXPECT_TRUE(WaitUntil([&] { return SendMessageW(item(buttonhotkeys), BM_GETCHECK, 0, 0) == BST_CHECKED; }, 1s));
  Tab(dialog), Tab(dialog);
  ASSERT_EQ(FocusIn(dialog), item(lcbactivate));
  Type(VK_RETURN, 0, dialog);
  HWND change = WaitForWindow(L"TChangeHotkey", nullptr, 3s);
  ASSERT_TRUE(change && WaitUntil([&] { return IsWindowVisible(change) != FALSE; }, 3s));
  for (int i = 0; i < 6 && FocusIn(change) != GetDlgItem(change, bcancel); ++i) Tab(change);
  Type(VK_RETURN, 0, change);  // on "取消": cancelled, whatever the default was
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(change); }, 2s));
  EXPECT_TRUE(WaitUntil([&] { return FocusIn(dialog) == item(lcbactivate); }, 2s)) << "back where it was";
  // Enter on "关闭", reached by Tab: stored and closed.
  for (int i = 0; i < 12 && FocusIn(dialog) != item(bclose); ++i) Tab(dialog);
  Type(VK_RETURN, 0, dialog);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 2s));
  EXPECT_EQ(ReadRegBinary(kSettingsKey, L"Options").value_or(std::vector<std::uint8_t>(108))[kTrayMode], 1);
  // Hotkey 6: the list menu opens on its first item; the window's first letter chooses it.
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'L'));
  HWND menu = WaitForMenu(3s);
  Type('N');
  EXPECT_TRUE(WaitMenuGone(menu));
  EXPECT_TRUE(WaitUntil([&] { return Restored(book.Window()); }, 3s)) << State(book.Window());
  CloseExpectingAllBack({book.Window()});
}


}  // namespace
}  // namespace velmora::e2e
