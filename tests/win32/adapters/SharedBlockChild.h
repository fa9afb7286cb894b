#pragma once
// What the second process of the shared-block test writes, and the holder of the held-program test.
#include <cstddef>
#include <cstdint>

#include <string>
#include <utility>

#include "hook/Levels.h"
#include "hook/MemBlock.h"
#include "platform/Kernel.h"

namespace velmora::test {

inline constexpr char WriteBlockArg[] = "--write-block";
// "--hold NAME": the program holds this program as the block writer of NAME
// (HeldProgram), writes the writer's process id into the block NAME + HeldPidSuffix
// and waits to be ended.
inline constexpr char HoldArg[] = "--hold";
inline constexpr char HeldPidSuffix[] = ".pid";
inline constexpr std::size_t BlockSize = sizeof(TMemBlock);
// A block of the tests' own, at medium, as Velmora makes the one of the user's normal programs.
inline SectionSpec BlockSpec(std::string name, std::size_t size = BlockSize) {
  return {std::move(name), size, LevelMedium};
}
constexpr std::uint8_t BlockPattern(std::size_t i) { return static_cast<std::uint8_t>(i * 7 + 3); }

}  // namespace velmora::test
