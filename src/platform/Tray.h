#pragma once
// The notification area: Shell_NotifyIcon with a first-version NOTIFYICONDATAW,
// and uVersion for NIM_SETVERSION.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/Handles.h"
#include "platform/Utf8.h"

namespace velmora {

// Size of the first-version NOTIFYICONDATAW of the build's architecture
// (152 bytes with 32-bit pointers, 168 with 64-bit ones).
constexpr std::uint32_t NotifyIconDataV1Size = sizeof(void*) == 8 ? 168 : 152;

struct NotifyIconData {
  std::uint32_t cbSize = NotifyIconDataV1Size;
  Hwnd hWnd;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  Hicon hIcon;
  // UTF-8, zero-terminated: at most the 63 characters (UTF-16 units) the tip holds.
  std::array<char, 256> szTip{};
  // NIM_SETVERSION only: 3 (NOTIFYICON_VERSION) for keyboard events. Version 4
  // would carry the id in 16 bits, and ids of own icons are window handles.
  std::uint32_t uVersion = 0;
  // With NIF_INFO: a balloon's text and title (UTF-8, zero-terminated; 255 and
  // 63 characters reach the shell) and its NIIF_* icon.
  std::array<char, 768> szInfo{};
  std::array<char, 192> szInfoTitle{};
  std::uint32_t dwInfoFlags = 0;
  Hicon hBalloonIcon;  // with NIIF_USER: the balloon's own icon

  void SetTip(std::string_view tip) {
    const std::string kept = Utf8Prefix(tip, 63);
    szTip.fill(0);
    std::memcpy(szTip.data(), kept.data(), std::min(kept.size(), szTip.size() - 1));
  }
  void SetInfo(std::string_view title, std::string_view text) {
    const std::string t = Utf8Prefix(title, 63), x = Utf8Prefix(text, 255);
    szInfoTitle.fill(0);
    szInfo.fill(0);
    std::memcpy(szInfoTitle.data(), t.data(), std::min(t.size(), szInfoTitle.size() - 1));
    std::memcpy(szInfo.data(), x.data(), std::min(x.size(), szInfo.size() - 1));
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
