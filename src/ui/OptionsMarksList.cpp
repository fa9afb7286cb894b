// The marks page's list: its rows, its header, the rules drawn as check boxes in their cells.
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

void OptionsDialog::SetRows(ControlId id, const std::vector<std::vector<std::string>>& rows) {
  HWND list = Item(id);
  filling_ = true;
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (std::size_t cell = 0; cell < rows[row].size(); ++cell) {
      std::wstring text = TextToWide(rows[row][cell]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(row);
      item.iSubItem = static_cast<int>(cell);
      item.pszText = text.data();
      if (cell == 0)
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      else
        ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    }
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  filling_ = false;
}

LRESULT OptionsDialog::DrawMarkRow(NMLVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if ((draw.nmcd.dwDrawStage & CDDS_ITEMPREPAINT) != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  // The selected row in the palette's highlight, also while the list has no focus.
  HWND list = draw.nmcd.hdr.hwndFrom;
  const auto row = static_cast<WPARAM>(draw.nmcd.dwItemSpec);
  const bool selected = ::SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0;
  draw.clrText = selected ? colours().highlightText : colours().fieldText;
  draw.clrTextBk = selected ? colours().highlight : colours().field;
  draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
  if ((draw.nmcd.dwDrawStage & CDDS_SUBITEM) == 0) return CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW;
  if (RuleBoxOfColumn(draw.iSubItem) == 0) return CDRF_NEWFONT;
  // A rule's cell shows a check box; its text ("to tray" or none) stays for screen readers.
  RECT cell{};
  cell.top = draw.iSubItem;
  cell.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  wchar_t text[8] = {};
  LVITEMW item{};
  item.iSubItem = draw.iSubItem;
  item.pszText = text;
  item.cchTextMax = 8;
  ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  FillSolid(draw.nmcd.hdc, cell, draw.clrTextBk);
  DrawCheckSquare(draw.nmcd.hdc, cell, text[0] != 0, false, false, colours(), WindowDpi(hwnd_));
  return CDRF_SKIPDEFAULT;
}

ControlId OptionsDialog::RuleBoxOfColumn(int column) {
  return column == 2 ? cbclosetotray : column == 3 ? cbhideonopen : 0;
}

void OptionsDialog::ClickRuleCell(POINT at) {
  // As a click on the rule's own box below, for the selected row only.
  LVHITTESTINFO hit{};
  hit.pt = at;
  HWND list = Item(lvmarks);
  if (::SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0) return;
  const ControlId id = RuleBoxOfColumn(hit.iSubItem);
  if (!logic_ || id == 0 || ::SendMessageW(list, LVM_GETITEMSTATE, hit.iItem, LVIS_SELECTED) == 0 ||
      !IsEnabled(id))
    return;
  SetChecked(id, !IsChecked(id));
  logic_->OnClick(id);
}

LRESULT OptionsDialog::DrawMarksHeader(const NMCUSTOMDRAW& draw) const {
  if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
  HWND header = draw.hdr.hwndFrom;
  const PaletteColours& c = colours();
  const int dpi = WindowDpi(hwnd_);
  RECT r = draw.rc;
  if (draw.dwDrawStage == CDDS_POSTPAINT) {
    // Past the last column, where the header would show the system's face.
    RECT client{}, last{};
    ::GetClientRect(header, &client);
    const auto count = ::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0);
    if (count > 0) ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last));
    r = {last.right, client.top, client.right, client.bottom};
    if (r.left < r.right) {
      FillSolid(draw.hdc, r, c.face);
      FillSolid(draw.hdc, {r.left, r.bottom - 1, r.right, r.bottom}, c.line);
    }
    return CDRF_DODEFAULT;
  }
  if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  wchar_t caption[64] = {};
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = caption;
  item.cchTextMax = 64;
  ::SendMessageW(header, HDM_GETITEMW, draw.dwItemSpec, reinterpret_cast<LPARAM>(&item));
  FillSolid(draw.hdc, r, c.face);
  FillSolid(draw.hdc, {r.right - 1, r.top, r.right, r.bottom}, c.line);
  FillSolid(draw.hdc, {r.left, r.bottom - 1, r.right, r.bottom}, c.line);
  SelectGuard font(draw.hdc, reinterpret_cast<HGDIOBJ>(::SendMessageW(header, WM_GETFONT, 0, 0)));
  ::SetBkMode(draw.hdc, TRANSPARENT);
  ::SetTextColor(draw.hdc, c.faceText);
  r.left += ScaleForDpi(6, dpi);
  r.right -= ScaleForDpi(2, dpi);
  ::DrawTextW(draw.hdc, caption, -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  return CDRF_SKIPDEFAULT;
}

LRESULT CALLBACK OptionsDialog::MarksListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR self) noexcept {
  // The header's drawing is asked of the list, its parent: answered here, in the palette.
  if (msg == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == NM_CUSTOMDRAW &&
        header->hwndFrom == reinterpret_cast<HWND>(::SendMessageW(wnd, LVM_GETHEADER, 0, 0))) {
      try {
        return reinterpret_cast<const OptionsDialog*>(self)->DrawMarksHeader(
            *reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
      } catch (...) {
        return CDRF_DODEFAULT;
      }
    }
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, &OptionsDialog::MarksListProc, id);
  return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

}  // namespace velmora
