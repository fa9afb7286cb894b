#pragma once
// Strong handle types: the logic never mixes a window with a menu or an icon.
#include <compare>
#include <cstdint>

namespace velmora {

template <class Tag>
struct Handle {
  std::uint64_t value = 0;
  constexpr Handle() = default;
  constexpr explicit Handle(std::uint64_t v) : value(v) {}
  constexpr explicit operator bool() const { return value != 0; }
  friend constexpr auto operator<=>(Handle, Handle) = default;
};

using Hwnd = Handle<struct HwndTag>;
using Hmenu = Handle<struct HmenuTag>;
using Hicon = Handle<struct HiconTag>;

// Window handles use 32 bits: tray ids and the shared block hold them so, and
// widen them back by sign extension, as the system does.
constexpr std::uint32_t TrayIdOf(Hwnd wnd) { return static_cast<std::uint32_t>(wnd.value); }
constexpr Hwnd HwndOfTrayId(std::uint64_t id) {
  return Hwnd{static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(id))))};
}

}  // namespace velmora
