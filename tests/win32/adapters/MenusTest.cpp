// The popup menu adapter: built from entries, chosen with the keyboard as a user would.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ui/MenuPainter.h"
#include "ui/Win32Menus.h"
#include "win32/Convert.h"
#include "win32/Win32Desktop.h"

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

// Enter on the second item gives its command; Escape gives 0.
TEST_F(MenusTest, ReturnsTheChosenCommandOrZeroWhenDismissed) {
  const std::pair<std::vector<WPARAM>, std::uint32_t> cases[] = {{{VK_DOWN, VK_DOWN, VK_RETURN}, 9u}, {{VK_ESCAPE}, 0u}};
  for (const auto& [keys, expected] : cases) {
    test::Thread user([keys = keys] { AnswerMenu(keys); });
    ::SetForegroundWindow(ToHwnd(owner));
    EXPECT_EQ(menus.TrackPopupMenu(Items(), 100, 100, owner, false), expected);
  }
}

// Every drawn item carries its text where screen readers look for it; a typed letter, of any script, chooses the item.
TEST_F(MenusTest, ItemsSpeakAndALetterChoosesTheItem) {
  std::vector<std::wstring> read;
  test::Thread user([&] {
    HWND menu = nullptr;
    for (int i = 0; i < 300 && !(menu && ::IsWindowVisible(menu)); ++i, ::Sleep(10)) menu = ::FindWindowA("#32768", nullptr);
    const auto hmenu = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
    for (UINT i = 0; i < static_cast<UINT>(::GetMenuItemCount(hmenu)); ++i) {
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_DATA;
      ::GetMenuItemInfoW(hmenu, i, TRUE, &info);
      if (const auto* msaa = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData); msaa && msaa->dwMSAASignature == MSAA_MENU_SIG)
        read.emplace_back(msaa->pszWText, msaa->cchWText);
    }
    ::PostMessageW(menu, WM_CHAR, L'\u0E2A', 0);  // outside the ANSI code page
    for (int i = 0; i < 200 && ::IsWindowVisible(menu); ++i) ::Sleep(10);
    if (::IsWindowVisible(menu)) ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);  // not chosen: the case fails, not hangs
  });
  std::vector<MenuEntry> items = Items();
  items.push_back({.text = "\u0E2A\u0E2D\u0E07 window", .command = 11});
  ::SetForegroundWindow(ToHwnd(owner));
  EXPECT_EQ(menus.TrackPopupMenu(items, 100, 100, owner, true), 11u);
  EXPECT_EQ(read, (std::vector<std::wstring>{L"First & more", L"第二", L"\u0E2A\u0E2D\u0E07 window"}));

  // Of two items with the letter, the one after the selected item is selected; headings are passed over.
  DrawnItem save(L"Save", nullptr, false, false), heading(L"Send", nullptr, false, true), sort(L"sort", nullptr, false, false);
  const HMENU menu = ::CreatePopupMenu();
  for (DrawnItem* item : {&save, &heading, &sort})
    ::AppendMenuW(menu, MF_OWNERDRAW | (item->heading ? MF_DISABLED : 0) | (item == &save ? MF_HILITE : 0), 1,
                  reinterpret_cast<LPCWSTR>(item));
  EXPECT_EQ(AnswerMenuChar(menu, L's'), MAKELRESULT(2, MNC_SELECT));
  ::DestroyMenu(menu);
}

TEST_F(MenusTest, WorkAreaAndCursor) {
  int right = 0, bottom = 0, x = -1, y = -1;
  ASSERT_TRUE(menus.GetWorkArea(right, bottom));
  EXPECT_GT(right, 0);
  EXPECT_GT(bottom, 0);
  EXPECT_TRUE(menus.GetCursorPos(x, y));
}


// The drawn style, painted into a bitmap and read back pixel by pixel.
class MenuPainterTest : public MenusTest {
 protected:
  static constexpr int W = 240, H = 32;
  std::vector<std::uint32_t> Paint(const DrawnItem& item, bool selected) { return Paint(painter, item, selected); }
  std::vector<std::uint32_t> Paint(const MenuPainter& with, const DrawnItem& item, bool selected) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), W, -H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueDc dc(::CreateCompatibleDC(nullptr));
    UniqueBitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
      SelectGuard select(dc.get(), bitmap.get());
      with.Draw(item, dc.get(), RECT{0, 0, W, H}, selected, false);
      ::GdiFlush();
    }
    const auto* p = static_cast<const std::uint32_t*>(bits);
    return std::vector<std::uint32_t>(p, p + W * H);
  }
  static std::uint32_t Rgb(int sysColor) {
    const COLORREF c = ::GetSysColor(sysColor);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  }
  // Pixels in the columns [x0, x1) that are not the given colour.
  static int Marked(const std::vector<std::uint32_t>& px, int x0, int x1, std::uint32_t ground) {
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = x0; x < x1; ++x) n += (px[static_cast<std::size_t>(y * W + x)] & 0xFFFFFF) != ground;
    return n;
  }
  MenuPainter painter{ToHwnd(owner)};
};

TEST_F(MenuPainterTest, ImageTextHeadingAndDefaultItemAreDrawn) {
  const HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), "MENUHELP");
  ASSERT_NE(icon, nullptr);
  const int gutter = painter.IconSize() + 8;
  const auto item = Paint({L"帮助 恢复所有", icon, false, false}, false);
  EXPECT_GT(Marked(item, 0, gutter, Rgb(COLOR_MENU)), painter.IconSize() * 4) << "the image column";
  EXPECT_GT(Marked(item, gutter, W, Rgb(COLOR_MENU)), 20) << "the caption";
  const auto selected = Paint({L"恢复", nullptr, false, false}, true);
  EXPECT_EQ(selected[0] & 0xFFFFFF, Rgb(COLOR_HIGHLIGHT));
  const auto heading = Paint({L"恢复 窗口", nullptr, false, true}, true);
  EXPECT_EQ(heading[(H / 2) * W + 6] & 0xFFFFFF, Rgb(COLOR_MENU)) << "a heading is never filled";
  EXPECT_EQ(heading[0] & 0xFFFFFF, Rgb(COLOR_HIGHLIGHT)) << "but framed where the keyboard rests";
  EXPECT_GT(Marked(heading, W - 60, W - 10, Rgb(COLOR_MENU)), 40) << "the line after the hint";
  EXPECT_GT(painter.Measure({L"Velmora", nullptr, true, false}).cx, painter.Measure({L"Velmora", nullptr, false, false}).cx)
      << "the default item is bold";
  EXPECT_GE(painter.Measure({L"x", icon, false, false}).cy, painter.IconSize());

  // The taskbar in the dark theme: the next menu has the dark ground and light text.
  const DWORD dark = 0;
  ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, SystemUsesLightTheme, REG_DWORD, &dark, 4), 0);
  const auto onDark = Paint(MenuPainter(ToHwnd(owner)), {L"帮助 恢复所有", icon, false, false}, false);
  ::RegDeleteKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, SystemUsesLightTheme);
  EXPECT_EQ(onDark[W - 1] & 0xFFFFFF, 0x2B2B2Bu);
  int light = 0;
  for (int i = 0; i < W * H; ++i) light += i % W > gutter && (onDark[static_cast<std::size_t>(i)] & 0xC0C0C0) == 0xC0C0C0;
  EXPECT_GT(light, 20) << "light text";
}

}  // namespace
}  // namespace velmora
