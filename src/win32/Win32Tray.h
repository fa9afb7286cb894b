#pragma once
// Tray on Shell_NotifyIconW with the first-version structure; the second for
// NIM_SETVERSION and NIM_SETFOCUS.
#include "platform/Tray.h"

namespace velmora {

class Win32Tray final : public Tray {
 public:
  bool Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data) override;
};

}  // namespace velmora
