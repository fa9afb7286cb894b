#pragma once
// Painter on user32/gdi32: resource icons and the count drawn on icon copies.
#include "platform/Painter.h"

namespace velmora {

class Win32Painter final : public Painter {
 public:
  Hicon LoadIcon(std::string_view resourceName) override;
  Hicon LoadSystemIcon(std::uint32_t id) override;
  bool IconExists(Hicon icon) override;
  // Draws on copies of the base icon's bitmaps; the base stays as it was. An
  // icon without a colour bitmap cannot take colour and comes back as a plain
  // copy. Null when the base is not an icon.
  Hicon DrawCount(Hicon base, std::uint16_t count, bool digit, std::uint32_t color) override;
  bool DestroyIcon(Hicon icon) override;
  // The small icon of the program behind appWindow; else the app's logo from
  // the shell's Apps folder (COM initialised on the calling thread).
  Hicon LoadAppIcon(Hwnd appWindow, std::string_view appId) override;
};

// n * num / den rounded to the nearest integer, halves to even (n >= 0).
int RoundHalfEven(int n, int num, int den);

}  // namespace velmora
