#include "win32/DialogControls.h"

#include <commctrl.h>

#include "win32/Dpi.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

bool DialogControls::IsChecked(ControlId id) { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void DialogControls::SetChecked(ControlId id, bool checked) {
  ::SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogControls::IsEnabled(ControlId id) { return ::IsWindowEnabled(Item(id)) != FALSE; }

void DialogControls::SetEnabled(ControlId id, bool enabled) { ::EnableWindow(Item(id), enabled ? TRUE : FALSE); }

std::string DialogControls::GetText(ControlId id) {
  const int length = ::GetWindowTextLengthW(Item(id));
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = ::GetWindowTextW(Item(id), text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return FromWide(text, CP_UTF8);
}

void DialogControls::SetText(ControlId id, std::string_view text) {
  ::SetWindowTextW(Item(id), TextToWide(text).c_str());
}

void DialogControls::SetFocus(ControlId id) { ::SetFocus(Item(id)); }

ControlId DialogControls::GetFocus() {
  HWND focus = ::GetFocus();
  return focus && ::IsChild(hwnd_, focus) ? ::GetDlgCtrlID(focus) : 0;
}

std::int64_t DialogControls::GetPosition(ControlId id) { return ::SendMessageW(Item(id), TBM_GETPOS, 0, 0); }

void DialogControls::SetPosition(ControlId id, std::int64_t position) {
  ::SendMessageW(Item(id), TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
}

LRESULT CALLBACK DialogControls::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_NCCREATE)
    ::SetWindowLongPtrW(wnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<DialogControls*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ != wnd) return ::DefWindowProcW(wnd, msg, wParam, lParam);
  try {
    return self->Handle(msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

void DialogControls::DestroyDialog() {
  if (!hwnd_) return;
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void DialogControls::Centre() {
  RECT frame{}, work{};
  ::GetWindowRect(hwnd_, &frame);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {
bool g_modalLoopsEnded = false;
}

void DialogControls::EndModalLoops() {
  g_modalLoopsEnded = true;
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);  // wakes a loop that waits for messages
}

int DialogControls::ShowModal() {
  if (!hwnd_ || g_modalLoopsEnded) return IDCANCEL;
  result_.reset();
  Centre();
  HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  if (owner) ::EnableWindow(owner, FALSE);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);
  ::SetFocus(::GetNextDlgTabItem(hwnd_, nullptr, FALSE));  // the first control in tab order
  MSG msg{};
  bool quit = false;
  while (!result_ && !g_modalLoopsEnded) {
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      quit = true;
      break;
    }
    const bool ours = msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd);
    if (ours && PreTranslate(msg)) continue;
    if (::IsDialogMessageW(hwnd_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (owner) ::EnableWindow(owner, TRUE);
  ::ShowWindow(hwnd_, SW_HIDE);
  if (quit) {
    ::PostQuitMessage(static_cast<int>(msg.wParam));  // the program is ending: the main loop must see it
    return IDCANCEL;
  }
  return result_.value_or(IDCANCEL);
}

void DialogControls::ShowWindow(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

bool DialogControls::IsWindowVisible() { return ::IsWindowVisible(hwnd_) != FALSE; }

void DialogControls::SetForegroundWindow() { ::SetForegroundWindow(hwnd_); }

int DialogControls::GetLeft() {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  return r.left;
}

int DialogControls::GetWidth() {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  return r.right - r.left;
}

void DialogControls::SetLeft(int left) {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  ::SetWindowPos(hwnd_, nullptr, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UniqueFont DialogControls::DialogFont(int dpi, int points, bool bold, bool underline) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(points, dpi, 72);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  ::lstrcpyW(font.lfFaceName, L"Tahoma");
  return UniqueFont(::CreateFontIndirectW(&font));
}

void DialogControls::PlaceScaled(ControlId id, const RECT& at, int dpi, HFONT font) {
  HWND item = Item(id);
  ::MoveWindow(item, ScaleForDpi(at.left, dpi), ScaleForDpi(at.top, dpi), ScaleForDpi(at.right, dpi),
               ScaleForDpi(at.bottom, dpi), FALSE);
  ::SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void DialogControls::SizeClient(int width, int height, int dpi) {
  RECT frame{0, 0, ScaleForDpi(width, dpi), ScaleForDpi(height, dpi)};
  AdjustWindowRectForDpi(frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                         static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace velmora
