#pragma once
// The mark of a hidden window that asks for attention, as pixels: a disc with
// an exclamation mark at the bottom-left corner of the icon, where neither the
// count of a group icon (a digit or a dot at the top right) nor most icons'
// own detail sits. Drawn whole at every tray size, never scaled.
#include <cstdint>
#include <vector>

namespace velmora {

// The disc in the accent, the "!" in what stands out from it, the rim in what stands out from the taskbar.
enum AttentionPixel : std::uint8_t { MarkNone = 0, MarkAccent = 1, MarkContrast = 2, MarkEdge = 3 };

// size x size values, top row first: MarkNone keeps the icon's pixel.
std::vector<std::uint8_t> AttentionMark(int size);

// Black or white (0x00BBGGRR), whichever stands out more from the colour: the "!" from the accent, the rim
// and the count's edge from the taskbar.
std::uint32_t ContrastTo(std::uint32_t accent);

}  // namespace velmora
