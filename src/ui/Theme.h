#pragma once
// The colours of Velmora's menus and dialogs for the palette the system asks
// for: under high contrast only the system's colours, in light the system's
// light ones (the white pages of the form), in dark a fixed dark set. The
// dialogs' controls painted in it, the same in every palette: buttons, check
// boxes and radio items by custom draw, group boxes and track bars.
#include <string>

#include "platform/Palette.h"
#include "win32/PaletteColours.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"

#include <commctrl.h>

namespace velmora {

// A window's text, whole.
std::wstring TextOf(HWND wnd);
// Fills a rectangle with a colour; no brush is made.
void FillSolid(HDC dc, const RECT& area, COLORREF colour);
// A frame of the given width inside the rectangle.
void FrameSolid(HDC dc, const RECT& r, int width, COLORREF colour);
// A window's title bar dark or light, where the DWM has the attribute (Windows 10 1809 on).
void UseDarkTitleBar(HWND wnd, bool dark);

// The colours of one dialog and the brushes its controls are given.
class Theme {
 public:
  Theme() { Refresh(); }
  // Reads the palette again; true when it changed.
  bool Refresh();
  Palette palette() const { return palette_; }
  const PaletteColours& colours() const { return colours_; }
  HBRUSH PageBrush() const { return page_.get(); }
  HBRUSH FieldBrush() const { return field_.get(); }

 private:
  Palette palette_ = Palette::Light;
  PaletteColours colours_{};
  UniqueBrush page_, field_;
};

// How a button is drawn: as the button it is, or as text only (the link and
// the hotkey rows' key texts, which are buttons for the keyboard and screen readers).
enum class ButtonLook { Native, Text, Link };

// A button's custom draw in the palette, the answer to its NM_CUSTOMDRAW: it
// keeps its type, state, default frame and focus cue, and follows the UI state.
LRESULT DrawButton(const NMCUSTOMDRAW& draw, ButtonLook look, const PaletteColours& colours, int dpi);
// The room a push button keeps on each side of its caption: its frame (the
// default's thicker one), a pixel, the focus cue and a margin.
inline int PushCaptionRoom(int dpi) { return ::MulDiv(2, dpi, 96) + 2 + ::MulDiv(1, dpi, 96); }
// The room a group box keeps on each side of its caption: the frame's indent and the gap around the caption.
inline int GroupCaptionRoom(int dpi) { return ::MulDiv(10, dpi, 96); }
// A check box's square with its tick, in the palette; centred in area.
void DrawCheckSquare(HDC dc, const RECT& area, bool checked, bool pushed, bool disabled, const PaletteColours& colours,
                     int dpi);
void DrawFlatGroupBox(HWND box, HDC dc, const PaletteColours& colours, int dpi);
// A track bar's custom draw in the palette: the answer to NM_CUSTOMDRAW.
LRESULT DrawTrackBar(NMCUSTOMDRAW& draw, const PaletteColours& colours, int dpi);

}  // namespace velmora
