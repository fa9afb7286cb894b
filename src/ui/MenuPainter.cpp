#include "ui/MenuPainter.h"

#include <algorithm>
#include <vector>

#include "win32/Dpi.h"

namespace velmora {

namespace {

template <class F>
F User32Function(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), name)));
}

LOGFONTW MenuFont(int dpi) {
  using ParametersFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi = User32Function<ParametersFn>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
    return metrics.lfMenuFont;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    // Given for the system's DPI; scaled to the window's.
    metrics.lfMenuFont.lfHeight = MulDiv(metrics.lfMenuFont.lfHeight, dpi, 96);
    return metrics.lfMenuFont;
  }
  LOGFONTW font{};
  font.lfHeight = -MulDiv(9, dpi, 72);
  font.lfCharSet = DEFAULT_CHARSET;
  ::lstrcpyW(font.lfFaceName, L"Segoe UI");
  return font;
}

constexpr UINT TextFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

}  // namespace

MenuPainter::MenuPainter(HWND owner)
    : dpi_(WindowDpi(owner)), iconSize_(SmallIconSize(dpi_)), palette_(CurrentPalette(Surface::Taskbar)), colours_(ColoursOf(palette_)) {
  LOGFONTW font = MenuFont(dpi_);
  normal_.reset(::CreateFontIndirectW(&font));
  font.lfWeight = FW_BOLD;
  bold_.reset(::CreateFontIndirectW(&font));
}

SIZE MenuPainter::Measure(const DrawnItem& item) const {
  if (item.separator) return SIZE{0, Scale(7)};
  // One DC for every item of the menu: a list of a thousand windows measures fast.
  if (!measureDc_) measureDc_.reset(::CreateCompatibleDC(nullptr));
  const HDC dc = measureDc_.get();
  SIZE text{0, Scale(16)};
  if (dc) {
    SelectGuard select(dc, FontOf(item));
    const std::wstring sample = item.text.empty() ? L" " : item.text;
    ::GetTextExtentPoint32W(dc, sample.c_str(), static_cast<int>(sample.size()), &text);
    if (item.text.empty()) text.cx = 0;
  }
  const int gutter = iconSize_ + Scale(8);
  const int height = std::max(iconSize_ + Scale(6), static_cast<int>(text.cy) + Scale(8));
  // Room after the text for the submenu arrow and a margin, as native menus keep.
  return SIZE{gutter + Scale(6) + text.cx + Scale(item.heading ? 40 : 24), height};
}

void MenuPainter::Draw(const DrawnItem& item, HDC dc, const RECT& area, bool selected, bool disabled) const {
  // A long list is asked to draw items that are scrolled out of sight.
  RECT clip{}, visible{};
  if (::GetClipBox(dc, &clip) != NULLREGION && !::IntersectRect(&visible, &clip, &area)) return;
  const bool highlight = selected && !disabled && !item.heading && !item.separator;
  FillSolid(dc, area, highlight ? colours_.highlight : colours_.menu);
  // The keyboard may rest on an item that cannot be chosen: it shows where it is all the same.
  if (selected && !highlight && !item.separator) FrameSolid(dc, area, Scale(2), colours_.highlight);
  const int middle = (area.top + area.bottom) / 2;
  if (item.separator) {
    FillSolid(dc, {area.left + Scale(4), middle, area.right - Scale(4), middle + Scale(1)}, colours_.line);
    return;
  }
  const int gutter = iconSize_ + Scale(8);
  if (item.icon) {
    const int left = area.left + Scale(4), top = area.top + (area.bottom - area.top - iconSize_) / 2;
    if (palette_ == Palette::Dark) {
      // Images are made for light grounds: a light plate keeps them legible.
      SelectGuard brush(dc, ::GetStockObject(DC_BRUSH));
      SelectGuard pen(dc, ::GetStockObject(NULL_PEN));
      ::SetDCBrushColor(dc, RGB(0xD8, 0xD8, 0xD8));
      ::RoundRect(dc, left - Scale(1), top - Scale(1), left + iconSize_ + Scale(1) + 1, top + iconSize_ + Scale(1) + 1,
                  Scale(4), Scale(4));
    }
    ::DrawIconEx(dc, left, top, item.icon, iconSize_, iconSize_, 0, nullptr, DI_NORMAL);
  } else if (item.checked) {
    // The check mark in the text's colour, as wide as a small icon.
    const int left = area.left + Scale(4) + iconSize_ / 8, unit = iconSize_ / 4;
    const POINT tick[] = {{left, middle}, {left + unit, middle + unit}, {left + 3 * unit, middle - unit}};
    UniquePen ink(::CreatePen(PS_SOLID, std::max(1, Scale(2)), highlight ? colours_.highlightText : colours_.menuText));
    SelectGuard pen(dc, ink.get());
    ::Polyline(dc, tick, 3);
  }
  if (item.submenu) {
    // The arrow in the text's colour.
    const int size = Scale(4), right = area.right - Scale(8);
    const POINT arrow[] = {{right - size, middle - size}, {right, middle}, {right - size, middle + size}};
    SelectGuard brush(dc, ::GetStockObject(DC_BRUSH));
    SelectGuard pen(dc, ::GetStockObject(DC_PEN));
    ::SetDCBrushColor(dc, highlight ? colours_.highlightText : colours_.menuText);
    ::SetDCPenColor(dc, highlight ? colours_.highlightText : colours_.menuText);
    ::Polygon(dc, arrow, 3);
  }
  RECT text = area;
  text.left += gutter + Scale(6);
  text.right -= Scale(8);
  SelectGuard select(dc, FontOf(item));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, item.heading || disabled ? colours_.grey : highlight ? colours_.highlightText : colours_.menuText);
  if (!item.heading) {
    ::DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, TextFlags);
    // The system draws its own arrow once the item is drawn: the clip keeps it off this one.
    if (item.submenu) ::ExcludeClipRect(dc, area.right - Scale(16), area.top, area.right, area.bottom);
    return;
  }
  // The heading: the hint text, then a separator line to the right edge.
  RECT measured = text;
  ::DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &measured, TextFlags | DT_CALCRECT);
  ::DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, TextFlags);
  const RECT line{item.text.empty() ? area.left + Scale(4) : measured.right + Scale(6), middle, area.right - Scale(4),
                  middle + Scale(1)};
  if (line.right > line.left) FillSolid(dc, line, colours_.line);
}

LRESULT AnswerMenuChar(HMENU menu, wchar_t letter) {
  const auto upper = [](wchar_t c) {
    wchar_t one[2] = {c, 0};
    ::CharUpperBuffW(one, 1);
    return one[0];
  };
  const int count = ::GetMenuItemCount(menu);
  int selected = -1;
  std::vector<int> matches;
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_DATA;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    if ((info.fState & MFS_HILITE) != 0) selected = i;
    if ((info.fType & MFT_SEPARATOR) != 0 || (info.fState & MFS_DISABLED) != 0 || info.dwItemData == 0) continue;
    const auto& item = *reinterpret_cast<const DrawnItem*>(info.dwItemData);
    if (!item.text.empty() && upper(item.text.front()) == upper(letter)) matches.push_back(i);
  }
  if (matches.empty()) return MAKELRESULT(0, MNC_IGNORE);
  if (matches.size() == 1) return MAKELRESULT(matches.front(), MNC_EXECUTE);
  const auto next = std::find_if(matches.begin(), matches.end(), [selected](int i) { return i > selected; });
  return MAKELRESULT(next != matches.end() ? *next : matches.front(), MNC_SELECT);
}

}  // namespace velmora
