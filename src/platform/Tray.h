#pragma once
// The notification area: Shell_NotifyIcon with a first-version NOTIFYICONDATAA.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/Handles.h"

namespace velmora {

// Size of the first-version NOTIFYICONDATAA of the build's architecture
// (88 bytes with 32-bit pointers, 104 with 64-bit ones).
constexpr std::uint32_t NotifyIconDataV1Size = sizeof(void*) == 8 ? 104 : 88;

struct NotifyIconData {
  std::uint32_t cbSize = NotifyIconDataV1Size;
  Hwnd hWnd;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  Hicon hIcon;
  std::array<char, 64> szTip{};  // zero-terminated, ANSI

  // At most 63 bytes of text, always zero-terminated.
  void SetTip(std::string_view tip) {
    szTip.fill(0);
    std::memcpy(szTip.data(), tip.data(), std::min(tip.size(), szTip.size() - 1));
  }
};

class Tray {
 public:
  Tray() = default;
  Tray(const Tray&) = delete;
  Tray& operator=(const Tray&) = delete;
  virtual ~Tray() = default;
  virtual bool Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data) = 0;
};

}  // namespace velmora
