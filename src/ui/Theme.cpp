#include "ui/Theme.h"

#include <algorithm>
#include <string>


namespace velmora {

namespace {

int Scale(int pixels, int dpi) { return ::MulDiv(pixels, dpi, 96); }

}  // namespace

void FrameSolid(HDC dc, const RECT& r, int width, COLORREF colour) {
  FillSolid(dc, {r.left, r.top, r.right, r.top + width}, colour);
  FillSolid(dc, {r.left, r.bottom - width, r.right, r.bottom}, colour);
  FillSolid(dc, {r.left, r.top, r.left + width, r.bottom}, colour);
  FillSolid(dc, {r.right - width, r.top, r.right, r.bottom}, colour);
}

std::wstring TextOf(HWND wnd) {
  const int length = ::GetWindowTextLengthW(wnd);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  text.resize(static_cast<std::size_t>(std::max(0, ::GetWindowTextW(wnd, text.data(), static_cast<int>(text.size())))));
  return text;
}

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
  const COLORREF previous = ::SetBkColor(dc, colour);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
  ::SetBkColor(dc, previous);
}

void UseDarkTitleBar(HWND wnd, bool dark) {
  using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  // Loaded once for the program's time; systems without the DWM have no such library.
  static const UniqueModule dwm(::LoadLibraryExW(L"dwmapi.dll", nullptr, 0x800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */));
  static const auto set =
      dwm ? reinterpret_cast<SetAttribute>(reinterpret_cast<void*>(::GetProcAddress(dwm.get(), "DwmSetWindowAttribute")))
          : nullptr;
  if (!set) return;
  const BOOL value = dark ? TRUE : FALSE;
  // DWMWA_USE_IMMERSIVE_DARK_MODE is 20 from Windows 10 20H1 on, 19 on the builds before.
  if (FAILED(set(wnd, 20, &value, sizeof value))) set(wnd, 19, &value, sizeof value);
}

bool Theme::Refresh() {
  const Palette palette = CurrentPalette();
  const PaletteColours colours = ColoursOf(palette);
  if (page_ && palette == palette_ && colours == colours_) return false;
  palette_ = palette;
  colours_ = colours;
  page_.reset(::CreateSolidBrush(colours.page));
  field_.reset(::CreateSolidBrush(colours.field));
  return true;
}

namespace {

// The focus cue around a caption, clear of it on every side, inside the control: as
// high as the control allows (a caption in a fallback font may fill its line), and
// wider than measured, which falls short for glyphs of a linked font.
void FocusAround(HDC dc, RECT caption, const RECT& inside, int dpi) {
  caption.left -= Scale(3, dpi);
  caption.right += Scale(6, dpi);
  caption.top = inside.top;
  caption.bottom = inside.bottom;
  RECT cue{};
  if (::IntersectRect(&cue, &caption, &inside)) ::DrawFocusRect(dc, &cue);
}

// The caption's bounds as DrawText places it in the area.
RECT CaptionBounds(HDC dc, const std::wstring& text, const RECT& area, UINT flags) {
  RECT bounds = area;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, (flags & ~DT_VCENTER) | DT_CALCRECT);
  const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  bounds.top = (area.top + area.bottom - height) / 2;
  bounds.bottom = bounds.top + height;
  if (flags & DT_CENTER) bounds.left = (area.left + area.right - width) / 2;
  bounds.right = std::min(bounds.left + width, area.right);
  return bounds;
}

}  // namespace

