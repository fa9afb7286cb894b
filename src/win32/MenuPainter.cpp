#include "win32/MenuPainter.h"

#include <algorithm>

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

MenuPainter::MenuPainter(HWND owner) : dpi_(WindowDpi(owner)), iconSize_(SmallIconSize(dpi_)) {
  LOGFONTW font = MenuFont(dpi_);
  normal_.reset(::CreateFontIndirectW(&font));
  font.lfWeight = FW_BOLD;
  bold_.reset(::CreateFontIndirectW(&font));
}

SIZE MenuPainter::Measure(const DrawnItem& item) const {
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
  const bool highlight = selected && !disabled && !item.heading;
  ::FillRect(dc, &area, ::GetSysColorBrush(highlight ? COLOR_HIGHLIGHT : COLOR_MENU));
  const int gutter = iconSize_ + Scale(8);
  if (item.icon) {
    const int top = area.top + (area.bottom - area.top - iconSize_) / 2;
    ::DrawIconEx(dc, area.left + Scale(4), top, item.icon, iconSize_, iconSize_, 0, nullptr, DI_NORMAL);
  }
  RECT text = area;
  text.left += gutter + Scale(6);
  text.right -= Scale(8);
  SelectGuard select(dc, FontOf(item));
  ::SetBkMode(dc, TRANSPARENT);
  const int colour = item.heading || disabled ? COLOR_GRAYTEXT : highlight ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
  ::SetTextColor(dc, ::GetSysColor(colour));
  if (!item.heading) {
    ::DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, TextFlags);
    return;
  }
  // The heading: the hint text, then a separator line to the right edge.
  RECT measured = text;
  ::DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &measured, TextFlags | DT_CALCRECT);
  ::DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, TextFlags);
  RECT line{item.text.empty() ? area.left + Scale(4) : measured.right + Scale(6), (area.top + area.bottom) / 2,
            area.right - Scale(4), (area.top + area.bottom) / 2 + 2};
  if (line.right > line.left) ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
}

}  // namespace velmora
