// The popup menu adapter: built from entries, chosen with the keyboard as a user would.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "win32/Convert.h"
#include "win32/Win32Desktop.h"
#include "win32/Win32Menus.h"

namespace velmora {
namespace {

// Sends keys to the popup menu window once it shows, from another thread.
void AnswerMenu(std::vector<WPARAM> keys) {
  HWND menu = nullptr;
  for (int i = 0; i < 300 && menu == nullptr; ++i) {
    HWND found = ::FindWindowA("#32768", nullptr);
    if (found && ::IsWindowVisible(found)) menu = found;
    else ::Sleep(10);
  }
  if (menu == nullptr) return;
  for (WPARAM key : keys) {
    ::PostMessageA(menu, WM_KEYDOWN, key, 0);
    ::PostMessageA(menu, WM_KEYUP, key, 0);
    ::Sleep(30);
  }
}

class MenusTest : public ::testing::Test {
 protected:
  Win32Desktop desktop;
  Win32Menus menus;
  Hwnd owner = desktop.CreateUtilityWindow("VelmoraMenuOwner", [](std::uint32_t, std::uintptr_t, std::intptr_t) {
    return std::optional<std::intptr_t>{};
  });
  std::vector<MenuEntry> Items() {
    const Hicon icon = FromHicon(::LoadIconA(nullptr, IDI_APPLICATION));
    return {{.text = "First & more", .command = 7, .icon = icon}, {.text = "第二", .command = 9}};
  }
  ~MenusTest() override { desktop.DestroyWindow(owner); }
};

TEST_F(MenusTest, ReturnsTheChosenCommand) {
  std::uint32_t chosen = 0;
  {
    test::Thread user([] { AnswerMenu({VK_DOWN, VK_DOWN, VK_RETURN}); });
    ::SetForegroundWindow(ToHwnd(owner));
    chosen = menus.TrackPopupMenu(Items(), 100, 100, owner);
  }
  EXPECT_EQ(chosen, 9u);
}

TEST_F(MenusTest, DismissedMenuAnswersZero) {
  std::uint32_t chosen = 1;
  {
    test::Thread user([] { AnswerMenu({VK_ESCAPE}); });
    ::SetForegroundWindow(ToHwnd(owner));
    chosen = menus.TrackPopupMenu(Items(), 100, 100, owner);
  }
  EXPECT_EQ(chosen, 0u);
}

TEST_F(MenusTest, WorkAreaAndCursor) {
  int right = 0, bottom = 0, x = -1, y = -1;
  ASSERT_TRUE(menus.GetWorkArea(right, bottom));
  EXPECT_GT(right, 0);
  EXPECT_GT(bottom, 0);
  EXPECT_TRUE(menus.GetCursorPos(x, y));
}

}  // namespace
}  // namespace velmora
