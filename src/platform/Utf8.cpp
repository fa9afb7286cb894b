#include "platform/Utf8.h"

#include "hook/KeyCase.h"

namespace velmora {

namespace {

char32_t Decode(std::string_view text, std::size_t at, std::size_t& length) { return DecodeUtf8(text, at, length); }

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) { return CompareKeys(a, b); }

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
