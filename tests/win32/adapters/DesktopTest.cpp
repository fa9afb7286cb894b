#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "hook/MemBlock.h"
#include "win32/Convert.h"
#include "main/MessageFilter.h"
#include "win32/Elevation.h"
#include "win32/Win32Desktop.h"

namespace velmora {
namespace {

constexpr std::uint32_t Ping = WM_USER + 5;
constexpr std::uint32_t MenuItemMissing = 0xFFFFFFFFu;  // GetMenuState, CheckMenuItem: no such item
constexpr std::intptr_t PingAnswer = 77;

LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == Ping) return PingAnswer;
  return ::DefWindowProcA(wnd, msg, wParam, lParam);
}

// A hidden top-level window of this thread with a system menu.
UniqueWindow MakePlainWindow(const char* title) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "VelmoraTestPlain";
    registered = ::RegisterClassA(&wc) != 0;
  }
  return UniqueWindow(::CreateWindowExA(0, "VelmoraTestPlain", title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                        nullptr, ::GetModuleHandleA(nullptr), nullptr));
}

TEST(Win32Desktop, SystemMenuItemsByCommand) {
  Win32Desktop desktop;
  UniqueWindow window = MakePlainWindow("Menu probe");
  ASSERT_TRUE(window);
  const Hwnd wnd = FromHwnd(window.get());
  const Hmenu menu = desktop.GetSystemMenu(wnd, false);
  ASSERT_TRUE(desktop.IsMenu(menu));
  EXPECT_FALSE(desktop.IsMenu(Hmenu{}));

  EXPECT_EQ(desktop.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND), MenuItemMissing);
  EXPECT_EQ(desktop.CheckMenuItem(menu, IDM_TRAY_ITEM, MF_BYCOMMAND | MF_CHECKED), MenuItemMissing);
  EXPECT_FALSE(desktop.DeleteMenu(menu, IDM_TRAY_ITEM, MF_BYCOMMAND));

  ASSERT_NE(desktop.GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), MenuItemMissing);
  // Any script, through the wide calls; a record of other versions in the ANSI code page.
  ASSERT_TRUE(desktop.InsertMenu(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, 0xFE10, "\xE6\x89\x98\xE7\x9B\x98 \xD0\x96"));
  ASSERT_TRUE(desktop.InsertMenu(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, 0xFE11, "Tr\xE9"));
  wchar_t wide[64] = {}, ansi[8] = {};
  ::GetMenuStringW(ToHmenu(menu), 0xFE10, wide, 64, MF_BYCOMMAND);
  EXPECT_STREQ(wide, L"\u6258\u76D8 \u0416");
  ::MultiByteToWideChar(CP_ACP, 0, "Tr\xE9", -1, ansi, 8);
  ::GetMenuStringW(ToHmenu(menu), 0xFE11, wide, 64, MF_BYCOMMAND);
  EXPECT_STREQ(wide, ansi);
  ASSERT_TRUE(desktop.InsertMenu(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, IDM_TRAY_ITEM,
                                 "Minimize To &Tray"));
  ASSERT_TRUE(desktop.InsertMenu(menu, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, IDM_TRAY_SEPARATOR, ""));
  EXPECT_EQ(desktop.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND), MF_UNCHECKED);
  EXPECT_TRUE(desktop.GetMenuState(menu, IDM_TRAY_SEPARATOR, MF_BYCOMMAND) & MF_SEPARATOR);

  char text[64] = {};
  ::GetMenuStringA(ToHmenu(menu), IDM_TRAY_ITEM, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "Minimize To &Tray");

  EXPECT_EQ(desktop.CheckMenuItem(menu, IDM_TRAY_ITEM, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(desktop.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(desktop.CheckMenuItem(menu, IDM_TRAY_ITEM, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);

  EXPECT_TRUE(desktop.DeleteMenu(menu, IDM_TRAY_ITEM, MF_BYCOMMAND));
  EXPECT_TRUE(desktop.DeleteMenu(menu, IDM_TRAY_SEPARATOR, MF_BYCOMMAND));
  EXPECT_EQ(desktop.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND), MenuItemMissing);
  EXPECT_EQ(desktop.GetMenuState(menu, IDM_TRAY_SEPARATOR, MF_BYCOMMAND), MenuItemMissing);
  EXPECT_NE(desktop.GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), MenuItemMissing);
}

TEST(Win32Desktop, WindowQueriesOnOwnWindows) {
  Win32Desktop desktop;
  const std::string longTitle(300, 'T');
  UniqueWindow window = MakePlainWindow(longTitle.c_str());
  ASSERT_TRUE(window);
  const Hwnd wnd = FromHwnd(window.get());
  EXPECT_EQ(desktop.GetWindowText(wnd), std::string(255, 'T'));
  EXPECT_EQ(desktop.GetClassName(wnd), "VelmoraTestPlain");
  EXPECT_EQ(desktop.GetClassName(wnd, 6), "Velmo");
  EXPECT_EQ(desktop.GetClassName(Hwnd{}), "");
  EXPECT_EQ(desktop.FindWindow("VelmoraTestPlain", ""), wnd);
  EXPECT_EQ(desktop.FindWindow("VelmoraTestPlain", longTitle), wnd);
  EXPECT_FALSE(desktop.FindWindow("VelmoraTestPlain", "other"));
  EXPECT_EQ(desktop.GetWindowProcessId(wnd), ::GetCurrentProcessId());
  EXPECT_EQ(desktop.GetWindowThreadId(wnd), ::GetCurrentThreadId());
  EXPECT_EQ(desktop.GetCurrentProcessId(), ::GetCurrentProcessId());
  EXPECT_EQ(desktop.GetWindowProgramName(wnd), "adapter_tests.exe");
  EXPECT_EQ(desktop.GetWindowAppId(wnd), "") << "not a store app";
  const HWND child = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, window.get(), nullptr, nullptr, nullptr);
  EXPECT_EQ(desktop.FindChildWindow(wnd, "Static"), FromHwnd(child));
  EXPECT_EQ(desktop.SendMessage(wnd, Ping, 0, 0), PingAnswer);
  EXPECT_EQ(desktop.GetWindowText(Hwnd{}), "");

  EXPECT_FALSE(desktop.IsWindowVisible(wnd));
  desktop.ShowWindow(wnd, SW_SHOWMINNOACTIVE);
  EXPECT_TRUE(desktop.IsIconic(wnd));
  EXPECT_TRUE(desktop.ShowWindow(wnd, SW_HIDE));  // it was visible
  EXPECT_FALSE(desktop.IsWindowVisible(wnd));

  int seen = 0;
  desktop.EnumWindows([&](Hwnd w) {
    if (w == wnd) ++seen;
    return true;
  });
  EXPECT_EQ(seen, 1);
  EXPECT_THROW(desktop.EnumWindows([](Hwnd) -> bool { throw std::runtime_error("visitor"); }), std::runtime_error);

  EXPECT_FALSE(desktop.IsHungAppWindow(wnd));
}

