#pragma once
// The marks' section as the library reads it inside its host. Waits only for a
// rewrite in progress, 2 ms at most; plain Win32 only.
#include <windows.h>

#include <cstdint>

#include "hook/MarkTable.h"

namespace velmora::hook {

// The rules of the mark that takes the window.
std::uint8_t WindowRules(const TMarkTable& table, HWND wnd);
// This process is watched by "run hidden", as this instance, now.
bool ThisProcessWatched(const TMarkTable& table);

}  // namespace velmora::hook
