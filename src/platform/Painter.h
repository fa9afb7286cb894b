#pragma once
// Icons: the program's resource icons, the validity test, and drawing a count
// or a mark on a copy of an icon.
#include <cstdint>
#include <string_view>

#include "platform/Handles.h"

namespace velmora {

class Painter {
 public:
  Painter() = default;
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;
  virtual ~Painter() = default;

  // LoadIcon from the program's own module; shared icons, never destroyed.
  virtual Hicon LoadIcon(std::string_view resourceName) = 0;
  // LoadIcon(0, id) for a system icon such as IDI_APPLICATION.
  virtual Hicon LoadSystemIcon(std::uint32_t id) = 0;
  // GetIconInfo succeeds (its bitmaps are released again).
  virtual bool IconExists(Hicon icon) = 0;
  // A new icon: a copy of base with the digit (count < 10) or, when digit is
  // false, the ellipse mark drawn in color; the caller owns the result.
  virtual Hicon DrawCount(Hicon base, std::uint16_t count, bool digit, std::uint32_t color) = 0;
  virtual bool DestroyIcon(Hicon icon) = 0;
  // A new icon: a copy of base at the tray's size with the attention mark
  // (AttentionMark) in the accent of the taskbar's palette; the caller owns it.
  virtual Hicon DrawAttention(Hicon base) = 0;
  // A store app's icon: from the program behind its window, else the package's
  // logo through the shell. The caller owns it; 0 when there is none.
  virtual Hicon LoadAppIcon(Hwnd appWindow, std::string_view appId) = 0;
};

}  // namespace velmora