LRESULT DrawButton(const NMCUSTOMDRAW& draw, ButtonLook look, const PaletteColours& c, int dpi) {
  // All of it at the first stage that comes; the control draws nothing itself.
  if (draw.dwDrawStage != CDDS_PREERASE && draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  HWND wnd = draw.hdr.hwndFrom;
  HDC dc = draw.hdc;
  RECT r{};
  ::GetClientRect(wnd, &r);
  const LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE), type = style & BS_TYPEMASK;
  const auto state = ::SendMessageW(wnd, BM_GETSTATE, 0, 0);
  const auto ui = ::SendMessageW(wnd, WM_QUERYUISTATE, 0, 0);
  const bool checked = (state & BST_CHECKED) != 0, pushed = (state & BST_PUSHED) != 0;
  const bool focus = (state & BST_FOCUS) != 0 && (ui & UISF_HIDEFOCUS) == 0;
  const bool disabled = ::IsWindowEnabled(wnd) == FALSE;
  const UINT prefix = (ui & UISF_HIDEACCEL) != 0 ? DT_HIDEPREFIX : 0;
  const std::wstring text = TextOf(wnd);
  SelectGuard font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(wnd, WM_GETFONT, 0, 0)));
  ::SetBkMode(dc, TRANSPARENT);
  const bool box = (style & BS_PUSHLIKE) == 0 && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX ||
                                                  type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
  if (look != ButtonLook::Native) {
    FillSolid(dc, r, c.page);
    const UINT flags = ((style & BS_CENTER) == BS_CENTER ? DT_CENTER : DT_LEFT) | DT_VCENTER | DT_SINGLELINE | prefix;
    ::SetTextColor(dc, disabled ? c.grey : look == ButtonLook::Link ? c.link : c.text);
    RECT area = r;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, flags);
    if (focus && !text.empty()) FocusAround(dc, CaptionBounds(dc, text, r, flags), r, dpi);
    return CDRF_SKIPDEFAULT;
  }
  if (!box) {
    // Push buttons and the page buttons: pressed or checked in the highlight.
    const bool on = checked || pushed;
    FillSolid(dc, r, on ? c.highlight : c.face);
    const int frame = type == BS_DEFPUSHBUTTON ? Scale(2, dpi) : 1;
    FrameSolid(dc, r, frame, disabled ? c.grey : on || type == BS_DEFPUSHBUTTON ? c.faceText : c.frame);
    const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix;
    ::SetTextColor(dc, disabled ? c.grey : on ? c.highlightText : c.faceText);
    RECT area = r;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, flags);
    // The cue inside the frame, as the system's own push buttons draw it; the caption keeps clear of it.
    RECT inside = r;
    ::InflateRect(&inside, -(frame + 1), -(frame + 1));
    if (focus) ::DrawFocusRect(dc, &inside);
    return CDRF_SKIPDEFAULT;
  }
  // Check boxes and radio items: the box at the left, the caption after it.
  FillSolid(dc, r, c.page);
  const int size = Scale(13, dpi);
  const RECT mark{r.left, (r.top + r.bottom - size) / 2, r.left + size, (r.top + r.bottom - size) / 2 + size};
  const COLORREF edge = disabled ? c.grey : c.frame, ink = disabled ? c.grey : c.fieldText;
  if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
    SelectGuard brush(dc, ::GetStockObject(DC_BRUSH));
    SelectGuard pen(dc, ::GetStockObject(DC_PEN));
    ::SetDCBrushColor(dc, pushed ? c.line : c.field);
    ::SetDCPenColor(dc, edge);
    ::Ellipse(dc, mark.left, mark.top, mark.right, mark.bottom);
    if (checked) {
      const int inset = size * 3 / 10;
      ::SetDCBrushColor(dc, ink);
      ::SetDCPenColor(dc, ink);
      ::Ellipse(dc, mark.left + inset, mark.top + inset, mark.right - inset, mark.bottom - inset);
    }
  } else {
    DrawCheckSquare(dc, mark, checked, pushed, disabled, c, dpi);
  }
  const RECT caption{mark.right + Scale(6, dpi), r.top, r.right, r.bottom};
  const UINT flags = DT_LEFT | DT_VCENTER | DT_SINGLELINE | prefix;
  ::SetTextColor(dc, disabled ? c.grey : c.text);
  RECT area = caption;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, flags);
  if (focus && !text.empty()) FocusAround(dc, CaptionBounds(dc, text, caption, flags), r, dpi);
  return CDRF_SKIPDEFAULT;
}

