#pragma once
// Integrity levels, as the RIDs of their labels, and the sections of each.
// Velmora writes one block and one marks table for every level it serves; the
// library inside a program opens those of its own process's level and no
// other, so nothing written below that level steers it. No system header and
// no heap: the library includes it.
#include <cstddef>
#include <cstdint>

namespace velmora {

inline constexpr std::uint32_t LevelLow = 0x1000;
inline constexpr std::uint32_t LevelMedium = 0x2000;
inline constexpr std::uint32_t LevelHigh = 0x3000;
inline constexpr std::uint32_t LevelSystem = 0x4000;
// A level that cannot be read counts as the highest: nothing below it acts on its windows.
inline constexpr std::uint32_t LevelUnknown = 0xFFFFFFFF;

// The level a token's RID falls in: medium-plus (0x2100, UI access) counts as medium.
constexpr std::uint32_t LevelOf(std::uint32_t rid) { return rid == LevelUnknown ? rid : rid & ~0xFFFu; }

// The levels Velmora serves: its own, and medium when it runs above it (the
// user's normal programs reach an elevated Velmora through its message filter).
// A Velmora at medium or above serves nothing below medium: a sandboxed
// program's library finds no section of its level.
struct ServedLevels {
  std::uint32_t level[2];
  std::size_t count;
};
constexpr ServedLevels LevelsServedBy(std::uint32_t own) {
  own = LevelOf(own);
  if (own <= LevelMedium) return {{own, 0}, 1};
  return {{own, LevelMedium}, 2};
}

// The section's name at a level: the base at medium ("LibOrvaneMemBlock"), the
// base with the level's name otherwise ("LibOrvaneMemBlock.High"). Zero-ended
// into out; false when it does not fit.
constexpr bool SectionNameAt(const char* base, std::uint32_t level, char* out, std::size_t size) {
  const char* suffix = level == LevelMedium ? ""
                       : level == LevelHigh ? ".High"
                       : level == LevelSystem ? ".System"
                       : level == LevelLow ? ".Low"
                                           : ".Untrusted";
  std::size_t at = 0;
  for (const char* part : {base, suffix})
    for (; *part != '\0'; ++part) {
      if (at + 1 >= size) return false;
      out[at++] = *part;
    }
  out[at] = '\0';
  return true;
}
inline constexpr std::size_t SectionNameSize = 40;

}  // namespace velmora
