// The global hotkeys pressed as a user would (SendInput), a combination that
// another program holds, and the help item of the menu.
#include <chrono>
#include <cstdio>
#include <sstream>

#include "TrayFixture.h"
#include "platform/Palette.h"

namespace velmora::e2e {
namespace {

using Clock = std::chrono::steady_clock;

// The settings record keeps hotkey n in four bytes from 28 + 4 (n - 1): enabled, modifiers, key.
std::vector<Setting> Hotkey(int number, std::uint8_t modifiers, std::uint8_t key) {
  const std::size_t at = 28 + 4 * static_cast<std::size_t>(number - 1);
  return {{at, 1}, {at + 1, modifiers}, {at + 2, key}};
}

// One item of a popup menu, as menu_reader.dll reads it inside Velmora.
struct MenuRow {
  std::wstring text, flags;
  RECT rect{};
};

LRESULT CALLBACK ReceiveRows(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    auto* out = reinterpret_cast<std::wstring*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (out && data->lpData) *out = static_cast<const wchar_t*>(data->lpData);
    return TRUE;
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

std::vector<MenuRow> ReadMenu(HWND menu) {
  std::vector<MenuRow> rows;
  HMODULE reader = LoadLibraryW(JoinPath(BinDir(), L"menu_reader.dll").c_str());
  auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(reader, "MenuReaderProc")));
  WNDCLASSW wc{};
  wc.lpfnWndProc = ReceiveRows;
  wc.lpszClassName = L"VelmoraMenuRows";
  RegisterClassW(&wc);
  HWND receiver = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  std::wstring text;
  SetWindowLongPtrW(receiver, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&text));
  HHOOK hook = proc ? SetWindowsHookExW(WH_CALLWNDPROC, proc, reader, GetWindowThreadProcessId(menu, nullptr)) : nullptr;
  DWORD_PTR result = 0;
  if (hook) SendMessageTimeoutW(menu, RegisterWindowMessageW(L"VelmoraReadMenu"), reinterpret_cast<WPARAM>(receiver), 0,
                                SMTO_NORMAL, 3000, &result);
  WaitUntil([&] { return !text.empty(); }, 2s);
  if (hook) UnhookWindowsHookEx(hook);
  DestroyWindow(receiver);
  std::wistringstream lines(text);
  for (std::wstring line; std::getline(lines, line);) {
    MenuRow row;
    const auto tab1 = line.find(L'\t'), tab2 = line.find(L'\t', tab1 + 1);
    row.text = line.substr(0, tab1);
    row.flags = line.substr(tab1 + 1, tab2 - tab1 - 1);
    swscanf(line.c_str() + tab2 + 1, L"%ld,%ld,%ld,%ld", &row.rect.left, &row.rect.top, &row.rect.right, &row.rect.bottom);
    rows.push_back(row);
  }
  return rows;
}

// Whether something is drawn in the image column of an item (read off the screen).
bool HasImage(const MenuRow& row) {
  HDC screen = GetDC(nullptr);
  const COLORREF ground = GetPixel(screen, row.rect.left + 1, row.rect.top + 1);
  int marked = 0;
  const int height = row.rect.bottom - row.rect.top;
  for (int y = row.rect.top + 2; y < row.rect.bottom - 2; ++y)
    for (int x = row.rect.left + 2; x < row.rect.left + height; ++x) marked += GetPixel(screen, x, y) != ground;
  ReleaseDC(nullptr, screen);
  return marked > 20;
}

// An item's ground at its right end and the light pixels after its image column (read off the screen).
std::pair<COLORREF, int> GroundAndLightText(const MenuRow& row) {
  HDC screen = GetDC(nullptr);
  const COLORREF ground = GetPixel(screen, row.rect.right - 2, row.rect.top + 1);
  int light = 0;
  for (int y = row.rect.top; y < row.rect.bottom; ++y)
    for (int x = row.rect.left + row.rect.bottom - row.rect.top + 4; x < row.rect.right; ++x)
      light += (GetPixel(screen, x, y) & 0xC0C0C0) == 0xC0C0C0;
  ReleaseDC(nullptr, screen);
  return {ground, light};
}

