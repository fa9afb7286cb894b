#include "ui/OptionsDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "platform/Ports.h"
#include "ui/OptionsLayout.h"
#include "win32/Convert.h"
#include "win32/Dpi.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

using namespace options_layout;

OptionsDialog::~OptionsDialog() { DestroyDialog(); }

void OptionsDialog::Layout(int dpi) {
  font_ = DialogFont(dpi, 8);
  bold_ = DialogFont(dpi, 12, true);
  link_ = DialogFont(dpi, 8);
  linkHoverFont_ = DialogFont(dpi, 8, false, true);
  // A page bar wider than the dialog widens it; the pages stay in its middle.
  const int width = FitPageBar(dpi), shift = (width - ScaleForDpi(ClientWidth, dpi)) / 2;
  for (const Placed& p : placed_)
    if (std::find(std::begin(PageButtons), std::end(PageButtons), p.id) == std::end(PageButtons))
      PlaceScaled(p.id, p.at, dpi, p.fontKind == 1 ? bold_.get() : p.fontKind == 2 ? link_.get() : font_.get(), shift);
    else
      ::SendMessageW(Item(p.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  ::SendMessageW(Item(gcolour), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), ScaleForDpi(16, dpi));
  ::SendMessageW(Item(gcolour), CB_SETITEMHEIGHT, 0, ScaleForDpi(16, dpi));
  for (int i = 0; i < 4; ++i)
    ::SendMessageW(Item(lvmarks), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), ScaleForDpi(MarkColumns[i], dpi));
  SizeClientPixels(width, ScaleForDpi(ClientHeight, dpi), dpi);
  linkHover_ = false;
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void OptionsDialog::ShowPages() {
  for (const Placed& p : placed_) {
    const bool shown = p.page < 0 || (p.page == page_ && (p.subPage < 0 || p.subPage == subPage_));
    ::ShowWindow(Item(p.id), shown ? SW_SHOWNA : SW_HIDE);
  }
}

std::int64_t OptionsDialog::GetPosition(ControlId id) {
  if (id == pgc) return page_;
  if (id == pctm) return subPage_;
  if (id == lvmarks) return ::SendMessageW(Item(lvmarks), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (id == gcolour) {
    const auto at = ::SendMessageW(Item(gcolour), CB_GETCURSEL, 0, 0);
    if (at < 0) return 0;
    return static_cast<std::int32_t>(::SendMessageW(Item(gcolour), CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
  }
  return DialogControls::GetPosition(id);
}

void OptionsDialog::SetPosition(ControlId id, std::int64_t position) {
  if (id == pgc || id == pctm) {
    (id == pgc ? page_ : subPage_) = static_cast<int>(position);
    ShowPages();
    return;
  }
  if (id == lvmarks) {
    HWND list = Item(lvmarks);
    filling_ = true;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (position >= 0 && ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(position),
                                        reinterpret_cast<LPARAM>(&state)))
      ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(position), FALSE);
    filling_ = false;
    return;
  }
  if (id != gcolour) return DialogControls::SetPosition(id, position);
  HWND list = Item(gcolour);
  const auto value = static_cast<std::uint32_t>(position);
  const auto count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i + 1 < count; ++i) {
    if (static_cast<std::uint32_t>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == value) {
      ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      colourBefore_ = dropStart_ = i;
      return;
    }
  }
  // Not a named colour: the custom entry holds it.
  ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(count - 1), value);
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
  colourBefore_ = dropStart_ = count - 1;
}

bool OptionsDialog::GetMenuPoint(ControlId id, int& x, int& y) {
  RECT r{};
  if (!::GetWindowRect(Item(id), &r)) return false;
  x = r.left;
  y = r.bottom;
  return true;
}

Hwnd OptionsDialog::DialogWindow() { return FromHwnd(hwnd_); }

void OptionsDialog::ShowWindow(bool visible) {
  const bool opening = visible && !::IsWindowVisible(hwnd_);
  if (opening) {
    Layout(WindowDpi(hwnd_));
    Centre();
  }
  DialogControls::ShowWindow(visible);
  if (opening) FocusFirstControl();
}

bool OptionsDialog::PreTranslate(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
  HWND focus = ::GetFocus();
  const ControlId id = focus ? ::GetDlgCtrlID(focus) : 0;
  // Enter on a page button shows its page, as a click does.
  if (std::find(std::begin(PageButtons), std::end(PageButtons), id) != std::end(PageButtons)) {
    ::SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
  }
  // Enter on a closed colour list resting on "Custom..." chooses it.
  if (id == gcolour && !::SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0) && IsCustomChosen(-1)) {
    ChooseCustomColour();
    return true;
  }
  return false;
}

HWND OptionsDialog::FirstControl() const {
  // The page's first control, after the bar of page buttons.
  HWND control = ::GetNextDlgTabItem(hwnd_, Item(buttonabout), FALSE);
  return control && control != Item(bhelp) ? control : DialogControls::FirstControl();
}

