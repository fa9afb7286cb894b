#include "win32/Win32Desktop.h"

#include <exception>
#include <vector>

#include "win32/Convert.h"
#include "win32/Win32Dialogs.h"
#include "win32/Win32Programs.h"

namespace velmora {

namespace {

constexpr UINT BoundedFlags = SMTO_ABORTIFHUNG | SMTO_NORMAL;

// A null pointer for an empty string: FindWindow then matches any.
const char* OrNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

// The program has taken everything queued before the ask: Velmora is told by a
// post to itself. Runs on Velmora's thread, as it takes its messages.
void CALLBACK OnAnswered(HWND wnd, UINT, ULONG_PTR data, LRESULT) noexcept {
  const auto notify = HwndOfTrayId(static_cast<std::uint32_t>(data));
  ::PostMessageW(ToHwnd(notify), AnsweredMessage, reinterpret_cast<WPARAM>(wnd), static_cast<LPARAM>(data >> 32));
}

struct EnumState {
  const std::function<bool(Hwnd)>* visit;
  std::exception_ptr error;
};

BOOL CALLBACK EnumVisit(HWND wnd, LPARAM param) noexcept {
  auto* state = reinterpret_cast<EnumState*>(param);
  try {
    return (*state->visit)(FromHwnd(wnd)) ? TRUE : FALSE;
  } catch (...) {
    state->error = std::current_exception();
    return FALSE;
  }
}

}  // namespace

Win32Desktop::~Win32Desktop() {
  std::vector<UniqueWindow> open;
  for (auto& [wnd, utility] : windows_) open.push_back(std::move(utility.window));
  open.clear();  // WM_NCDESTROY drops each handler
  windows_.clear();
}

Hwnd Win32Desktop::FindWindow(std::string_view className, std::string_view title) {
  const std::string cls(className), text(title);
  return FromHwnd(::FindWindowA(OrNull(cls), OrNull(text)));
}

void Win32Desktop::EnumWindows(const std::function<bool(Hwnd)>& visit) {
  EnumState state{&visit, nullptr};
  ::EnumWindows(EnumVisit, reinterpret_cast<LPARAM>(&state));
  if (state.error) std::rethrow_exception(state.error);
}

std::string Win32Desktop::GetClassName(Hwnd wnd, int maxCount) {
  if (maxCount <= 1) return {};
  std::string buffer(static_cast<std::size_t>(maxCount), '\0');
  const int n = ::GetClassNameA(ToHwnd(wnd), buffer.data(), maxCount);
  if (n <= 0) return {};
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

std::string Win32Desktop::GetWindowText(Hwnd wnd) {
  // InternalGetWindowText reads the title the system keeps and sends nothing,
  // so that a hung program never holds Velmora up.
  wchar_t wide[256] = {};
  const int n = ::InternalGetWindowText(ToHwnd(wnd), wide, 256);
  if (n <= 0) return {};
  return FromWide(std::wstring_view(wide, static_cast<std::size_t>(n)), CP_UTF8);
}

bool Win32Desktop::IsWindow(Hwnd wnd) { return ::IsWindow(ToHwnd(wnd)) != FALSE; }
bool Win32Desktop::IsIconic(Hwnd wnd) { return ::IsIconic(ToHwnd(wnd)) != FALSE; }
bool Win32Desktop::IsWindowVisible(Hwnd wnd) { return ::IsWindowVisible(ToHwnd(wnd)) != FALSE; }
bool Win32Desktop::IsWindowEnabled(Hwnd wnd) { return ::IsWindowEnabled(ToHwnd(wnd)) != FALSE; }
Hwnd Win32Desktop::GetWindow(Hwnd wnd, std::uint32_t cmd) { return FromHwnd(::GetWindow(ToHwnd(wnd), cmd)); }
Hwnd Win32Desktop::GetParent(Hwnd wnd) { return FromHwnd(::GetParent(ToHwnd(wnd))); }

Hwnd Win32Desktop::GetLastActivePopup(Hwnd wnd) { return FromHwnd(::GetLastActivePopup(ToHwnd(wnd))); }

std::uint32_t Win32Desktop::GetWindowProcessId(Hwnd wnd) {
  DWORD pid = 0;
  if (!::GetWindowThreadProcessId(ToHwnd(wnd), &pid)) return 0;
  return pid;
}

std::uint32_t Win32Desktop::GetWindowThreadId(Hwnd wnd) {
  return ::GetWindowThreadProcessId(ToHwnd(wnd), nullptr);
}

std::uint32_t Win32Desktop::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

std::string Win32Desktop::GetWindowProgramName(Hwnd wnd) {
  const std::wstring path = ProcessImagePath(GetWindowProcessId(wnd));
  const auto slash = path.find_last_of(L"\\/");
  return FromWide(slash == std::wstring::npos ? path : path.substr(slash + 1), CP_UTF8);
}

std::string Win32Desktop::GetWindowAppId(Hwnd wnd) { return FromWide(WindowAppId(ToHwnd(wnd)), CP_UTF8); }

Hwnd Win32Desktop::FindChildWindow(Hwnd parent, std::string_view className) {
  if (!parent) return Hwnd{};
  const std::string cls(className);
  return FromHwnd(::FindWindowExA(ToHwnd(parent), nullptr, cls.c_str(), nullptr));
}

bool Win32Desktop::ShowWindow(Hwnd wnd, int cmd) { return ::ShowWindow(ToHwnd(wnd), cmd) != FALSE; }

bool Win32Desktop::ShowWindowAsync(Hwnd wnd, int cmd) { return ::ShowWindowAsync(ToHwnd(wnd), cmd) != FALSE; }

bool Win32Desktop::SendNotifyMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  return ::SendNotifyMessageA(ToHwnd(wnd), msg, wParam, lParam) != FALSE;
}

bool Win32Desktop::PostMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  return ::PostMessageA(ToHwnd(wnd), msg, wParam, lParam) != FALSE;
}