class MenuHotkeyTest : public TrayTest {
 protected:
  HWND StartWith(std::vector<Setting> settings) {
    auto options = DefaultOptions();
    options[kShowSplash] = 0;
    for (const auto& [at, value] : settings) options[at] = value;
    EXPECT_TRUE(WriteRegBinary(kSettingsKey, L"Options", options));
    StartVelmora();
    main_ = WaitForMainWindow();
    Sleep(300ms);
    return main_;
  }
};

TEST_F(MenuHotkeyTest, MinimizeHotkeySendsTheWindowInFrontAndRestoreHotkeyBringsAllBack) {
  Probe& plain = Open(L"PlainWindow", L"Plain");  // no mark, no rule: only the hotkey takes it
  ASSERT_TRUE(plain.Ok());
  std::vector<Setting> settings = Hotkey(1, MOD_CONTROL | MOD_ALT, 'M');
  for (const Setting& s : Hotkey(3, MOD_CONTROL | MOD_ALT, 'R')) settings.push_back(s);
  ASSERT_NE(StartWith(settings), nullptr);
  HWND w = plain.Window();
#ifdef VELMORA_FIGURES
  constexpr int kSamples = 20;
#else
  constexpr int kSamples = 1;
#endif
  std::vector<long long> hide, restore;
  for (int i = 0; i < kSamples; ++i) {
    SetForegroundWindow(w);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 2s));
    auto start = Clock::now();
    ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'M'));
    ASSERT_TRUE(WaitUntil([&] { return InTray(w) && Icon(TrayId(w)).has_value(); }, 3s)) << State(w);
    hide.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    start = Clock::now();
    ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'R'));
    ASSERT_TRUE(WaitUntil([&] { return Restored(w); }, 3s)) << State(w);
    restore.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  }
  std::sort(hide.begin(), hide.end());
  std::sort(restore.begin(), restore.end());
  std::printf("hotkey to hidden: median %lld ms; hotkey to all restored: median %lld ms (%d samples)\n",
              hide[hide.size() / 2], restore[restore.size() / 2], kSamples);
  CloseExpectingAllBack({w});
}

TEST_F(MenuHotkeyTest, ACombinationHeldByAnotherProgramIsReportedOnceAndStoredSwitchedOff) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 77, MOD_CONTROL | MOD_ALT, VK_F12));
  ASSERT_NE(StartWith(Hotkey(2, MOD_CONTROL | MOD_ALT, VK_F12)), nullptr);
  HWND box = WaitForMessageBox(5s);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(MessageBoxText(box).find(L"The hotkey 'CTRL + ALT + F12' is not available."), std::wstring::npos)
      << Narrow(MessageBoxText(box));
  EXPECT_TRUE(AnswerMessageBox(box, IDOK));
  EXPECT_TRUE(WaitUntil(
      [] {
        const auto stored = ReadRegBinary(kSettingsKey, L"Options");
        return stored && stored->size() == 108 && (*stored)[32] == 0 && (*stored)[33] == 0 && (*stored)[34] == 0;
      },
      3s))
      << "hotkey 2 stored switched off";
  UnregisterHotKey(nullptr, 77);
  ASSERT_TRUE(CloseVelmora());
}

