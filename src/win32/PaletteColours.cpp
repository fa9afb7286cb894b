#include "win32/PaletteColours.h"

#include "win32/Win32Registry.h"

namespace velmora {

Palette CurrentPalette(Surface surface) {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  const bool on = ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                  (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
  Win32Registry registry;
  return ChoosePalette(on, registry, surface);
}

PaletteColours ColoursOf(Palette palette) {
  const auto sys = [](int index) { return ::GetSysColor(index); };
  if (palette == Palette::HighContrast)
    return {sys(COLOR_MENU),      sys(COLOR_MENUTEXT),      sys(COLOR_BTNFACE),  sys(COLOR_BTNTEXT),
            sys(COLOR_GRAYTEXT),  sys(COLOR_BTNFACE),       sys(COLOR_BTNTEXT),  sys(COLOR_BTNTEXT),
            sys(COLOR_HIGHLIGHT), sys(COLOR_HIGHLIGHTTEXT), sys(COLOR_GRAYTEXT), sys(COLOR_WINDOW),
            sys(COLOR_WINDOWTEXT), sys(COLOR_HOTLIGHT)};
  // Dark: a light accent with black text, so that the chosen item and the
  // current page stand out from every dark ground by more than 3:1.
  if (palette == Palette::Dark)
    return {RGB(0x2B, 0x2B, 0x2B), RGB(0xF0, 0xF0, 0xF0), RGB(0x20, 0x20, 0x20), RGB(0xF0, 0xF0, 0xF0),
            RGB(0x8A, 0x8A, 0x8A), RGB(0x33, 0x33, 0x33), RGB(0xF0, 0xF0, 0xF0), RGB(0x8A, 0x8A, 0x8A),
            RGB(0x4C, 0xC2, 0xFF), RGB(0x00, 0x00, 0x00), RGB(0x50, 0x50, 0x50), RGB(0x2B, 0x2B, 0x2B),
            RGB(0xF0, 0xF0, 0xF0), RGB(0x60, 0xCD, 0xFF)};
  // The form's white pages and navy link, otherwise the system's light colours.
  return {sys(COLOR_MENU),      sys(COLOR_MENUTEXT),      RGB(255, 255, 255),  sys(COLOR_WINDOWTEXT),
          sys(COLOR_GRAYTEXT),  sys(COLOR_BTNFACE),       sys(COLOR_BTNTEXT),  sys(COLOR_BTNSHADOW),
          sys(COLOR_HIGHLIGHT), sys(COLOR_HIGHLIGHTTEXT), sys(COLOR_BTNSHADOW), sys(COLOR_WINDOW),
          sys(COLOR_WINDOWTEXT), RGB(0, 0, 128)};
}

}  // namespace velmora