TEST(Win32Desktop, UtilityWindowDispatchesToItsHandler) {
  Win32Desktop desktop;
  std::vector<std::uint32_t> seen;
  const Hwnd wnd = desktop.CreateUtilityWindow("VelmoraTestUtility", [&](std::uint32_t msg, std::uintptr_t wParam,
                                                                           std::intptr_t) -> std::optional<std::intptr_t> {
    seen.push_back(msg);
    if (msg == Ping) return static_cast<std::intptr_t>(wParam) + 1;
    if (msg == Ping + 1) throw std::runtime_error("handler");
    return std::nullopt;
  });
  ASSERT_TRUE(wnd);
  EXPECT_FALSE(desktop.IsWindowVisible(wnd));
  EXPECT_FALSE(desktop.GetParent(wnd));
  EXPECT_EQ(desktop.GetClassName(wnd), "VelmoraTestUtility");
  const HWND raw = ToHwnd(wnd);
  EXPECT_TRUE(::GetWindowLongPtrA(raw, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(::GetWindowLongPtrA(raw, GWL_STYLE) & WS_POPUP);
  EXPECT_NE(std::find(seen.begin(), seen.end(), WM_CREATE), seen.end());

  EXPECT_EQ(desktop.SendMessage(wnd, Ping, 41, 0), 42);
  // Unhandled: the default procedure answers (and keeps the text).
  ::SendMessageA(raw, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("TrayWnd"));
  EXPECT_EQ(desktop.GetWindowText(wnd), "TrayWnd");
  // A throwing handler does not take the window down.
  EXPECT_EQ(desktop.SendMessage(wnd, Ping + 1, 0, 0), 0);
  EXPECT_TRUE(desktop.IsWindow(wnd));
  EXPECT_EQ(desktop.SendMessage(wnd, Ping, 1, 0), 2);

  desktop.DestroyWindow(wnd);
  EXPECT_FALSE(desktop.IsWindow(wnd));
  EXPECT_EQ(seen.back(), static_cast<std::uint32_t>(WM_NCDESTROY));
  const auto count = seen.size();
  desktop.DestroyWindow(wnd);  // a second time does nothing
  EXPECT_EQ(seen.size(), count);
}

TEST(Win32Desktop, HandlerMayDestroyItsOwnWindow) {
  Win32Desktop desktop;
  Hwnd self;
  std::string captured = "kept alive while running";
  self = desktop.CreateUtilityWindow("VelmoraTestUtility", [&desktop, &self, captured](std::uint32_t msg,
                                                                                        std::uintptr_t,
                                                                                        std::intptr_t) -> std::optional<std::intptr_t> {
    if (msg != Ping) return std::nullopt;
    desktop.DestroyWindow(self);
    return static_cast<std::intptr_t>(captured.size());  // the closure still exists
  });
  ASSERT_TRUE(self);
  EXPECT_EQ(desktop.SendMessage(self, Ping, 0, 0), static_cast<std::intptr_t>(captured.size()));
  EXPECT_FALSE(desktop.IsWindow(self));
  // The class stays registered for the next window.
  const Hwnd next = desktop.CreateUtilityWindow("VelmoraTestUtility", [](std::uint32_t, std::uintptr_t,
                                                                          std::intptr_t) { return std::nullopt; });
  EXPECT_TRUE(desktop.IsWindow(next));
}

TEST(Win32Desktop, UtilityWindowsCloseWithTheAdapter) {
  Hwnd left;
  {
    Win32Desktop desktop;
    left = desktop.CreateUtilityWindow("VelmoraTestScoped", [](std::uint32_t, std::uintptr_t, std::intptr_t) {
      return std::optional<std::intptr_t>{};
    });
    ASSERT_TRUE(::IsWindow(ToHwnd(left)));
  }
  EXPECT_FALSE(::IsWindow(ToHwnd(left)));
}

// A window whose thread stops pumping: a hung program, as far as senders see.
TEST(Win32Desktop, SendsToAHungWindowAreBounded) {
  UniqueHandle created(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HWND hung = nullptr;
  test::Thread thread([&] {
    UniqueWindow window = MakePlainWindow("Hung program");
    hung = window.get();
    ::ShowWindow(hung, SW_SHOWNOACTIVATE);
    ::SetEvent(created.get());
    ::WaitForSingleObject(release.get(), 60000);  // no message loop
    test::PumpUntil([&] { return ::WaitForSingleObject(done.get(), 0) == WAIT_OBJECT_0; }, 20000);
  });
  ASSERT_TRUE(thread.started());
  ASSERT_EQ(::WaitForSingleObject(created.get(), 10000), WAIT_OBJECT_0);
  ASSERT_TRUE(hung);

  Win32Desktop desktop;
  const Hwnd wnd = FromHwnd(hung);
  ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(desktop.SendMessage(wnd, Ping, 0, 0), 0);
  const ULONGLONG sendMs = ::GetTickCount64() - start;
  start = ::GetTickCount64();
  EXPECT_EQ(desktop.GetWindowText(wnd), "Hung program") << "read from the system's copy, nothing sent";
  EXPECT_TRUE(desktop.ShowWindowAsync(wnd, SW_HIDE));
  EXPECT_TRUE(desktop.BringWindowToTop(wnd));
  EXPECT_TRUE(desktop.SendNotifyMessage(wnd, Ping, 0, 0));
  EXPECT_TRUE(desktop.SetProp(wnd, "VelmoraHidden", 2));
  EXPECT_EQ(desktop.GetProp(wnd, "VelmoraHidden"), 2u);
  EXPECT_EQ(desktop.RemoveProp(wnd, "VelmoraHidden"), 2u);
  EXPECT_EQ(desktop.GetProp(wnd, "VelmoraHidden"), 0u);
  const ULONGLONG textMs = ::GetTickCount64() - start;
  start = ::GetTickCount64();
  EXPECT_FALSE(desktop.SendCopyData(wnd, RQ_INSTANCE, 0));
  const ULONGLONG copyMs = ::GetTickCount64() - start;
  for (int i = 0; i < 30 && !desktop.IsHungAppWindow(wnd); ++i) ::Sleep(100);
  EXPECT_TRUE(desktop.IsHungAppWindow(wnd)) << "five seconds without taking its messages";
  EXPECT_TRUE(::IsWindowVisible(hung)) << "the hide waits in its queue";
  EXPECT_TRUE(desktop.ShowWindowAsync(wnd, SW_SHOWMINNOACTIVE));
  // Its answer is told to a window of Velmora's once it has run all that came before.
  bool answeredAfterAll = false;
  const Hwnd notify = desktop.CreateUtilityWindow("VelmoraTestAnswers", [&](std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
    if (msg != AnsweredMessage) return std::optional<std::intptr_t>();
    answeredAfterAll = w == wnd.value && l == 9 && ::IsIconic(hung) && ::IsWindowVisible(hung);
    return std::optional<std::intptr_t>(0);
  });
  EXPECT_TRUE(desktop.NotifyWhenAnswered(wnd, notify, 9));
  ::SetEvent(release.get());
  // Answering again, it carries out the hide, then the minimized show: in the order they came.
  EXPECT_TRUE(test::PumpUntil([&] { return answeredAfterAll; }, 5000));
  ::SetEvent(done.get());

  // Generous margins: the point is that the calls come back at all.
  EXPECT_LT(sendMs, Win32Desktop::SendTimeout + 5000u);
  EXPECT_LT(textMs, 5000u) << "none of these waits for the hung thread";
  EXPECT_LT(copyMs, Win32Desktop::CopyDataTimeout + 5000u);
}

// The receiving end of SendCopyData, on a thread that pumps.
TEST(Win32Desktop, CopyDataCarriesCodeAndWindow) {
  static std::uintptr_t gotCode, gotData;
  static DWORD gotSize;
  gotCode = gotData = 0;
  gotSize = 99;
  Win32Desktop desktop;
  const Hwnd wnd =
      desktop.CreateUtilityWindow("VelmoraTestCopyData", [](std::uint32_t msg, std::uintptr_t wParam,
                                                             std::intptr_t lParam) -> std::optional<std::intptr_t> {
        if (msg != WM_COPYDATA) return std::nullopt;
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        gotCode = wParam;
        gotData = cds->dwData;
        gotSize = cds->cbData;
        return 1;
      });
  UniqueHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  bool sent = false;
  test::Thread sender([&] {
    Win32Desktop other;
    sent = other.SendCopyData(wnd, RQ_INSTANCE, 0x12345678);
    ::SetEvent(done.get());
  });
  test::PumpUntil([&] { return ::WaitForSingleObject(done.get(), 0) == WAIT_OBJECT_0; }, 10000);
  EXPECT_TRUE(sent);
  EXPECT_EQ(gotCode, RQ_INSTANCE);
  EXPECT_EQ(gotData, 0x12345678u);
  EXPECT_EQ(gotSize, 0u);
}

// The calls made at start when Velmora runs elevated (Wine does not enforce integrity levels).
TEST(Win32Elevation, TheMessageFilterTakesTheMessagesLetIn) {
  Win32Desktop desktop;
  const Hwnd wnd = desktop.CreateUtilityWindow("VelmoraFilterTest", [](std::uint32_t, std::uintptr_t, std::intptr_t) {
    return std::optional<std::intptr_t>{};
  });
  const UINT created = ::RegisterWindowMessageA("TaskbarCreated");
  EXPECT_EQ(AllowMessages(ToHwnd(wnd), MessagesFromLowerLevels(true, created)), 3u);
  EXPECT_EQ(AllowMessages(ToHwnd(wnd), MessagesFromLowerLevels(false, created)), 0u);
  (void)RunsElevated();  // answers without failing, whatever the token
  desktop.DestroyWindow(wnd);
}

}  // namespace
}  // namespace velmora
