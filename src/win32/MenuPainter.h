#pragma once
// The drawn style of Velmora's popup menus: images in a column at the small
// icon size of the window's DPI, text in the system menu font (the default
// item bold), the heading as a hint text over a line, highlight and grey in
// the system colours. All text is drawn with the wide-character calls.
#include <string>

#include "win32/Raii.h"
#include "win32/Win32Api.h"

namespace velmora {

// One owner-drawn item; its address is the item data of the menu item.
struct DrawnItem {
  std::wstring text;
  HICON icon = nullptr;  // borrowed: shared resource icons or a window's own
  bool isDefault = false;
  bool heading = false;
};

class MenuPainter {
 public:
  // Metrics and fonts for the DPI of the window the menu belongs to.
  explicit MenuPainter(HWND owner);
  MenuPainter(const MenuPainter&) = delete;
  MenuPainter& operator=(const MenuPainter&) = delete;

  SIZE Measure(const DrawnItem& item) const;
  void Draw(const DrawnItem& item, HDC dc, const RECT& area, bool selected, bool disabled) const;

  int Dpi() const { return dpi_; }
  int IconSize() const { return iconSize_; }

 private:
  int Scale(int pixels) const { return ::MulDiv(pixels, dpi_, 96); }
  HFONT FontOf(const DrawnItem& item) const { return item.isDefault ? bold_.get() : normal_.get(); }

  int dpi_ = 96;
  int iconSize_ = 16;
  UniqueFont normal_;
  UniqueFont bold_;
  mutable UniqueDc measureDc_;
};

}  // namespace velmora
