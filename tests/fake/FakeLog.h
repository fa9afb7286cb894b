#pragma once
// The call log shared by the fakes of one world, and small helpers they share.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::fake {

// Ordered record of the calls that matter for ordering tests, one line each,
// e.g. "ShowWindow 0x10010 0". Handles, ids and messages are written by Hex().
using CallLog = std::vector<std::string>;

// "0x" and lower-case hex digits: Hex(0x10010) == "0x10010", Hex(0) == "0x0".
std::string Hex(std::uint64_t value);

// Appends when log is not null (a fake used on its own has no log).
void LogCall(CallLog* log, std::string entry);

// Index of the first entry that is text or starts with text followed by a
// space, so "NIM_ADD 0x1" does not match "NIM_ADD 0x10"; npos when absent.
std::size_t FindLogEntry(const CallLog& log, std::string_view text);

// ASCII case folding, as the registry and the file system compare names.
std::string FoldCase(std::string_view text);
struct CaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

}  // namespace velmora::fake
