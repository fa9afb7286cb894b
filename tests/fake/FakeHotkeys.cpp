#include "FakeHotkeys.h"

#include "platform/WinConst.h"

namespace velmora::fake {

bool FakeHotkeys::RegisterHotKey(Hwnd wnd, std::int32_t id, std::uint32_t modifiers, std::uint32_t key) {
  LogCall(log_, "RegisterHotKey " + std::to_string(id) + " " + std::to_string(modifiers) + " " + std::to_string(key));
  const Combination combination{modifiers & ~win::MOD_NOREPEAT, key};
  if (heldElsewhere.contains(combination) || registered.contains({wnd.value, id})) return false;
  for (const auto& [owner, held] : registered)
    if (held == combination) return false;
  registered[{wnd.value, id}] = combination;
  if (!(modifiers & win::MOD_NOREPEAT)) ++repeating;
  return true;
}

bool FakeHotkeys::UnregisterHotKey(Hwnd wnd, std::int32_t id) {
  LogCall(log_, "UnregisterHotKey " + std::to_string(id));
  return registered.erase({wnd.value, id}) > 0;
}

std::uint16_t FakeHotkeys::GlobalAddAtom(std::string_view name) {
  if (name.empty()) return 0;
  atoms[nextAtom_] = std::string(name);
  return nextAtom_++;
}

void FakeHotkeys::GlobalDeleteAtom(std::uint16_t atom) {
  LogCall(log_, "GlobalDeleteAtom " + Hex(atom));
  atoms.erase(atom);
}

}  // namespace velmora::fake
