#include "app/MainWindow.h"

#include <string>

#include "main/MessageFilter.h"
#include "ui/DialogControls.h"
#include "win32/Convert.h"
#include "win32/Elevation.h"
#include "win32/Raii.h"

namespace velmora {

namespace {
constexpr char MainClassName[] = "TFOrvane";
constexpr UINT_PTR RetryCloseTimer = 1;

// A message box of this thread (its only dialog boxes of the system's class) ends as cancelled.
BOOL CALLBACK CancelMessageBox(HWND wnd, LPARAM) noexcept {
  wchar_t cls[8] = {};
  if (::GetClassNameW(wnd, cls, 8) == 6 && lstrcmpW(cls, L"#32770") == 0) ::EndDialog(wnd, IDCANCEL);
  return TRUE;
}
}  // namespace


MainWindow::MainWindow(Ports& ports) : form_(ports, *this) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &MainWindow::WndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "MAINICON");
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = MainClassName;
  RegisterClassExA(&wc);
  // Never shown: a tool window so that it would have no taskbar button even if it were.
  const int width = 132, height = 110;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, MainClassName, "Velmora", WS_POPUP, x, y, width, height, nullptr,
                          nullptr, instance, this);
  if (hwnd_ == nullptr) return;
  taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
  AllowMessages(hwnd_, MessagesFromLowerLevels(RunsElevated(), taskbarCreated_));
  form_.FormCreate();
  // Without its channel (the name taken by another program) Velmora runs on without its command line.
  commands_ = std::make_unique<CommandServer>(CommandPipeName(), hwnd_);
  commands_->Start();
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) {
    const HWND wnd = hwnd_;
    hwnd_ = nullptr;
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    DestroyWindow(wnd);
  }
}

Hwnd MainWindow::Handle() { return FromHwnd(hwnd_); }

void MainWindow::SetCaption(std::string_view caption) { SetWindowTextA(hwnd_, std::string(caption).c_str()); }

void MainWindow::Close() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

void MainWindow::EndModalLoops() {
  ::EndMenu();
  DialogControls::EndModalLoops();
  ::EnumThreadWindows(::GetCurrentThreadId(), CancelMessageBox, 0);
}

LRESULT CALLBACK MainWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
  try {
    return self->Handle(msg, wParam, lParam);
  } catch (...) {
    // A fault in one handler never takes the program, or a hidden window, down,
    // and never holds up the end of the user's session.
    return msg == WM_QUERYENDSESSION ? TRUE : 0;
  }
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COPYDATA: {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (data == nullptr) return 0;
      // The system copied cbData bytes into this process for the call; the
      // form reads them only when they are exactly one request payload.
      form_.WMCopyData(wParam, data->dwData, data->lpData, data->lpData != nullptr ? data->cbData : 0);
      return 0;
    }
    case WM_HOTKEY:
      form_.WMHotKey(wParam);
      return 0;
    case WM_DPICHANGED:
    case WM_DISPLAYCHANGE:
      // The tray's small-icon size follows the DPI: the icons are made again at the new one.
      form_.TaskbarCreated();
      break;
    case WM_QUERYENDSESSION:
      return form_.QueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
      form_.EndSession(wParam != FALSE, (lParam & ENDSESSION_CLOSEAPP) != 0);
      return 0;
    case WM_CLOSE:
      if (form_.FormCloseQuery())
        DestroyWindow(hwnd_);
      else
        SetTimer(hwnd_, RetryCloseTimer, 100, nullptr);  // once the running event path is done
      return 0;
    case WM_TIMER:
      if (wParam != RetryCloseTimer) break;
      KillTimer(hwnd_, RetryCloseTimer);
      PostMessageA(hwnd_, WM_CLOSE, 0, 0);
      return 0;
    case CommandHandOverMessage:
      // Only what the channel queued is taken: a post from anyone else finds nothing.
      for (HandedCommand& command : commands_ ? commands_->TakeCommands() : std::vector<HandedCommand>{})
        form_.RunCommand(command.message, std::move(command.reply), std::move(command.wanted));
      return 0;
    case WM_DESTROY:
      if (commands_) commands_->Stop();  // a client still waiting is answered
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      const HWND wnd = hwnd_;
      hwnd_ = nullptr;  // gone: nothing is destroyed twice
      return DefWindowProcA(wnd, msg, wParam, lParam);
    }
    default:
      if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        form_.TaskbarCreated();
        return 0;
      }
      if (form_.WindowMessage(msg, wParam, lParam)) return 0;
      break;
  }
  return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

}  // namespace velmora
