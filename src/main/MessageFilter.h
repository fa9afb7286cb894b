#pragma once
// Which messages the main window lets in from programs of a lower integrity
// level: run elevated, the hook requests and "TaskbarCreated" of normal
// programs must reach it; run normally, nothing from below (a sandboxed
// process) may, so the system's rule stands.
#include <cstdint>
#include <vector>

namespace velmora {

std::vector<std::uint32_t> MessagesFromLowerLevels(bool elevated, std::uint32_t taskbarCreated);

}  // namespace velmora
