#pragma once
// Desktop on user32. Calls on foreign windows are bounded where a hung
// program could block Velmora (every send goes through SendMessageTimeoutA).
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/Desktop.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"

namespace velmora {

class Win32Desktop final : public Desktop {
 public:
  Win32Desktop() = default;
  // Destroys the utility windows that are still open.
  ~Win32Desktop() override;

  // An empty class name or title matches any, as a null pointer does.
  Hwnd FindWindow(std::string_view className, std::string_view title) override;
  // An exception thrown by the visitor stops the enumeration and is rethrown
  // once EnumWindows has returned.
  void EnumWindows(const std::function<bool(Hwnd)>& visit) override;
  std::string GetClassName(Hwnd wnd, int maxCount = 256) override;
  std::string GetWindowText(Hwnd wnd) override;
  bool IsWindow(Hwnd wnd) override;
  bool IsIconic(Hwnd wnd) override;
  bool IsWindowVisible(Hwnd wnd) override;
  bool IsWindowEnabled(Hwnd wnd) override;
  Hwnd GetWindow(Hwnd wnd, std::uint32_t cmd) override;
  Hwnd GetParent(Hwnd wnd) override;
  Hwnd GetLastActivePopup(Hwnd wnd) override;
  std::uint32_t GetWindowProcessId(Hwnd wnd) override;
  std::uint32_t GetWindowThreadId(Hwnd wnd) override;
  std::uint32_t GetCurrentProcessId() override;
  std::string GetWindowProgramName(Hwnd wnd) override;
  std::string GetWindowAppId(Hwnd wnd) override;
  Hwnd FindChildWindow(Hwnd parent, std::string_view className) override;

  bool ShowWindow(Hwnd wnd, int cmd) override;
  bool ShowWindowAsync(Hwnd wnd, int cmd) override;
  bool SendNotifyMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
  bool PostMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
  std::intptr_t SendMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
  bool NotifyWhenAnswered(Hwnd wnd, Hwnd notify, std::uint32_t token) override;
  // True when the receiver took the message within the bound.
  bool SendCopyData(Hwnd wnd, std::uintptr_t code, std::uintptr_t dwData) override;
  std::uintptr_t GetClassWord(Hwnd wnd, int index) override;
  std::uintptr_t GetClassLong(Hwnd wnd, int index) override;

  Hwnd GetForegroundWindow() override;
  bool SetForegroundWindow(Hwnd wnd) override;
  bool BringWindowToTop(Hwnd wnd) override;
  bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) override;
  bool AllowSetForegroundWindow(std::uint32_t processId) override;
  bool IsHungAppWindow(Hwnd wnd) override;

  Hmenu GetSystemMenu(Hwnd wnd, bool revert) override;
  bool IsMenu(Hmenu menu) override;
  std::uint32_t GetMenuState(Hmenu menu, std::uint32_t id, std::uint32_t flags) override;
  bool InsertMenu(Hmenu menu, std::uint32_t position, std::uint32_t flags, std::uintptr_t id,
                  std::string_view text) override;
  std::uint32_t CheckMenuItem(Hmenu menu, std::uint32_t id, std::uint32_t check) override;
  bool DeleteMenu(Hmenu menu, std::uint32_t id, std::uint32_t flags) override;

  bool SetProp(Hwnd wnd, std::string_view name, std::uintptr_t value) override;
  std::uintptr_t GetProp(Hwnd wnd, std::string_view name) override;
  std::uintptr_t RemoveProp(Hwnd wnd, std::string_view name) override;

  // A hidden WS_POPUP tool window; its class is registered on first use.
  Hwnd CreateUtilityWindow(std::string_view className, WindowHandler handler) override;
  // Only windows made by CreateUtilityWindow; any other window is left alone.
  void DestroyWindow(Hwnd wnd) override;
  std::uint32_t RegisterWindowMessage(std::string_view name) override;
  bool RegisterShellHookWindow(Hwnd wnd) override;
  bool DeregisterShellHookWindow(Hwnd wnd) override;

  // Bounds of the sends, in milliseconds.
  static constexpr UINT SendTimeout = 500;
  static constexpr UINT CopyDataTimeout = 5000;

 private:
  static LRESULT CALLBACK UtilityWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

  struct Utility {
    UniqueWindow window;
    // Shared so that a handler that destroys its own window keeps running.
    std::shared_ptr<WindowHandler> handler;
  };

  std::set<std::string> registeredClasses_;
  std::map<HWND, Utility> windows_;
  // The handler of the window being created, until WM_NCCREATE claims it.
  std::shared_ptr<WindowHandler> pending_;
};

}  // namespace velmora