TEST_F(MenuHotkeyTest, ListMenuShowsTheFixedItemsTheHeadingAndTheWindowsSortedWithTheirImages) {
  Probe& books = Open(L"EXCEL7", L"Book", false, 3);
  ASSERT_TRUE(books.Ok());
  const wchar_t* titles[] = {L"Gamma", L"alpha", L"\u0411\u0435\u0442\u0430 \u4E2D\u6587 \u30C6\u30B9\u30C8 \U0001F600"};
  for (int i = 0; i < 3; ++i) SetWindowTextW(books.Window(static_cast<std::size_t>(i)), titles[i]);
  constexpr std::size_t kAllMenuOrder = 14;
  const DWORD dark = 0;  // the taskbar in the dark theme, which tray menus follow
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, SystemUsesLightTheme, REG_DWORD, &dark, 4), 0);
  ASSERT_NE(StartWith({{kHandleExcel, 1}, {kTrayMode, 1}, {kAllMenuOrder, 0}}), nullptr);
  for (HWND w : books.Windows()) ASSERT_TRUE(SendToTray(w));
  Click(*Icon(kSharedIconId), WM_LBUTTONUP);
  HWND menu = WaitForMenu(3s);
  ASSERT_NE(menu, nullptr);
  Sleep(300ms);
  const std::vector<MenuRow> rows = ReadMenu(menu);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, SystemUsesLightTheme);
  std::vector<std::wstring> texts;
  for (const MenuRow& r : rows) texts.push_back(r.text);
  // Sorted by title, bytes of UTF-8 compared: Latin capitals, Latin small, then Cyrillic.
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"Velmora", L"恢复所有", L"恢复 窗口", L"Gamma", L"alpha", titles[2]}));
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0].flags, L"DSO") << "the program's submenu, default, drawn";
  EXPECT_EQ(rows[2].flags, L"XO") << "the heading cannot be chosen";
  for (std::size_t i : {0u, 1u, 3u, 4u, 5u}) EXPECT_TRUE(HasImage(rows[i])) << Narrow(rows[i].text);
  EXPECT_FALSE(HasImage(rows[2])) << "the heading has no image";
  for (std::size_t i : {1u, 4u}) {
    const auto [ground, light] = GroundAndLightText(rows[i]);
    EXPECT_EQ(ground, RGB(0x2B, 0x2B, 0x2B)) << "dark ground";
    EXPECT_GT(light, 20) << "light text";
  }
  // A close while the menu is open ends the menu, then Velmora.
  PostMessageW(main_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitMenuGone(menu));
  EXPECT_TRUE(velmora_.WaitExit(2s)) << "a close is never refused";
  CloseExpectingAllBack(books.Windows());
}

TEST_F(MenuHotkeyTest, HelpItemOpensTheHelpFile) {
  // Wine's help viewer cannot open a file in a folder outside the ANSI code
  // page ("Failed to open HTML Help file 'C:\????\...'"): this case runs from a plain one.
  RemoveDir(dir_);
  dir_ = MakeTempDir(L"velmora-help");
  for (const wchar_t* name : {L"Velmora.exe", L"LibOrvane.dll", L"velmora.chm"})
    ASSERT_TRUE(CopyFileW(JoinPath(BinDir(), name).c_str(), JoinPath(dir_, name).c_str(), FALSE));
  Probe& book = Open(L"EXCEL7", L"Book");
  ASSERT_NE(StartWith({{kHandleExcel, 1}, {kTrayMode, 1}}), nullptr);
  ASSERT_TRUE(SendToTray(book.Window()));
  auto shared = Icon(kSharedIconId);
  ASSERT_TRUE(shared.has_value()) << Describe(Icons());
  Click(*shared, WM_LBUTTONUP);
  HWND menu = WaitForMenu(3s);
  ASSERT_NE(menu, nullptr);
  for (WPARAM key : {VK_DOWN, VK_RIGHT}) PressInMenu(menu, key);  // "Velmora", its submenu
  Sleep(300ms);
  HWND sub = nullptr;
  for (HWND m : TopLevelWindows(L"#32768"))
    if (m != menu && IsWindowVisible(m)) sub = m;
  ASSERT_NE(sub, nullptr) << "the submenu did not open";
  for (WPARAM key : {VK_DOWN, VK_RETURN}) PressInMenu(sub, key);  // "配置", "帮助"
  HWND viewer = WaitForWindow(L"HH Parent", nullptr, 10s);
  EXPECT_NE(viewer, nullptr) << "no help viewer window";
  if (viewer) {
    EXPECT_NE(TitleOf(viewer).find(L"Velmora"), std::wstring::npos) << Narrow(TitleOf(viewer));
    PostMessageW(viewer, WM_CLOSE, 0, 0);
  }
  CloseExpectingAllBack({book.Window()});
}

}  // namespace
}  // namespace velmora::e2e
