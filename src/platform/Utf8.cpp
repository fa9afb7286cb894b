#include "platform/Utf8.h"

namespace velmora {

namespace {

// Length in bytes of the character that starts with byte b; 1 for a stray byte.
std::size_t SequenceLength(unsigned char b) {
  if (b >= 0xF0 && b <= 0xF4) return 4;
  if (b >= 0xE0) return 3;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  return 1;
}

// The code point at text[at], and its length; a malformed sequence is one byte of U+FFFD.
char32_t Decode(std::string_view text, std::size_t at, std::size_t& length) {
  const auto b = static_cast<unsigned char>(text[at]);
  length = SequenceLength(b);
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

}  // namespace

char32_t UpperCase(char32_t cp) {
  if ((cp >= U'a' && cp <= U'z') || (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) || (cp >= 0x3B1 && cp <= 0x3CB && cp != 0x3C2) ||
      (cp >= 0x430 && cp <= 0x44F))
    return cp - 0x20;
  if (cp == 0xFF) return 0x178;
  if (cp == 0x3C2) return 0x3A3;                       // final sigma
  if (cp >= 0x450 && cp <= 0x45F) return cp - 0x50;    // Cyrillic ѐ..џ
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

int CompareNoCase(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    std::size_t la = 0, lb = 0;
    const char32_t x = UpperCase(Decode(a, i, la)), y = UpperCase(Decode(b, j, lb));
    if (x != y) return x < y ? -1 : 1;
    i += la;
    j += lb;
  }
  return i == a.size() && j == b.size() ? 0 : (i == a.size() ? -1 : 1);
}

std::string Utf8Prefix(std::string_view text, std::size_t maxUnits) {
  std::size_t at = 0, units = 0;
  while (at < text.size()) {
    std::size_t length = 0;
    const std::size_t need = Decode(text, at, length) > 0xFFFF ? 2 : 1;
    if (units + need > maxUnits) break;
    units += need;
    at += length;
  }
  return std::string(text.substr(0, at));
}

std::string Utf8PrefixBytes(std::string_view text, std::size_t maxBytes) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t length = 0;
    Decode(text, at, length);
    if (at + length > maxBytes) break;
    at += length;
  }
  return std::string(text.substr(0, at));
}

std::size_t Utf16Length(std::string_view text) {
  std::size_t at = 0, units = 0;
  while (at < text.size()) {
    std::size_t length = 0;
    units += Decode(text, at, length) > 0xFFFF ? 2 : 1;
    at += length;
  }
  return units;
}

std::vector<std::uint8_t> Utf16LeBytes(std::string_view text) {
  std::vector<std::uint8_t> out;
  auto put = [&out](char32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 0;
    const char32_t cp = Decode(text, at, length);
    at += length;
    if (cp > 0xFFFF) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
  }
  put(0);
  return out;
}

}  // namespace velmora
