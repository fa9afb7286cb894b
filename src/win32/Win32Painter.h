#pragma once
// Painter on user32/gdi32: resource icons and the count drawn on icon copies.
#include <map>
#include <string>
#include <utility>

#include "platform/Painter.h"
#include "win32/Raii.h"

namespace velmora {

// SM_CXSMICON at the DPI of the taskbar: the size the notification area shows.
int TrayIconSize();

// The font the count's digit is drawn in on an icon of that size.
LOGFONTA CountFont(int iconSize);

// Every icon this painter hands out is made at one size: the one given, or
// with 0 the tray's own at the time of the call, so the shell never shrinks
// a drawn count into something unreadable.
class Win32Painter final : public Painter {
 public:
  explicit Win32Painter(int iconSize = 0) : fixedSize_(iconSize) {}
  // The module's icons at the tray's size; owned here, for the painter's life.
  Hicon LoadIcon(std::string_view resourceName) override;
  Hicon LoadSystemIcon(std::uint32_t id) override;
  bool IconExists(Hicon icon) override;
  // Draws on copies of the base icon's bitmaps; the base stays as it was. An
  // icon without a colour bitmap cannot take colour and comes back as a plain
  // copy. Null when the base is not an icon.
  Hicon DrawCount(Hicon base, std::uint16_t count, bool digit, std::uint32_t color) override;
  bool DestroyIcon(Hicon icon) override;
  // The mark's pixels set on a 32-bit copy at the tray's size; an icon without
  // an alpha channel gets one from its mask first, so that it shows as before.
  Hicon DrawAttention(Hicon base) override;
  // The small icon of the program behind appWindow; else the app's logo from
  // the shell's Apps folder (COM initialised on the calling thread).
  Hicon LoadAppIcon(Hwnd appWindow, std::string_view appId) override;

 private:
  int IconSize() const { return fixedSize_ > 0 ? fixedSize_ : TrayIconSize(); }

  int fixedSize_;
  std::map<std::pair<std::string, int>, UniqueIcon> loaded_;
};

// n * num / den rounded to the nearest integer, halves to even (n >= 0).
int RoundHalfEven(int n, int num, int den);

}  // namespace velmora
