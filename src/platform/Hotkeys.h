#pragma once
// System-wide hotkeys and the global atoms that name their identifiers.
#include <cstdint>
#include <string_view>

#include "platform/Handles.h"

namespace velmora {

class Hotkeys {
 public:
  Hotkeys() = default;
  Hotkeys(const Hotkeys&) = delete;
  Hotkeys& operator=(const Hotkeys&) = delete;
  virtual ~Hotkeys() = default;

  // False when another program (or another identifier) holds the combination.
  virtual bool RegisterHotKey(Hwnd wnd, std::int32_t id, std::uint32_t modifiers, std::uint32_t key) = 0;
  virtual bool UnregisterHotKey(Hwnd wnd, std::int32_t id) = 0;
  // 0 on failure.
  virtual std::uint16_t GlobalAddAtom(std::string_view name) = 0;
  virtual void GlobalDeleteAtom(std::uint16_t atom) = 0;
};

}  // namespace velmora
