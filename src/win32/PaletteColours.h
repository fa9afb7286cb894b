#pragma once
// The colours of each palette as the system gives them: what Velmora's menus,
// dialogs and drawn icons are painted in.
#include "platform/Palette.h"
#include "win32/Win32Api.h"

namespace velmora {

struct PaletteColours {
  COLORREF menu, menuText;            // a menu's ground and text
  COLORREF page, text, grey;          // a dialog's pages, their text, disabled text and headings
  COLORREF face, faceText, frame;     // buttons and the frames of check boxes and buttons
  COLORREF highlight, highlightText;  // the chosen menu item, a pressed or checked button
  COLORREF line;                      // separators and group frames
  COLORREF field, fieldText;          // edit fields, lists, the insides of check boxes
  COLORREF link;
  friend bool operator==(const PaletteColours&, const PaletteColours&) = default;
};

// What the system asks for now: SPI_GETHIGHCONTRAST, the stored high-contrast
// setting and the apps' theme.
Palette CurrentPalette(Surface surface = Surface::Apps);
PaletteColours ColoursOf(Palette palette);

}  // namespace velmora
