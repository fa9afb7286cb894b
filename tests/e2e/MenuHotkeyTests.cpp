// The global hotkeys pressed as a user would (SendInput), a combination that
// another program holds, and the help item of the menu.
#include <chrono>
#include <cstdio>

#include "TrayFixture.h"

namespace velmora::e2e {
namespace {

using Clock = std::chrono::steady_clock;

// The settings record keeps hotkey n in four bytes from 28 + 4 (n - 1): enabled, modifiers, key.
std::vector<Setting> Hotkey(int number, std::uint8_t modifiers, std::uint8_t key) {
  const std::size_t at = 28 + 4 * static_cast<std::size_t>(number - 1);
  return {{at, 1}, {at + 1, modifiers}, {at + 2, key}};
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

TEST_F(MenuHotkeyTest, HelpItemOpensTheHelpFile) {
  ASSERT_TRUE(CopyFileW(JoinPath(BinDir(), L"velmora.chm").c_str(), JoinPath(Dir(), L"velmora.chm").c_str(), FALSE));
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
