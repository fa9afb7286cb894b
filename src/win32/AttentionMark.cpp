#include "win32/AttentionMark.h"

namespace velmora {

std::vector<std::uint8_t> AttentionMark(int size) {
  if (size <= 0) return {};
  std::vector<std::uint8_t> out(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), MarkNone);
  // Even sizes keep the "!" centred: 10 px at 16, 12 at 20, 14 at 24, 18 at 32.
  const int d = 2 * ((size * 9 + 16) / 32);
  const int ring = d >= 18 ? 2 : 1;
  const int bar = 2 * ((d + 5) / 10);
  const int top = size - d;
  const double r = d / 2.0, cx = r, cy = top + r;
  for (int y = top; y < size; ++y) {
    for (int x = 0; x < d; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double dist2 = dx * dx + dy * dy;
      if (dist2 > r * r + 0.5) continue;
      const double inner = r - ring;
      std::uint8_t value = dist2 > inner * inner ? MarkEdge : MarkAccent;
      const bool column = x >= d / 2 - bar / 2 && x < d / 2 + bar / 2;
      const int row = y - top;
      if (column && ((row >= d / 4 && row < d * 55 / 100) || (row >= d * 65 / 100 && row < d * 65 / 100 + bar)))
        value = MarkContrast;
      out[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)] = value;
    }
  }
  return out;
}

std::uint32_t ContrastTo(std::uint32_t accent) {
  const unsigned r = accent & 0xFF, g = (accent >> 8) & 0xFF, b = (accent >> 16) & 0xFF;
  // Perceived brightness (ITU-R 601 weights), in thousandths.
  return r * 299 + g * 587 + b * 114 > 140000 ? 0x000000u : 0xFFFFFFu;
}

}  // namespace velmora
