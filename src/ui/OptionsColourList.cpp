// The colour list of the group icons' count: the named colours and "Custom...".
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

namespace {

// The colour list: TColor values (0x00BBGGRR, system colours 0xFF0000nn), named from
// TextId::ColourBlack on in this order; a last entry, TextId::ColourCustom, holds any other.
constexpr std::uint32_t Colours[] = {
    0x000000,   0x000080,   0x008000,   0x008080,   0x800000,   0x800080,   0x808000,   0x808080,
    0xC0C0C0,   0x0000FF,   0x00FF00,   0x00FFFF,   0xFF0000,   0xFF00FF,   0xFFFF00,   0xFFFFFF,
    0xC0DCC0,   0xF0CAA6,   0xF0FBFF,   0xA4A0A0,   0xFF000000, 0xFF000001, 0xFF000002, 0xFF000003,
    0xFF000004, 0xFF000005, 0xFF000006, 0xFF000007, 0xFF000008, 0xFF000009, 0xFF00000A, 0xFF00000B,
    0xFF00000C, 0xFF00000D, 0xFF00000E, 0xFF00000F, 0xFF000010, 0xFF000011, 0xFF000012, 0xFF000013,
    0xFF000014, 0xFF000015, 0xFF000016, 0xFF000017, 0xFF000018,
};
static_assert(static_cast<std::size_t>(TextId::ColourCustom) - static_cast<std::size_t>(TextId::ColourBlack) ==
              std::size(Colours));

COLORREF Rgb(std::uint32_t colour) {
  return (colour & 0xFF000000u) == 0xFF000000u ? ::GetSysColor(static_cast<int>(colour & 0xFF)) : colour & 0xFFFFFF;
}

}  // namespace

void OptionsDialog::FillColours() {
  HWND list = Item(gcolour);
  auto add = [&](TextId name, std::uint32_t value) {
    const std::wstring caption = ToWide(texts_[name], CP_UTF8);
    const auto at = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), value);
  };
  for (std::size_t i = 0; i < std::size(Colours); ++i)
    add(static_cast<TextId>(static_cast<std::size_t>(TextId::ColourBlack) + i), Colours[i]);
  add(TextId::ColourCustom, 0);
}

bool OptionsDialog::IsCustomChosen(LRESULT before) const {
  HWND list = Item(gcolour);
  const auto at = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  return at >= 0 && at != before && at == ::SendMessageW(list, CB_GETCOUNT, 0, 0) - 1;
}

void OptionsDialog::ColourListEvent(UINT code) {
  HWND list = Item(gcolour);
  const auto at = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (code == CBN_DROPDOWN) {
    dropStart_ = at;
  } else if (code == CBN_CLOSEUP) {
    // The last selection notices may follow the close-up: decided once they are in.
    ::PostMessageW(hwnd_, WM_APP, 0, 0);
  } else if (code == CBN_SELCHANGE && !::SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) && !IsCustomChosen(-1)) {
    // Arrows on the closed list: any colour but "Custom...", which acts only when chosen.
    colourBefore_ = at;
  }
}

void OptionsDialog::ChooseCustomColour() {
  HWND list = Item(gcolour);
  const auto custom = ::SendMessageW(list, CB_GETCOUNT, 0, 0) - 1;
  CHOOSECOLORW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = hwnd_;
  choose.rgbResult = Rgb(static_cast<std::uint32_t>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(custom), 0)));
  choose.lpCustColors = custom_;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (::ChooseColorW(&choose)) {
    ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(custom), choose.rgbResult);
    colourBefore_ = custom;
  } else {
    ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(colourBefore_), 0);  // cancelled: as it was
  }
  dropStart_ = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void OptionsDialog::DrawColour(HDC dc, const RECT& area, UINT index, bool selected) const {
  HWND list = Item(gcolour);
  FillSolid(dc, area, selected ? colours().highlight : colours().field);
  const int pad = 2, swatch = area.bottom - area.top - 2 * pad;
  const RECT box{area.left + pad, area.top + pad, area.left + pad + swatch * 2, area.bottom - pad};
  const auto value = static_cast<std::uint32_t>(::SendMessageW(list, CB_GETITEMDATA, index, 0));
  const UniqueBrush fill(::CreateSolidBrush(Rgb(value)));
  FillSolid(dc, box, colours().fieldText);  // the swatch's frame
  const RECT inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  ::FillRect(dc, &inside, fill.get());
  wchar_t name[64] = {};
  if (::SendMessageW(list, CB_GETLBTEXTLEN, index, 0) < 64)
    ::SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name));
  RECT text = area;
  text.left = box.right + 2 * pad;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, selected ? colours().highlightText : colours().fieldText);
  ::DrawTextW(dc, name, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void OptionsDialog::PaintColourList(HDC dc) const {
  HWND list = Item(gcolour);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!::GetComboBoxInfo(list, &info)) return;
  RECT r{};
  ::GetClientRect(list, &r);
  const bool enabled = ::IsWindowEnabled(list) != FALSE, focused = ::GetFocus() == list;
  FillSolid(dc, r, colours().field);
  FrameSolid(dc, r, 1, enabled ? colours().frame : colours().grey);
  // The drop button: the face of a button, an arrow in its text colour.
  RECT button = info.rcButton;
  FillSolid(dc, button, colours().face);
  const int middle = (button.left + button.right) / 2, size = (button.right - button.left) / 4;
  const int top = (button.top + button.bottom - size) / 2;
  const POINT arrow[] = {{middle - size, top}, {middle + size, top}, {middle, top + size}};
  SelectGuard brush(dc, ::GetStockObject(DC_BRUSH));
  SelectGuard pen(dc, ::GetStockObject(DC_PEN));
  ::SetDCBrushColor(dc, enabled ? colours().faceText : colours().grey);
  ::SetDCPenColor(dc, enabled ? colours().faceText : colours().grey);
  ::Polygon(dc, arrow, 3);
  const auto at = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (at < 0) return;
  SelectGuard font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
  RECT item = info.rcItem;
  DrawColour(dc, item, static_cast<UINT>(at), focused);
  const auto ui = ::SendMessageW(list, WM_QUERYUISTATE, 0, 0);
  if (focused && (ui & UISF_HIDEFOCUS) == 0) ::DrawFocusRect(dc, &item);
}

LRESULT CALLBACK OptionsDialog::ColourListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                               DWORD_PTR self) noexcept {
  // The closed list in the palette: field, frame, drop button and the chosen colour.
  if (msg == WM_PAINT) {
    PAINTSTRUCT paint{};
    if (HDC dc = ::BeginPaint(wnd, &paint)) {
      try {
        reinterpret_cast<const OptionsDialog*>(self)->PaintColourList(dc);
      } catch (...) {
      }
      ::EndPaint(wnd, &paint);
    }
    return 0;
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, &OptionsDialog::ColourListProc, id);
  const LRESULT result = ::DefSubclassProc(wnd, msg, wParam, lParam);
  if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS || msg == WM_UPDATEUISTATE || msg == WM_ENABLE)
    ::InvalidateRect(wnd, nullptr, FALSE);
  return result;
}

}  // namespace velmora
