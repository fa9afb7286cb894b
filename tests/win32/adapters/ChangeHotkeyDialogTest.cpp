// The change-hotkey dialog driven as a user would: keys and clicks from another thread.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "settings/HotkeyText.h"
#include "ui/ChangeHotkeyDialog.h"
#include "win32/Dpi.h"

namespace velmora {
namespace {

HWND WaitShown(HWND wnd) {
  for (int i = 0; i < 300 && !::IsWindowVisible(wnd); ++i) ::Sleep(10);
  return wnd;
}

std::wstring TextOf(HWND wnd) {
  wchar_t text[64] = {};
  ::SendMessageW(wnd, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST(ChangeHotkeyDialogTest, AKeyPressAndTwoClicksPickACombinationEscapeDoesNothing) {
  ChangeHotkeyDialog dialog(TextsFor(::GetUserDefaultUILanguage()));
  TChangeHotkey logic(dialog);
  dialog.Connect(logic);
  HWND wnd = dialog.Window();
  ASSERT_NE(wnd, nullptr);
  RECT client{};
  ::GetClientRect(wnd, &client);
  const int dpi = WindowDpi(wnd);
  EXPECT_EQ(client.right, ScaleForDpi(ChangeHotkeyDialog::ClientWidth, dpi));
  EXPECT_EQ(client.bottom, ScaleForDpi(ChangeHotkeyDialog::ClientHeight, dpi));

  std::wstring shown;
  bool enabledBeforeModifier = true, openAfterEscape = false;
  std::uint8_t mods = 0;
  std::uint16_t key = 0;
  bool ok = false;
  {
    test::Thread user([&] {
      WaitShown(wnd);
      // The check box has the focus; the form takes the key before it does.
      ::PostMessageW(::GetDlgItem(wnd, cbctrl), WM_KEYDOWN, 'K', 0);
      ::Sleep(150);
      shown = TextOf(::GetDlgItem(wnd, EditHK));
      enabledBeforeModifier = ::IsWindowEnabled(::GetDlgItem(wnd, bchange)) != FALSE;
      ::PostMessageW(::GetDlgItem(wnd, cbctrl), WM_KEYDOWN, VK_ESCAPE, 0);
      ::Sleep(150);
      openAfterEscape = ::IsWindowVisible(wnd) != FALSE;
      ::SendMessageW(::GetDlgItem(wnd, cbalt), BM_CLICK, 0, 0);
      ::SendMessageW(::GetDlgItem(wnd, bchange), BM_CLICK, 0, 0);
    });
    ok = logic.Execute("最小化到托盘", 0, 0, mods, key);
  }
  EXPECT_EQ(shown, L"  K");
  EXPECT_FALSE(enabledBeforeModifier) << "no modifier ticked yet";
  EXPECT_TRUE(openAfterEscape);
  EXPECT_TRUE(ok);
  EXPECT_EQ(mods, ModAlt);
  EXPECT_EQ(key, 'K');
  EXPECT_FALSE(::IsWindowVisible(wnd)) << "hidden again, kept for the next use";

  {
    test::Thread user([&] { ::PostMessageW(WaitShown(wnd), WM_CLOSE, 0, 0); });
    ok = logic.Execute("x", ModWin, 'Q', mods, key);
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(mods, ModWin);
  EXPECT_EQ(key, 'Q');

  // By keyboard only: a combination makes "更改" the focused default; Tab moves
  // on to "取消", which then takes Enter.
  {
    test::Thread user([&] {
      const auto press = [&](ControlId to, WPARAM k) {
        ::PostMessageW(::GetDlgItem(WaitShown(wnd), to), WM_KEYDOWN, k, 0);
        ::PostMessageW(::GetDlgItem(wnd, to), WM_KEYUP, k, 0);
        ::Sleep(100);
      };
      press(cbctrl, VK_SPACE), press(cbctrl, 'J'), press(bchange, VK_TAB);
      press(bcancel, VK_RETURN);
    });
    ok = logic.Execute("x", 0, 0, mods, key);
  }
  EXPECT_FALSE(ok) << "Enter pressed the focused 取消, not the default 更改";
}

}  // namespace
}  // namespace velmora
