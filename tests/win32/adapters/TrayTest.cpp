#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "win32/Convert.h"
#include "win32/Win32Desktop.h"
#include "win32/Win32Painter.h"
#include "win32/Win32Tray.h"

namespace velmora {
namespace {

// One notification as the shell passes it on to the taskbar.
struct Notification {
  std::uintptr_t code = 0;
  std::uint32_t owner = 0, id = 0, flags = 0, callback = 0;
  std::wstring tip;
};

// A window of class "Shell_TrayWnd" on a thread of its own, above the
// taskbar's, so that the shell hands every notification to it.
class RecordingTray {
 public:
  RecordingTray() {
    ::InitializeCriticalSection(&lock_);
    ready_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::make_unique<test::Thread>([this] { Run(); });
    ::WaitForSingleObject(ready_.get(), 10000);
  }
  ~RecordingTray() {
    if (window_) ::PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.reset();
    ::DeleteCriticalSection(&lock_);
  }
  HWND window() const { return window_; }
  std::vector<Notification> Take() {
    ::EnterCriticalSection(&lock_);
    std::vector<Notification> out;
    out.swap(seen_);
    ::LeaveCriticalSection(&lock_);
    return out;
  }

 private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<RecordingTray*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (msg == WM_COPYDATA && self) {
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      Notification n;
      n.code = cds->dwData;
      const auto* bytes = static_cast<const std::uint8_t*>(cds->lpData);
      if (bytes && cds->cbData >= 16) {
        std::memcpy(&n.owner, bytes, 4);
        std::memcpy(&n.id, bytes + 4, 4);
        std::memcpy(&n.flags, bytes + 8, 4);
        std::memcpy(&n.callback, bytes + 12, 4);
      }
      if (bytes && cds->cbData >= 16 + 256) {
        const auto* tip = reinterpret_cast<const wchar_t*>(bytes + 16);
        n.tip.assign(tip, wcsnlen(tip, 128));
      }
      ::EnterCriticalSection(&self->lock_);
      try {
        self->seen_.push_back(n);
      } catch (...) {
      }
      ::LeaveCriticalSection(&self->lock_);
      return TRUE;
    }
    if (msg == WM_CLOSE) {
      ::DestroyWindow(wnd);
      return 0;
    }
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcA(wnd, msg, wParam, lParam);
  }

  void Run() {
    // The real taskbar first, so that ours lies above it.
    for (int i = 0; i < 50 && !::FindWindowA("Shell_TrayWnd", nullptr); ++i) ::Sleep(100);
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    ::RegisterClassA(&wc);
    window_ = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, wc.hInstance, nullptr);
    if (window_) ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetEvent(ready_.get());
    if (!window_) return;
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
  }

  CRITICAL_SECTION lock_;
  std::vector<Notification> seen_;
  HWND window_ = nullptr;
  UniqueHandle ready_;
  std::unique_ptr<test::Thread> thread_;
};

NotifyIconData Icon(Hwnd owner, std::uint32_t id, Hicon icon, const std::string& tip) {
  NotifyIconData data;
  data.hWnd = owner;
  data.uID = id;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_USER + 1;
  data.hIcon = icon;
  std::copy_n(tip.begin(), std::min(tip.size(), data.szTip.size()), data.szTip.begin());
  return data;
}

TEST(Win32Tray, AddModifyDeleteReachTheTaskbar) {
  RecordingTray recorder;
  ASSERT_TRUE(recorder.window());
  ASSERT_EQ(::FindWindowA("Shell_TrayWnd", nullptr), recorder.window());

  Win32Desktop desktop;
  Win32Painter painter;
  Win32Tray tray;
  const Hwnd owner = desktop.CreateUtilityWindow("VelmoraTestTrayOwner", [](std::uint32_t, std::uintptr_t,
                                                                             std::intptr_t) { return std::optional<std::intptr_t>{}; });
  ASSERT_TRUE(owner);
  const Hicon icon = painter.LoadSystemIcon(32512);

  EXPECT_TRUE(tray.Shell_NotifyIcon(NIM_ADD, Icon(owner, 0x1234, icon, "Notepad")));
  EXPECT_TRUE(tray.Shell_NotifyIcon(NIM_MODIFY, Icon(owner, 0x1234, icon, "2 windows")));
  // A tip that fills all 64 bytes is cut to 63 and still ends.
  EXPECT_TRUE(tray.Shell_NotifyIcon(NIM_MODIFY, Icon(owner, 7, icon, std::string(64, 'x'))));
  EXPECT_TRUE(tray.Shell_NotifyIcon(NIM_DELETE, Icon(owner, 0x1234, icon, "")));

  const auto seen = recorder.Take();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].code, NIM_ADD);
  EXPECT_EQ(seen[1].code, NIM_MODIFY);
  EXPECT_EQ(seen[3].code, NIM_DELETE);
  for (const auto& n : seen) EXPECT_EQ(n.owner, TrayIdOf(owner));
  EXPECT_EQ(seen[0].id, 0x1234u);
  EXPECT_EQ(seen[0].flags, 7u);
  EXPECT_EQ(seen[0].callback, 0x401u);
  EXPECT_EQ(seen[0].tip, L"Notepad");
  EXPECT_EQ(seen[1].tip, L"2 windows");
  EXPECT_EQ(seen[2].id, 7u);
  EXPECT_EQ(seen[2].tip, std::wstring(63, L'x'));
  EXPECT_EQ(seen[3].id, 0x1234u);
}

}  // namespace
}  // namespace velmora
