#pragma once
// The windowing system as the logic sees it. Method names, argument order and
// results follow the user32 calls they stand for. Foreign windows may vanish at
// any moment: every call on one tolerates failure and answers 0, false or "".
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Handles.h"

namespace velmora {

// Posted by NotifyWhenAnswered: wParam the window asked, lParam the caller's token.
inline constexpr std::uint32_t AnsweredMessage = 0x8000 + 0x42;  // WM_APP + 0x42

// A message to one of Velmora's own windows; nullopt asks for the default handling.
using WindowHandler =
    std::function<std::optional<std::intptr_t>(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam)>;

class Desktop {
 public:
  Desktop() = default;
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;
  virtual ~Desktop() = default;

  // Lookup and state.
  virtual Hwnd FindWindow(std::string_view className, std::string_view title) = 0;
  // Top-level windows in z-order; the visitor returns false to stop.
  virtual void EnumWindows(const std::function<bool(Hwnd)>& visit) = 0;
  // At most maxCount - 1 bytes; "" when the class cannot be read.
  virtual std::string GetClassName(Hwnd wnd, int maxCount = 256) = 0;
  // The title as the system keeps it (no message to the window, so a hung
  // program cannot hold Velmora up), as UTF-8, at most 255 characters.
  virtual std::string GetWindowText(Hwnd wnd) = 0;
  virtual bool IsWindow(Hwnd wnd) = 0;
  virtual bool IsIconic(Hwnd wnd) = 0;
  virtual bool IsWindowVisible(Hwnd wnd) = 0;
  virtual bool IsWindowEnabled(Hwnd wnd) = 0;
  virtual Hwnd GetWindow(Hwnd wnd, std::uint32_t cmd) = 0;
  virtual Hwnd GetParent(Hwnd wnd) = 0;
  // The owned window that was active last (a modal dialog of the window); the window itself when none.
  virtual Hwnd GetLastActivePopup(Hwnd wnd) = 0;
  virtual std::uint32_t GetWindowProcessId(Hwnd wnd) = 0;
  virtual std::uint32_t GetWindowThreadId(Hwnd wnd) = 0;
  virtual std::uint32_t GetCurrentProcessId() = 0;
  // The file name of the window's program (its process image), as UTF-8; "" when it cannot be read.
  virtual std::string GetWindowProgramName(Hwnd wnd) = 0;
  // The application user model id of the store app the window belongs to; "" for other programs.
  virtual std::string GetWindowAppId(Hwnd wnd) = 0;
  // FindWindowEx(parent, 0, className, 0): the first child of that class.
  virtual Hwnd FindChildWindow(Hwnd parent, std::string_view className) = 0;

  // Commands and messages. SendMessage is bounded: a hung receiver gives 0.
  virtual bool ShowWindow(Hwnd wnd, int cmd) = 0;
  // Foreign windows: queued for the window's own thread, never waited for.
  virtual bool ShowWindowAsync(Hwnd wnd, int cmd) = 0;
  virtual bool SendNotifyMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual bool PostMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual std::intptr_t SendMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // SendMessageCallback(WM_NULL), never waited for: once the window's thread has
  // taken everything queued for it before (shows, notified messages), AnsweredMessage
  // is posted to notify. False when the call could not be queued.
  virtual bool NotifyWhenAnswered(Hwnd wnd, Hwnd notify, std::uint32_t token) = 0;
  // WM_COPYDATA with wParam = code and a COPYDATASTRUCT of {dwData, 0, null}.
  virtual bool SendCopyData(Hwnd wnd, std::uintptr_t code, std::uintptr_t dwData) = 0;
  virtual std::uintptr_t GetClassWord(Hwnd wnd, int index) = 0;
  virtual std::uintptr_t GetClassLong(Hwnd wnd, int index) = 0;

  // Foreground.
  virtual Hwnd GetForegroundWindow() = 0;
  virtual bool SetForegroundWindow(Hwnd wnd) = 0;
  // To the top of the z-order without waiting for the window's thread.
  virtual bool BringWindowToTop(Hwnd wnd) = 0;
  // Joins two threads' input state: a thread that stops answering then holds
  // the other up too. Only for windows that answer (IsHungAppWindow false).
  virtual bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) = 0;
  // Lets that process take the foreground itself (when its window restores);
  // works while Velmora may take it, after a click on its icon or a hotkey.
  virtual bool AllowSetForegroundWindow(std::uint32_t processId) = 0;
  // The window's program has not taken its messages for a while; asks nothing of it.
  virtual bool IsHungAppWindow(Hwnd wnd) = 0;

  // System menus, by command.
  virtual Hmenu GetSystemMenu(Hwnd wnd, bool revert) = 0;
  virtual bool IsMenu(Hmenu menu) = 0;
  virtual std::uint32_t GetMenuState(Hmenu menu, std::uint32_t id, std::uint32_t flags) = 0;
  // text: UTF-8; bytes that are not UTF-8 are read in the ANSI code page.
  virtual bool InsertMenu(Hmenu menu, std::uint32_t position, std::uint32_t flags, std::uintptr_t id,
                          std::string_view text) = 0;
  virtual std::uint32_t CheckMenuItem(Hmenu menu, std::uint32_t id, std::uint32_t check) = 0;
  virtual bool DeleteMenu(Hmenu menu, std::uint32_t id, std::uint32_t flags) = 0;

  // Window properties: a value kept on any window, Velmora's mark on the ones it hides.
  virtual bool SetProp(Hwnd wnd, std::string_view name, std::uintptr_t value) = 0;
  virtual std::uintptr_t GetProp(Hwnd wnd, std::string_view name) = 0;
  virtual std::uintptr_t RemoveProp(Hwnd wnd, std::string_view name) = 0;

  // Velmora's own hidden utility windows (the tray owner). The handler runs on the UI thread.
  virtual Hwnd CreateUtilityWindow(std::string_view className, WindowHandler handler) = 0;
  virtual void DestroyWindow(Hwnd wnd) = 0;

  // The shell hook: the registered message "SHELLHOOK" is posted to every
  // registered window for shell events (HSHELL_FLASH, ...).
  virtual std::uint32_t RegisterWindowMessage(std::string_view name) = 0;
  virtual bool RegisterShellHookWindow(Hwnd wnd) = 0;
  virtual bool DeregisterShellHookWindow(Hwnd wnd) = 0;
};

}  // namespace velmora
