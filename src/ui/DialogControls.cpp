#include "ui/DialogControls.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/AccessibleName.h"
#include "win32/Dpi.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

namespace {

// Posted by a push button that gains or loses the focus: the default is set once the focus has settled.
constexpr UINT FixDefaultMessage = WM_APP + 1;


bool IsClass(HWND wnd, const wchar_t* name) {
  wchar_t cls[32] = {};
  return ::GetClassNameW(wnd, cls, 32) > 0 && ::lstrcmpiW(cls, name) == 0;
}

}  // namespace

bool DialogControls::IsChecked(ControlId id) { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void DialogControls::SetChecked(ControlId id, bool checked) {
  ::SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogControls::IsEnabled(ControlId id) { return ::IsWindowEnabled(Item(id)) != FALSE; }

void DialogControls::SetEnabled(ControlId id, bool enabled) { ::EnableWindow(Item(id), enabled ? TRUE : FALSE); }

std::string DialogControls::GetText(ControlId id) { return FromWide(TextOf(Item(id)), CP_UTF8); }

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
    LRESULT result = 0;
    if (self->Paint(msg, wParam, lParam, result)) return result;
    if (self->KeepFocus(msg, wParam)) return 0;
    if (msg == FixDefaultMessage) {
      self->FixDefaultButton();
      return 0;
    }
    return self->Handle(msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

bool DialogControls::KeepFocus(UINT msg, WPARAM wParam) {
  // As the dialog manager does: the focus saved when the dialog goes inactive or hidden.
  if ((msg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) || (msg == WM_SHOWWINDOW && !wParam)) {
    HWND focus = ::GetFocus();
    if (focus && ::IsChild(hwnd_, focus)) savedFocus_ = focus;
    return false;
  }
  if (msg != WM_ACTIVATE && msg != WM_SETFOCUS) return false;
  // Minimized, it keeps no focus; restored, WM_SETFOCUS comes.
  if (::IsIconic(hwnd_)) return msg == WM_ACTIVATE;
  // Never the frame: the control that had the focus, else the first one.
  HWND to = savedFocus_ && ::IsChild(hwnd_, savedFocus_) && ::IsWindowVisible(savedFocus_) &&
                    ::IsWindowEnabled(savedFocus_)
                ? savedFocus_
                : FirstControl();
  if (!to) return false;
  ::SetFocus(to);
  // Activated by a key (Alt+Tab), the focus cue shows; by a click, it waits for a key.
  if (msg == WM_ACTIVATE) ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
  return true;
}

void DialogControls::FixDefaultButton() {
  // As the dialog manager of Windows does: the focused push button is the
  // default, and once the focus is elsewhere the dialog's own default is again.
  HWND focus = ::GetFocus();
  constexpr LRESULT PushButton = DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON;
  const bool onButton = focus && ::IsChild(hwnd_, focus) && (::SendMessageW(focus, WM_GETDLGCODE, 0, 0) & PushButton);
  const LRESULT id = ::SendMessageW(hwnd_, DM_GETDEFID, 0, 0);
  HWND wanted = onButton ? focus : HIWORD(id) == DC_HASDEFID ? Item(LOWORD(id)) : nullptr;
  for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const LRESULT code = ::SendMessageW(child, WM_GETDLGCODE, 0, 0);
    const bool isDefault = (code & DLGC_DEFPUSHBUTTON) != 0;
    if ((code & PushButton) == 0 || isDefault == (child == wanted)) continue;
    const auto style = static_cast<WPARAM>(::GetWindowLongPtrW(child, GWL_STYLE) & 0xFFFF & ~BS_TYPEMASK);
    ::SendMessageW(child, BM_SETSTYLE, style | (isDefault ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON), TRUE);
  }
}

void DialogControls::NameByLabel(ControlId control, ControlId label) {
  ::SetWindowSubclass(Item(control), &DialogControls::NameProc, 2, reinterpret_cast<DWORD_PTR>(Item(label)));
}

LRESULT CALLBACK DialogControls::NameProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR label) noexcept {
  if (msg == WM_GETOBJECT) {
    try {
      // The label's text, then the control's own (a hotkey's key text), read as they are now.
      std::wstring name = TextOf(reinterpret_cast<HWND>(label));
      std::erase(name, L'&');
      if (const std::wstring own = TextOf(wnd); !own.empty() && IsClass(wnd, L"Button")) name += L": " + own;
      if (const LRESULT object = AnswerGetObject(wnd, wParam, lParam, name)) return object;
    } catch (...) {
    }
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, &DialogControls::NameProc, id);
  return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

HWND DialogControls::FirstControl() const { return ::GetNextDlgTabItem(hwnd_, nullptr, FALSE); }

void DialogControls::FocusFirstControl() {
  savedFocus_ = FirstControl();
  if (::GetActiveWindow() == hwnd_ && savedFocus_) ::SetFocus(savedFocus_);
  // The cues show as the last input asks: hidden after a click, shown after a key.
  ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
}

bool DialogControls::TranslateKeys(const MSG& msg) {
  if (!hwnd_ || (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd))) return false;
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  const auto key = msg.wParam;
  if (key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_MENU ||
      msg.message == WM_SYSKEYDOWN) {
    ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    ::PostMessageW(hwnd_, FixDefaultMessage, 0, 0);  // once the dialog manager has moved the focus
  }
  return PreTranslate(msg);
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
      ::SetTextColor(dc, field ? c.fieldText : c.text);
      ::SetBkColor(dc, field ? c.field : c.page);
      result = reinterpret_cast<LRESULT>(field ? theme_.FieldBrush() : theme_.PageBrush());
      return true;
    }
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.code != NM_CUSTOMDRAW) return false;
      const auto& draw = reinterpret_cast<const NMCUSTOMDRAW&>(header);
      if (IsClass(header.hwndFrom, TRACKBAR_CLASSW)) {
        result = DrawTrackBar(const_cast<NMCUSTOMDRAW&>(draw), c, WindowDpi(hwnd_));
        return true;
      }
      if (!IsClass(header.hwndFrom, L"Button")) return false;
      const auto id = static_cast<ControlId>(header.idFrom);
      const ButtonLook look = id != 0 && id == linkControl_ ? ButtonLook::Link
                              : std::find(textControls_.begin(), textControls_.end(), id) != textControls_.end()
                                  ? ButtonLook::Text
                                  : ButtonLook::Native;
      result = DrawButton(draw, look, c, WindowDpi(hwnd_));
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
  PaletteChanged(theme_.palette());
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void DialogControls::DrawControlsInPalette() {
  for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (IsClass(child, L"Button"))
      ::SetWindowSubclass(child, &DialogControls::ButtonProc, 1, reinterpret_cast<DWORD_PTR>(this));
  RefreshTheme();
}

