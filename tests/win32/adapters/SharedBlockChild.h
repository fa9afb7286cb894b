#pragma once
// What the second process of the shared-block test writes.
#include <cstddef>
#include <cstdint>

#include "hook/MemBlock.h"

namespace velmora::test {

inline constexpr char WriteBlockArg[] = "--write-block";
inline constexpr std::size_t BlockSize = sizeof(TMemBlock);
constexpr std::uint8_t BlockPattern(std::size_t i) { return static_cast<std::uint8_t>(i * 7 + 3); }

}  // namespace velmora::test
