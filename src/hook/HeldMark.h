#pragma once
// Velmora's mark on a window it holds: a window property that outlives
// Velmora, read by every instance, by the crash guard and by the hook library
// inside the window's program. The values are defined here only.
#include <cstdint>

namespace velmora {

inline constexpr char HeldMarkName[] = "VelmoraHidden";

enum class HeldMark : std::uintptr_t {
  None = 0,
  Hidden = 1,     // ShowWindow SW_HIDE
  TabOnly = 2,    // minimized, only its taskbar button taken away
  AskedBack = 3,  // its restore is queued for its program; not held
  WithOwner = 4,  // a dialog hidden with the window that owns it; never an entry of its own
};

constexpr HeldMark HeldMarkOf(std::uintptr_t value) {
  return value >= 1 && value <= 4 ? static_cast<HeldMark>(value) : HeldMark::None;
}

// Held with an icon in the tray: the library reports its new titles and icons.
constexpr bool IsHeldMark(std::uintptr_t value) {
  return value == static_cast<std::uintptr_t>(HeldMark::Hidden) ||
         value == static_cast<std::uintptr_t>(HeldMark::TabOnly);
}

}  // namespace velmora
