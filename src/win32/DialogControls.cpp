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

namespace {

// A flat button keeps the type it was made with and its checked state in its user data.
constexpr LONG_PTR FlatMark = 0x10000, PushLikeBit = 0x20, CheckedBit = 0x40;

bool IsClass(HWND wnd, const wchar_t* name) {
  wchar_t cls[32] = {};
  return ::GetClassNameW(wnd, cls, 32) > 0 && ::lstrcmpiW(cls, name) == 0;
}

// A flat button reports its clicks as the button it was made as: a double
// click is a second click, and an automatic check box turns first.
WPARAM FlatClick(WPARAM wParam, HWND item) {
  const LONG_PTR data = ::GetWindowLongPtrW(item, GWLP_USERDATA);
  if ((data & FlatMark) == 0) return wParam;
  const LONG_PTR type = data & BS_TYPEMASK;
  UINT code = HIWORD(wParam);
  if (code == BN_DOUBLECLICKED && type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON) code = BN_CLICKED;
  if (code == BN_CLICKED && type == BS_AUTOCHECKBOX)
    ::SendMessageW(item, BM_SETCHECK, (data & CheckedBit) != 0 ? BST_UNCHECKED : BST_CHECKED, 0);
  return MAKEWPARAM(LOWORD(wParam), code);
}

}  // namespace

LRESULT CALLBACK DialogControls::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_NCCREATE)
    ::SetWindowLongPtrW(wnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<DialogControls*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ != wnd) return ::DefWindowProcW(wnd, msg, wParam, lParam);
  try {
    LRESULT result = 0;
    if (self->Paint(msg, wParam, lParam, result)) return result;
    if (msg == WM_COMMAND && lParam != 0) wParam = FlatClick(wParam, reinterpret_cast<HWND>(lParam));
    return self->Handle(msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

bool DialogControls::Paint(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const PaletteColours& c = theme_.colours();
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, theme_.PageBrush());
      result = TRUE;
      return true;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      // A read-only edit field asks as a static control does.
      const bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX || IsClass(control, L"Edit");
      ::SetTextColor(dc, field ? c.fieldText : linkControl_ != 0 && control == Item(linkControl_) ? c.link : c.text);
      ::SetBkColor(dc, field ? c.field : c.page);
      result = reinterpret_cast<LRESULT>(field ? theme_.FieldBrush() : theme_.PageBrush());
      return true;
    }
    case WM_DRAWITEM: {
      const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const LONG_PTR data = draw.CtlType == ODT_BUTTON ? ::GetWindowLongPtrW(draw.hwndItem, GWLP_USERDATA) : 0;
      if ((data & FlatMark) == 0) return false;
      DrawFlatButton(draw, {data & BS_TYPEMASK, (data & PushLikeBit) != 0}, (data & CheckedBit) != 0, c,
                     WindowDpi(hwnd_));
      result = TRUE;
      return true;
    }
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.code != NM_CUSTOMDRAW || !IsClass(header.hwndFrom, TRACKBAR_CLASSW)) return false;
      result = DrawTrackBar(reinterpret_cast<NMCUSTOMDRAW&>(header), c, WindowDpi(hwnd_));
      return true;
    }
    case WM_SETTINGCHANGE:
      // The user's app theme ("ImmersiveColorSet") or high contrast changed.
      if (wParam == SPI_SETHIGHCONTRAST ||
          (lParam != 0 && ::lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"ImmersiveColorSet") == 0))
        RefreshTheme();
      return false;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      RefreshTheme();
      return false;
    default:
      return false;
  }
}

void DialogControls::RefreshTheme() {
  theme_.Refresh();
  if (!hwnd_) return;
  UseDarkTitleBar(hwnd_, theme_.palette() == Palette::Dark);
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void DialogControls::DrawControlsFlat() {
  for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!IsClass(child, L"Button")) continue;
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE), type = style & BS_TYPEMASK;
    const bool flat = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_CHECKBOX ||
                      type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    if (!flat && type != BS_GROUPBOX) continue;
    ::SetWindowSubclass(child, &DialogControls::FlatButtonProc, 1, reinterpret_cast<DWORD_PTR>(this));
    if (!flat) continue;  // a group box keeps its type and is painted flat
    const bool checked = ::SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::SetWindowLongPtrW(child, GWLP_USERDATA,
                        FlatMark | type | ((style & BS_PUSHLIKE) != 0 ? PushLikeBit : 0) | (checked ? CheckedBit : 0));
    ::SendMessageW(child, BM_SETSTYLE, static_cast<WPARAM>((style & 0xFFFF & ~BS_TYPEMASK) | BS_OWNERDRAW), FALSE);
  }
  RefreshTheme();
}

LONG_PTR DialogControls::ButtonType(HWND button) {
  const LONG_PTR data = ::GetWindowLongPtrW(button, GWLP_USERDATA);
  return (data & FlatMark) != 0 ? data & BS_TYPEMASK : ::GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
}

LRESULT CALLBACK DialogControls::FlatButtonProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR self) noexcept {
  const LONG_PTR data = ::GetWindowLongPtrW(wnd, GWLP_USERDATA);
  const LONG_PTR type = data & BS_TYPEMASK;
  if ((data & FlatMark) != 0 && msg == BM_GETCHECK) return (data & CheckedBit) != 0 ? BST_CHECKED : BST_UNCHECKED;
  if ((data & FlatMark) != 0 && msg == BM_SETCHECK) {
    ::SetWindowLongPtrW(wnd, GWLP_USERDATA, wParam == BST_CHECKED ? data | CheckedBit : data & ~CheckedBit);
    ::InvalidateRect(wnd, nullptr, FALSE);
    return 0;
  }
  if ((data & FlatMark) != 0 && msg == WM_GETDLGCODE && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON))
    return DLGC_BUTTON | DLGC_RADIOBUTTON;
  if ((data & FlatMark) == 0 && msg == WM_PAINT) {
    PAINTSTRUCT paint{};
    if (HDC dc = ::BeginPaint(wnd, &paint)) {
      try {
        DrawFlatGroupBox(wnd, dc, reinterpret_cast<const DialogControls*>(self)->theme_.colours(), WindowDpi(wnd));
      } catch (...) {
      }
      ::EndPaint(wnd, &paint);
    }
    return 0;
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, &DialogControls::FlatButtonProc, id);
  return ::DefSubclassProc(wnd, msg, wParam, lParam);
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
  RefreshTheme();
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

void DialogControls::ShowWindow(bool visible) {
  if (visible) RefreshTheme();
  ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

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