void DrawCheckSquare(HDC dc, const RECT& area, bool checked, bool pushed, bool disabled, const PaletteColours& c,
                     int dpi) {
  const int size = Scale(13, dpi);
  const int left = (area.left + area.right - size) / 2, top = (area.top + area.bottom - size) / 2;
  const RECT mark{left, top, left + size, top + size};
  FillSolid(dc, mark, pushed ? c.line : c.field);
  FrameSolid(dc, mark, 1, disabled ? c.grey : c.frame);
  if (!checked) return;
  const UniquePen tick(::CreatePen(PS_SOLID, std::max(1, Scale(2, dpi)), disabled ? c.grey : c.fieldText));
  SelectGuard pen(dc, tick.get());
  const POINT points[] = {{mark.left + size * 3 / 13, mark.top + size * 6 / 13},
                          {mark.left + size * 5 / 13, mark.top + size * 9 / 13},
                          {mark.left + size * 10 / 13, mark.top + size * 3 / 13}};
  ::Polyline(dc, points, 3);
}

void DrawFlatGroupBox(HWND box, HDC dc, const PaletteColours& c, int dpi) {
  RECT r{};
  ::GetClientRect(box, &r);
  const std::wstring text = TextOf(box);
  SelectGuard font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(box, WM_GETFONT, 0, 0)));
  const int gap = GroupCaptionRoom(dpi) - Scale(8, dpi);
  RECT caption{r.left + GroupCaptionRoom(dpi), r.top, r.right - GroupCaptionRoom(dpi), r.bottom};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  // The frame runs through the middle of the caption's line; the caption interrupts it with a gap on either side.
  const int top = (caption.top + caption.bottom) / 2;
  FrameSolid(dc, {r.left, top, r.right, r.bottom}, 1, c.line);
  if (text.empty()) return;
  FillSolid(dc, {caption.left - gap, caption.top, std::min(caption.right + gap, r.right - 1), caption.bottom}, c.page);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::IsWindowEnabled(box) ? c.text : c.grey);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT DrawTrackBar(NMCUSTOMDRAW& draw, const PaletteColours& c, int dpi) {
  if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  HWND bar = draw.hdr.hwndFrom;
  const bool enabled = ::IsWindowEnabled(bar) != FALSE;
  HDC dc = draw.hdc;
  if (draw.dwItemSpec == TBCD_CHANNEL) {
    FillSolid(dc, draw.rc, c.line);
    RECT inner = draw.rc;
    ::InflateRect(&inner, -1, -1);
    FillSolid(dc, inner, c.field);
  } else if (draw.dwItemSpec == TBCD_THUMB) {
    FillSolid(dc, draw.rc, enabled ? c.face : c.page);
    FrameSolid(dc, draw.rc, 1, enabled ? c.faceText : c.grey);
  } else if (draw.dwItemSpec == TBCD_TICS) {
    // The inner tics have their places; the two at the ends follow from them.
    RECT thumb{};
    ::SendMessageW(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const auto inner = static_cast<int>(::SendMessageW(bar, TBM_GETNUMTICS, 0, 0)) - 2;
    const auto tic = [&](int x) {
      FillSolid(dc, {x, thumb.bottom + Scale(2, dpi), x + 1, thumb.bottom + Scale(5, dpi)}, enabled ? c.grey : c.line);
    };
    for (int i = 0; i < inner; ++i) tic(static_cast<int>(::SendMessageW(bar, TBM_GETTICPOS, i, 0)));
    if (inner >= 2) {
      const auto at = [&](int i) { return static_cast<long>(::SendMessageW(bar, TBM_GETTICPOS, i, 0)); };
      const auto value = [&](int i) { return static_cast<long>(::SendMessageW(bar, TBM_GETTIC, i, 0)); };
      const long x0 = at(0), x1 = at(inner - 1), v0 = value(0), v1 = value(inner - 1);
      for (LPARAM end : {::SendMessageW(bar, TBM_GETRANGEMIN, 0, 0), ::SendMessageW(bar, TBM_GETRANGEMAX, 0, 0)})
        if (v1 != v0) tic(static_cast<int>(x0 + (static_cast<long>(end) - v0) * (x1 - x0) / (v1 - v0)));
    }
  }
  return CDRF_SKIPDEFAULT;
}

}  // namespace velmora
