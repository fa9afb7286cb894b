#pragma once
// What the second process of the shared-block test writes, and the holder of the held-program test.
#include <cstddef>
#include <cstdint>

#include "hook/MemBlock.h"

namespace velmora::test {

inline constexpr char WriteBlockArg[] = "--write-block";
// "--hold NAME": the program holds this program as the block writer of NAME
// (HeldProgram), writes the writer's process id into the block NAME + HeldPidSuffix
// and waits to be ended.
inline constexpr char HoldArg[] = "--hold";
inline constexpr char HeldPidSuffix[] = ".pid";
inline constexpr std::size_t BlockSize = sizeof(TMemBlock);
constexpr std::uint8_t BlockPattern(std::size_t i) { return static_cast<std::uint8_t>(i * 7 + 3); }

}  // namespace velmora::test