LRESULT CALLBACK DialogControls::ButtonProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR self) noexcept {
  const bool groupBox = (::GetWindowLongPtrW(wnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
  if (groupBox && msg == WM_PAINT) {
    // Group boxes send no custom draw: painted here, in the palette.
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
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, &DialogControls::ButtonProc, id);
  if ((msg == WM_SETFOCUS || msg == WM_KILLFOCUS) &&
      (::SendMessageW(wnd, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0)
    ::PostMessageW(::GetParent(wnd), FixDefaultMessage, 0, 0);
  const LRESULT result = ::DefSubclassProc(wnd, msg, wParam, lParam);
  // The focus cue and the mnemonics' underlines come and go with the UI state.
  if (msg == WM_UPDATEUISTATE && !groupBox) ::InvalidateRect(wnd, nullptr, FALSE);
  return result;
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
  FocusFirstControl();
  MSG msg{};
  bool quit = false;
  while (!result_ && !g_modalLoopsEnded) {
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      quit = true;
      break;
    }
    if (TranslateKeys(msg)) continue;
    if (::IsDialogMessageW(hwnd_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (owner) ::EnableWindow(owner, TRUE);
  // The owner is active again before the dialog goes, as EndDialog does: the keyboard stays with it.
  if (owner && ::GetActiveWindow() == hwnd_) ::SetActiveWindow(owner);
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

UniqueFont DialogControls::DialogFont(int dpi, int points, bool bold, bool underline) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(points, dpi, 72);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  ::lstrcpyW(font.lfFaceName, L"Tahoma");
  return UniqueFont(::CreateFontIndirectW(&font));
}

void DialogControls::PlaceScaled(ControlId id, const RECT& at, int dpi, HFONT font, int shift) {
  HWND item = Item(id);
  ::MoveWindow(item, ScaleForDpi(at.left, dpi) + shift, ScaleForDpi(at.top, dpi), ScaleForDpi(at.right, dpi),
               ScaleForDpi(at.bottom, dpi), FALSE);
  ::SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void DialogControls::SizeClientPixels(int width, int height, int dpi) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectForDpi(frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                         static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogControls::MoveToSuggested(LPARAM suggested) {
  const auto* at = reinterpret_cast<const RECT*>(suggested);
  if (at) ::SetWindowPos(hwnd_, nullptr, at->left, at->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace velmora