std::intptr_t Win32Desktop::SendMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutA(ToHwnd(wnd), msg, wParam, lParam, BoundedFlags, SendTimeout, &result)) return 0;
  return static_cast<std::intptr_t>(result);
}

bool Win32Desktop::NotifyWhenAnswered(Hwnd wnd, Hwnd notify, std::uint32_t token) {
  const ULONG_PTR data = (static_cast<ULONG_PTR>(token) << 32) | TrayIdOf(notify);
  return ::SendMessageCallbackW(ToHwnd(wnd), WM_NULL, 0, 0, OnAnswered, data) != FALSE;
}

bool Win32Desktop::SendCopyData(Hwnd wnd, std::uintptr_t code, std::uintptr_t dwData) {
  COPYDATASTRUCT data{dwData, 0, nullptr};
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutA(ToHwnd(wnd), WM_COPYDATA, code, reinterpret_cast<LPARAM>(&data), BoundedFlags,
                               CopyDataTimeout, &result) != 0;
}

std::uintptr_t Win32Desktop::GetClassWord(Hwnd wnd, int index) { return ::GetClassWord(ToHwnd(wnd), index); }

std::uintptr_t Win32Desktop::GetClassLong(Hwnd wnd, int index) {
  return ::GetClassLongPtrA(ToHwnd(wnd), index);
}

Hwnd Win32Desktop::GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }
bool Win32Desktop::SetForegroundWindow(Hwnd wnd) { return ::SetForegroundWindow(ToHwnd(wnd)) != FALSE; }
bool Win32Desktop::BringWindowToTop(Hwnd wnd) {
  // Asynchronous: the window's own thread moves it when it gets to it.
  return ::SetWindowPos(ToHwnd(wnd), HWND_TOP, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS) != FALSE;
}

bool Win32Desktop::AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) {
  return ::AttachThreadInput(attach, attachTo, doAttach ? TRUE : FALSE) != FALSE;
}

bool Win32Desktop::AllowSetForegroundWindow(std::uint32_t processId) {
  return processId != 0 && ::AllowSetForegroundWindow(processId) != FALSE;
}

bool Win32Desktop::IsHungAppWindow(Hwnd wnd) { return ::IsHungAppWindow(ToHwnd(wnd)) != FALSE; }

Hmenu Win32Desktop::GetSystemMenu(Hwnd wnd, bool revert) {
  return FromHmenu(::GetSystemMenu(ToHwnd(wnd), revert ? TRUE : FALSE));
}

bool Win32Desktop::IsMenu(Hmenu menu) { return ::IsMenu(ToHmenu(menu)) != FALSE; }

std::uint32_t Win32Desktop::GetMenuState(Hmenu menu, std::uint32_t id, std::uint32_t flags) {
  return ::GetMenuState(ToHmenu(menu), id, flags);
}

bool Win32Desktop::InsertMenu(Hmenu menu, std::uint32_t position, std::uint32_t flags, std::uintptr_t id,
                              std::string_view text) {
  const std::wstring item = TextToWide(text);
  const wchar_t* content = (flags & MF_SEPARATOR) ? nullptr : item.c_str();
  return ::InsertMenuW(ToHmenu(menu), position, flags, id, content) != FALSE;
}

