#include "win32/Elevation.h"

#include "win32/Raii.h"

namespace velmora {

bool RunsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const UniqueHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
}

std::size_t AllowMessages(HWND wnd, const std::vector<std::uint32_t>& messages) {
  std::size_t allowed = 0;
  for (std::uint32_t message : messages)
    allowed += ChangeWindowMessageFilterEx(wnd, message, MSGFLT_ALLOW, nullptr) ? 1 : 0;
  return allowed;
}

}  // namespace velmora
