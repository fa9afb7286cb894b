#pragma once
// The drawn style of Velmora's popup menus: images in a column at the small
// icon size of the window's DPI, text in the system menu font (the default
// item bold), the heading as a hint text over a line, ground, text, highlight
// and grey in the palette the system asks for (light, dark or high contrast).
// All text is drawn with the wide-character calls.
#include <string>
#include <utility>

#include "ui/Theme.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"

#include <oleacc.h>

namespace velmora {

// One owner-drawn item; its address is the item data of the menu item.
struct DrawnItem {
  DrawnItem() = default;
  DrawnItem(std::wstring caption, HICON image, bool isDefaultItem, bool isHeading)
      : text(std::move(caption)), icon(image), isDefault(isDefaultItem), heading(isHeading) {
    Announce();
  }
  // The record points into the text: never copied.
  DrawnItem(const DrawnItem&) = delete;
  DrawnItem& operator=(const DrawnItem&) = delete;

  // First, where screen readers look for an owner-drawn item's text; set by Announce.
  MSAAMENUINFO msaa{static_cast<DWORD>(MSAA_MENU_SIG), 0, nullptr};
  std::wstring text;
  HICON icon = nullptr;  // borrowed: shared resource icons or a window's own
  bool isDefault = false;
  bool heading = false;
  bool checked = false;  // a check mark in the icon's place
  bool separator = false;
  bool submenu = false;

  // The screen readers' record points at the whole text; called once the text is final.
  void Announce() {
    msaa.cchWText = static_cast<DWORD>(text.size());
    msaa.pszWText = text.data();
  }
};

// The answer to WM_MENUCHAR for a menu of drawn items: the item whose text
// starts with the letter is chosen; of several, the next one after the
// selected item is selected.
LRESULT AnswerMenuChar(HMENU menu, wchar_t letter);

class MenuPainter {
 public:
  // Metrics and fonts for the DPI of the window the menu belongs to, colours
  // of the palette at the time.
  explicit MenuPainter(HWND owner);
  MenuPainter(const MenuPainter&) = delete;
  MenuPainter& operator=(const MenuPainter&) = delete;

  SIZE Measure(const DrawnItem& item) const;
  void Draw(const DrawnItem& item, HDC dc, const RECT& area, bool selected, bool disabled) const;

  int Dpi() const { return dpi_; }
  int IconSize() const { return iconSize_; }
  const PaletteColours& colours() const { return colours_; }
  Palette palette() const { return palette_; }

 private:
  int Scale(int pixels) const { return ::MulDiv(pixels, dpi_, 96); }
  HFONT FontOf(const DrawnItem& item) const { return item.isDefault ? bold_.get() : normal_.get(); }

  int dpi_ = 96;
  int iconSize_ = 16;
  Palette palette_;
  PaletteColours colours_;
  UniqueFont normal_;
  UniqueFont bold_;
  mutable UniqueDc measureDc_;
};

}  // namespace velmora
