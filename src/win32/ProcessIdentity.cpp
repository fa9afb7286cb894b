#include "win32/ProcessIdentity.h"

#include <sddl.h>

#include "win32/Raii.h"

namespace velmora {

namespace {

// A token's information of one class; empty when it cannot be read.
std::vector<std::uint8_t> TokenInfo(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  DWORD size = 0;
  ::GetTokenInformation(token, kind, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<std::uint8_t> info(size);
  if (!::GetTokenInformation(token, kind, info.data(), size, &size)) return {};
  return info;
}

// The process token's identity with its session, read from the same token:
// nothing can change between the two reads.
std::optional<ProcessIdentity> WithSession(HANDLE token, std::optional<ProcessIdentity> identity) {
  DWORD size = 0;
  if (identity && !::GetTokenInformation(token, TokenSessionId, &identity->session, sizeof identity->session, &size))
    return std::nullopt;
  return identity;
}

}  // namespace

std::optional<ProcessIdentity> TokenIdentity(HANDLE token) {
  const auto user = TokenInfo(token, TokenUser);
  const auto label = TokenInfo(token, TokenIntegrityLevel);
  if (user.empty() || label.empty()) return std::nullopt;
  const PSID userSid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
  const PSID labelSid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(label.data())->Label.Sid;
  if (!::IsValidSid(userSid) || !::IsValidSid(labelSid) || *::GetSidSubAuthorityCount(labelSid) == 0)
    return std::nullopt;
  ProcessIdentity identity;
  const auto* bytes = static_cast<const std::uint8_t*>(userSid);
  identity.user.assign(bytes, bytes + ::GetLengthSid(userSid));
  identity.integrity = *::GetSidSubAuthority(labelSid, *::GetSidSubAuthorityCount(labelSid) - 1u);
  return identity;
}

std::optional<ProcessIdentity> OwnIdentity() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
  const UniqueHandle owned(token);
  return WithSession(token, TokenIdentity(token));
}

std::optional<ProcessIdentity> ProcessIdentityOf(DWORD processId) {
  if (processId == 0) return std::nullopt;
  const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  HANDLE token = nullptr;
  if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, &token)) return std::nullopt;
  const UniqueHandle owned(token);
  return WithSession(token, TokenIdentity(token));
}

bool SameUserAtLeast(const ProcessIdentity& own, const ProcessIdentity& other) {
  return !own.user.empty() && other.user == own.user && other.integrity >= own.integrity;
}

std::wstring SidText(const std::vector<std::uint8_t>& sid) {
  wchar_t* text = nullptr;
  if (sid.empty() || !::ConvertSidToStringSidW(const_cast<std::uint8_t*>(sid.data()), &text)) return {};
  std::wstring out(text);
  ::LocalFree(text);
  return out;
}

}  // namespace velmora
