#include "ui/ChangeHotkeyDialog.h"

#include "win32/Dpi.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

namespace {

constexpr wchar_t ClassName[] = L"TChangeHotkey";
constexpr DWORD Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

struct ControlSpec {
  ControlId id;
  const wchar_t* kind;
  const wchar_t* text;
  DWORD style;
  RECT at;  // left, top, width, height at 96 DPI
};

// The layout of the form, in tab order.
constexpr ControlSpec Specs[] = {
    // The whole width: the longest hotkey caption, in bold, in every language.
    {LabelHK, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, {9, 13, 365, 16}},
    {cbctrl, L"BUTTON", L"CTRL", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, {8, 38, 57, 17}},
    {cbshift, L"BUTTON", L"SHIFT", BS_AUTOCHECKBOX | WS_TABSTOP, {72, 38, 57, 17}},
    {cbalt, L"BUTTON", L"ALT", BS_AUTOCHECKBOX | WS_TABSTOP, {136, 38, 57, 17}},
    {cbwin, L"BUTTON", L"WIN", BS_AUTOCHECKBOX | WS_TABSTOP, {200, 38, 57, 17}},
    // Out of the tab order: it passes the focus on at once, and Shift+Tab would be caught there.
    {EditHK, L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, {264, 37, 113, 19}},
    {Label1, L"STATIC", L"", SS_LEFT, {9, 65, 254, 13}},
    {bchange, L"BUTTON", L"", BS_DEFPUSHBUTTON | WS_TABSTOP, {266, 81, 50, 19}},
    {bcancel, L"BUTTON", L"", BS_PUSHBUTTON | WS_TABSTOP, {325, 81, 50, 19}},
};

}  // namespace

ChangeHotkeyDialog::ChangeHotkeyDialog(const TextTable& texts, HWND owner) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &DialogControls::WndProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpszClassName = ClassName;
  ::RegisterClassExW(&wc);
  hwnd_ = ::CreateWindowExW(ExStyle, ClassName, ToWide(texts[TextId::ChangeHotkeyTitle], CP_UTF8).c_str(), Style, 0, 0,
                            0, 0, owner, nullptr, instance, static_cast<DialogControls*>(this));
  if (!hwnd_) return;
  for (const ControlSpec& spec : Specs)
    ::CreateWindowExW(0, spec.kind, spec.text, WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 0, 0, hwnd_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
  SetText(Label1, texts[TextId::ChangeHotkeyLabel]);
  SetText(bchange, texts[TextId::ChangeHotkeyChange]);
  SetText(bcancel, texts[TextId::ChangeHotkeyCancel]);
  DrawControlsInPalette();
  NameByLabel(EditHK, LabelHK);  // the key chosen for the hotkey named above it
  Layout(WindowDpi(hwnd_));
}

ChangeHotkeyDialog::~ChangeHotkeyDialog() { DestroyDialog(); }

void ChangeHotkeyDialog::Layout(int dpi) {
  font_ = DialogFont(dpi, 8);
  bold_ = DialogFont(dpi, 9, true);
  for (const ControlSpec& spec : Specs) PlaceScaled(spec.id, spec.at, dpi, spec.id == LabelHK ? bold_.get() : font_.get());
  SizeClient(ClientWidth, ClientHeight, dpi);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

int ChangeHotkeyDialog::ShowModal() {
  Layout(WindowDpi(hwnd_));
  return DialogControls::ShowModal();
}

bool ChangeHotkeyDialog::PreTranslate(const MSG& msg) {
  return msg.message == WM_KEYDOWN && logic_ && logic_->EditHKKeyDown(static_cast<std::uint16_t>(msg.wParam));
}

LRESULT ChangeHotkeyDialog::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      const auto id = static_cast<ControlId>(LOWORD(wParam));
      const UINT code = HIWORD(wParam);
      if (id == bchange && code == BN_CLICKED && IsEnabled(bchange)) EndModal(IDOK);
      else if (id == bcancel && code == BN_CLICKED) EndModal(IDCANCEL);
      else if (id >= cbctrl && id <= cbwin && code == BN_CLICKED && logic_) logic_->cbctrlClick();
      else if (id == EditHK && code == EN_SETFOCUS && logic_) logic_->EditHKEnter();
      // Escape (IDCANCEL from the dialog manager) has no effect.
      return 0;
    }
    case DM_GETDEFID:
      return MAKELRESULT(bchange, DC_HASDEFID);
    case WM_CLOSE:
      EndModal(IDCANCEL);  // hidden, never destroyed while the program runs
      return 0;
    case WM_DPICHANGED:
      Layout(HIWORD(wParam));
      MoveToSuggested(lParam);
      return 0;
    default:
      return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
  }
}

}  // namespace velmora