std::uint32_t Win32Desktop::CheckMenuItem(Hmenu menu, std::uint32_t id, std::uint32_t check) {
  return ::CheckMenuItem(ToHmenu(menu), id, check);
}

bool Win32Desktop::DeleteMenu(Hmenu menu, std::uint32_t id, std::uint32_t flags) {
  return ::DeleteMenu(ToHmenu(menu), id, flags) != FALSE;
}

bool Win32Desktop::SetProp(Hwnd wnd, std::string_view name, std::uintptr_t value) {
  const std::string prop(name);
  return ::SetPropA(ToHwnd(wnd), prop.c_str(), reinterpret_cast<HANDLE>(value)) != FALSE;
}

std::uintptr_t Win32Desktop::GetProp(Hwnd wnd, std::string_view name) {
  const std::string prop(name);
  return reinterpret_cast<std::uintptr_t>(::GetPropA(ToHwnd(wnd), prop.c_str()));
}

std::uintptr_t Win32Desktop::RemoveProp(Hwnd wnd, std::string_view name) {
  const std::string prop(name);
  return reinterpret_cast<std::uintptr_t>(::RemovePropA(ToHwnd(wnd), prop.c_str()));
}

Hwnd Win32Desktop::CreateUtilityWindow(std::string_view className, WindowHandler handler) {
  const std::string cls(className);
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  if (!registeredClasses_.count(cls)) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = UtilityWndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.lpszClassName = cls.c_str();
    if (!::RegisterClassExA(&wc)) {
      // Another adapter may have registered it: fine when it dispatches here too.
      WNDCLASSEXA existing{};
      existing.cbSize = sizeof existing;
      if (::GetLastError() != ERROR_CLASS_ALREADY_EXISTS || !::GetClassInfoExA(instance, cls.c_str(), &existing) ||
          existing.lpfnWndProc != UtilityWndProc)
        return Hwnd{};
    }
    registeredClasses_.insert(cls);
  }
  pending_ = std::make_shared<WindowHandler>(std::move(handler));
  HWND wnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, cls.c_str(), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                               this);
  pending_.reset();
  return FromHwnd(wnd);
}

void Win32Desktop::DestroyWindow(Hwnd wnd) {
  auto it = windows_.find(ToHwnd(wnd));
  if (it == windows_.end()) return;  // not one of ours
  UniqueWindow window = std::move(it->second.window);
  window.reset();  // WM_NCDESTROY removes the entry
  windows_.erase(ToHwnd(wnd));
}

LRESULT CALLBACK Win32Desktop::UtilityWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    auto* self = reinterpret_cast<Win32Desktop*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
      self = static_cast<Win32Desktop*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
      ::SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      if (self) self->windows_[wnd] = Utility{UniqueWindow(wnd), std::move(self->pending_)};
    }
    if (self) return self->Dispatch(wnd, msg, wParam, lParam);
  } catch (...) {
    // A faulty handler must not take the window, or the program, down.
  }
  return ::DefWindowProcA(wnd, msg, wParam, lParam);
}

LRESULT Win32Desktop::Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto it = windows_.find(wnd);
  if (it == windows_.end()) return ::DefWindowProcA(wnd, msg, wParam, lParam);
  std::shared_ptr<WindowHandler> handler = it->second.handler;
  if (msg == WM_NCDESTROY) {
    // The window is gone after this message: the owner must not destroy it again.
    (void)it->second.window.release();
    windows_.erase(it);
  }
  std::optional<std::intptr_t> result;
  if (handler && *handler) result = (*handler)(msg, wParam, lParam);
  if (!result) return ::DefWindowProcA(wnd, msg, wParam, lParam);
  return *result;
}

std::uint32_t Win32Desktop::RegisterWindowMessage(std::string_view name) {
  return ::RegisterWindowMessageA(std::string(name).c_str());
}

// Under Wine a stub that succeeds and posts nothing; on Windows the shell posts
// "SHELLHOOK" to the window for every shell event of its desktop.
bool Win32Desktop::RegisterShellHookWindow(Hwnd wnd) { return ::RegisterShellHookWindow(ToHwnd(wnd)) != FALSE; }

bool Win32Desktop::DeregisterShellHookWindow(Hwnd wnd) { return ::DeregisterShellHookWindow(ToHwnd(wnd)) != FALSE; }

}  // namespace velmora
