// The real Velmora used with the keyboard alone: the options dialog walked by
// Tab, arrows, mnemonics and Enter, and the list menu of a hotkey chosen by a letter.
#include "TrayFixture.h"
#include "options/TAboutForm.h"

namespace velmora::e2e {
namespace {

// The control with the keyboard focus in the dialog's thread.
HWND FocusIn(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) ? info.hwndFocus : nullptr;
}

// A key as the user types it, with modifiers, to whatever window has the focus.
void Type(WORD vk, UINT modifiers = 0) {
  PressHotkey(modifiers, vk);
  Sleep(150ms);
}

class KeyboardTest : public TrayTest {};

TEST_F(KeyboardTest, TheOptionsDialogAndTheListMenuByKeysAlone) {
  Probe& book = Open(L"EXCEL7", L"Notes");
  ASSERT_NE(Start({{kHandleExcel, 1}, {32, 1}, {33, MOD_CONTROL | MOD_ALT}, {34, 'O'}, {48, 1},
                   {49, MOD_CONTROL | MOD_ALT}, {50, 'L'}}),
            nullptr);
  ASSERT_TRUE(SendToTray(book.Window()));
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'O'));
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindowW(L"TAboutForm", nullptr)) && IsWindowVisible(dialog); }, 3s));
  const auto item = [&](int id) { return GetDlgItem(dialog, id); };
  EXPECT_TRUE(WaitUntil([&] { return FocusIn(dialog) == item(cbstm1); }, 2s)) << "the page's first control";

  Type(VK_DOWN);  // the arrow selects as it moves: one icon for all windows
  EXPECT_EQ(FocusIn(dialog), item(cbstm2));
  EXPECT_EQ(SendMessageW(item(cbstm2), BM_GETCHECK, 0, 0), BST_CHECKED);

  // Alt+H: the hotkeys page; Tab reaches row 2's key text, whose Enter opens the change dialog.
  Type('H', MOD_ALT);
  EXPECT_EQ(SendMessageW(item(buttonhotkeys), BM_GETCHECK, 0, 0), BST_CHECKED);
  Type(VK_TAB);
  Type(VK_TAB);
  ASSERT_EQ(FocusIn(dialog), item(lcbactivate));
  Type(VK_RETURN);
  HWND change = WaitForWindow(L"TChangeHotkey", nullptr, 3s);
  ASSERT_TRUE(change && WaitUntil([&] { return IsWindowVisible(change) != FALSE; }, 3s));
  Type(VK_ESCAPE);
  EXPECT_TRUE(IsWindowVisible(change)) << "Esc does nothing there";
  for (int i = 0; i < 6 && FocusIn(change) != GetDlgItem(change, bcancel); ++i) Type(VK_TAB);
  Type(VK_RETURN);  // on "取消": cancelled, whatever the default was
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(change); }, 2s));
  EXPECT_TRUE(WaitUntil([&] { return FocusIn(dialog) == item(lcbactivate); }, 2s)) << "back where it was";

  // Enter on "关闭", reached by Tab: stored and closed.
  for (int i = 0; i < 12 && FocusIn(dialog) != item(bclose); ++i) Type(VK_TAB);
  Type(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 2s));
  EXPECT_EQ(ReadRegBinary(kSettingsKey, L"Options").value_or(std::vector<std::uint8_t>(108))[kTrayMode], 1);

  // Hotkey 6: the list menu opens on its first item; the window's first letter chooses it.
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'L'));
  HWND menu = WaitForMenu(3s);
  ASSERT_NE(menu, nullptr);
  Type('N');
  EXPECT_TRUE(WaitMenuGone(menu));
  EXPECT_TRUE(WaitUntil([&] { return Restored(book.Window()); }, 3s)) << State(book.Window());
  CloseExpectingAllBack({book.Window()});
}

}  // namespace
}  // namespace velmora::e2e
