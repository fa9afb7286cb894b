#pragma once
// The integrity level the program runs at, and the message filter of its windows.
#include <cstdint>
#include <vector>

#include "win32/Win32Api.h"

namespace velmora {

// Whether this process runs with an elevated token.
bool RunsElevated();
// Lets the messages in from lower integrity levels; how many the system took.
std::size_t AllowMessages(HWND wnd, const std::vector<std::uint32_t>& messages);

}  // namespace velmora
