#pragma once
// One rule for letters of either case in marks' keys, for the hook library and
// the program alike: the simple upper case of the scripts file names are
// written in (Latin, Greek, Cyrillic), as Windows maps letters when it
// compares ordinally without case. No system header and no heap.
#include <cstddef>
#include <string_view>

namespace velmora {

// The simple upper-case letter of a code point; any other code point as it is.
constexpr char32_t UpperCase(char32_t cp) {
  if ((cp >= U'a' && cp <= U'z') || (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) ||
      (cp >= 0x3B1 && cp <= 0x3CB && cp != 0x3C2) || (cp >= 0x430 && cp <= 0x44F))
    return cp - 0x20;
  if (cp == 0xFF) return 0x178;
  if (cp == 0x3C2) return 0x3A3;                     // final sigma
  if (cp >= 0x450 && cp <= 0x45F) return cp - 0x50;  // Cyrillic ѐ..џ
  if (cp >= 0x3AC && cp <= 0x3AF) return cp == 0x3AC ? 0x386 : cp - 0x25;  // Greek with tonos
  if (cp >= 0x3CC && cp <= 0x3CE) return cp == 0x3CC ? 0x38C : cp - 0x3F;
  // Latin Extended-A and Cyrillic's further letters come in pairs, the capital first.
  const bool evenPairs = (cp >= 0x100 && cp <= 0x137 && cp != 0x131) || (cp >= 0x14A && cp <= 0x177) ||
                         (cp >= 0x460 && cp <= 0x481) || (cp >= 0x48A && cp <= 0x4BF) || (cp >= 0x4D0 && cp <= 0x52F);
  if (evenPairs) return cp & ~char32_t{1};
  const bool oddPairs = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E) || (cp >= 0x4C1 && cp <= 0x4CE);
  if (oddPairs && (cp & 1) == 0) return cp - 1;
  return cp;
}

// The code point at text[at] and its length in bytes; a malformed sequence is
// one byte of U+FFFD.
constexpr char32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t& length) {
  const auto b = static_cast<unsigned char>(text[at]);
  length = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 1;
  if (length == 1 || at + length > text.size()) {
    length = 1;
    return b < 0x80 ? b : 0xFFFD;
  }
  char32_t cp = b & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[at + i]);
    if ((c & 0xC0) != 0x80) {
      length = 1;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  return cp;
}

// <0, 0, >0: a before, equal to, after b, code point by code point, letters of either case the same.
constexpr int CompareKeys(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    std::size_t la = 0, lb = 0;
    const char32_t x = UpperCase(DecodeUtf8(a, i, la)), y = UpperCase(DecodeUtf8(b, j, lb));
    if (x != y) return x < y ? -1 : 1;
    i += la;
    j += lb;
  }
  return i == a.size() && j == b.size() ? 0 : (i == a.size() ? -1 : 1);
}

}  // namespace velmora