void OptionsDialog::PaletteChanged(Palette palette) {
  // The marks list in the palette's field colours; its scroll bars and header
  // dark where the system has dark themes for them (Windows 10 on).
  HWND marks = Item(lvmarks);
  ::SendMessageW(marks, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colours().field));
  ::SendMessageW(marks, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(colours().fieldText));
  ::SendMessageW(marks, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colours().field));
  const bool dark = palette == Palette::Dark;
  ::SetWindowTheme(marks, dark ? L"DarkMode_Explorer" : nullptr, nullptr);
  ::SetWindowTheme(reinterpret_cast<HWND>(::SendMessageW(marks, LVM_GETHEADER, 0, 0)),
                   dark ? L"DarkMode_ItemsView" : nullptr, nullptr);
  // Where the system has dark scroll bars and frames (Windows 10 on), the drop-down takes them.
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!::GetComboBoxInfo(Item(gcolour), &info)) return;
  const wchar_t* theme = palette == Palette::Dark ? L"DarkMode_Explorer" : nullptr;
  ::SetWindowTheme(info.hwndList, theme, nullptr);
}

void OptionsDialog::SetLinkHover(bool over) {
  if (over == linkHover_) return;
  linkHover_ = over;
  ::SendMessageW(Item(lbCompany), WM_SETFONT, reinterpret_cast<WPARAM>(over ? linkHoverFont_.get() : link_.get()),
                 TRUE);
}

LRESULT OptionsDialog::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      const auto id = static_cast<ControlId>(LOWORD(wParam));
      const UINT code = HIWORD(wParam);
      HWND item = reinterpret_cast<HWND>(lParam);
      if (!logic_ || !item) return 0;  // IDOK/IDCANCEL of the dialog manager: Enter presses "关闭" itself
      if (id == gcolour) {
        ColourListEvent(code);
        return 0;
      }
      if (code == EN_CHANGE) {
        const int before = ::GetWindowTextLengthW(item);
        logic_->OnTextChange(id);
        if (::GetWindowTextLengthW(item) < before) ::SendMessageW(item, EM_SETSEL, before, before);  // cut: caret at the end
        return 0;
      }
      // Check boxes and radio items have changed already, as the controls of the form do.
      if (code == BN_CLICKED) logic_->OnClick(id);
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != static_cast<UINT_PTR>(lvmarks)) break;
      if (header->code == NM_CUSTOMDRAW) return DrawMarkRow(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
      if (header->code == NM_CLICK || header->code == NM_DBLCLK) {
        // Acted on once the list has finished with the click: the rows are filled anew.
        const POINT at = reinterpret_cast<const NMITEMACTIVATE*>(lParam)->ptAction;
        ::PostMessageW(hwnd_, RuleCellClicked, 0, MAKELPARAM(at.x, at.y));
        return 0;
      }
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
      // The user moved the selection (arrows, a click): the rule boxes follow it.
      if (header->code == LVN_ITEMCHANGED && logic_ && !filling_ && (change->uChanged & LVIF_STATE) != 0 &&
          ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) != 0)
        logic_->OnSelect(lvmarks);
      return 0;
    }
    case WM_HSCROLL:
      if (logic_ && lParam) logic_->OnTrackBar(static_cast<ControlId>(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(bclose, DC_HASDEFID);
    case RuleCellClicked:
      ClickRuleCell({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_APP:  // the colour list closed up: its choice is final now
      if (IsCustomChosen(dropStart_))
        ChooseCustomColour();
      else if (!IsCustomChosen(-1))
        colourBefore_ = ::SendMessageW(Item(gcolour), CB_GETCURSEL, 0, 0);
      return 0;
    case WM_SETCURSOR: {
      HWND over = reinterpret_cast<HWND>(wParam);
      const ControlId id = over == hwnd_ ? 0 : ::GetDlgCtrlID(over);
      SetLinkHover(id == lbCompany);
      if (id == lbCompany || (id >= lcbminimize && id <= lcbshowmenu && ::IsWindowEnabled(over))) {
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
        return TRUE;
      }
      break;
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType != ODT_COMBOBOX) break;
      measure->itemHeight = static_cast<UINT>(ScaleForDpi(16, WindowDpi(hwnd_)));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (draw->CtlType != ODT_COMBOBOX || draw->itemID == static_cast<UINT>(-1)) break;
      DrawColour(draw->hDC, draw->rcItem, draw->itemID, (draw->itemState & ODS_SELECTED) != 0);
      return TRUE;
    }
    case WM_CLOSE:
      if (logic_ && !logic_->FormCloseQuery()) return 0;  // Alt+F4 and the like leave it open
      break;
    case WM_DPICHANGED:
      Layout(HIWORD(wParam));
      MoveToSuggested(lParam);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace velmora
