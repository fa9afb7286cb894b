#pragma once
// UTF-8 text as the logic keeps it, measured the way Windows counts characters
// (UTF-16 units), without the system's help.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hook/KeyCase.h"  // UpperCase

namespace velmora {

// The longest beginning of text that holds at most maxUnits UTF-16 units and
// ends on a whole character.
std::string Utf8Prefix(std::string_view text, std::size_t maxUnits);
// The longest beginning of text of at most maxBytes bytes that ends on a whole character.
std::string Utf8PrefixBytes(std::string_view text, std::size_t maxBytes);
// The number of UTF-16 units of text.
std::size_t Utf16Length(std::string_view text);
// text as UTF-16LE bytes with a terminating zero, as a registry string holds it.
std::vector<std::uint8_t> Utf16LeBytes(std::string_view text);
// <0, 0, >0: a before, equal to, after b, code point by code point, letters of
// either case the same (one rule wherever names are compared).
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace velmora
