#pragma once
// Hotkeys on user32 and the global atom table.
#include "platform/Hotkeys.h"

namespace velmora {

class Win32Hotkeys final : public Hotkeys {
 public:
  bool RegisterHotKey(Hwnd wnd, std::int32_t id, std::uint32_t modifiers, std::uint32_t key) override;
  bool UnregisterHotKey(Hwnd wnd, std::int32_t id) override;
  std::uint16_t GlobalAddAtom(std::string_view name) override;
  void GlobalDeleteAtom(std::uint16_t atom) override;
};

}  // namespace velmora
