#pragma once
// Who a process or a token is, as the system says: its user, its integrity
// level and its session. What the two ends of the command channel check of
// each other, never anything the other end says.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "win32/Win32Api.h"

namespace velmora {

struct ProcessIdentity {
  std::vector<std::uint8_t> user;  // the user SID's bytes
  DWORD integrity = 0;             // the RID of the integrity label: 0x2000 medium, 0x3000 high, ...
  DWORD session = 0;
  bool operator==(const ProcessIdentity&) const = default;
};

// The token's user and integrity level (session left 0); nullopt when they
// cannot be read.
std::optional<ProcessIdentity> TokenIdentity(HANDLE token);
// This process, with its token's session.
std::optional<ProcessIdentity> OwnIdentity();
// Another process, from its own token, with that token's session; nullopt when it
// cannot be opened or read (gone, or protected from this process).
std::optional<ProcessIdentity> ProcessIdentityOf(DWORD processId);

// other runs as own's user at own's integrity level or above.
bool SameUserAtLeast(const ProcessIdentity& own, const ProcessIdentity& other);

// The SID's text ("S-1-5-21-..."); empty for none.
std::wstring SidText(const std::vector<std::uint8_t>& sid);

}  // namespace velmora
