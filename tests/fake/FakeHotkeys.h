#pragma once
// Hotkeys of the whole desktop: a combination belongs to one registration at
// a time; other programs' combinations are set up by tests. Atoms count up.
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "FakeLog.h"
#include "platform/Hotkeys.h"

namespace velmora::fake {

class FakeHotkeys : public Hotkeys {
 public:
  explicit FakeHotkeys(CallLog* log = nullptr) : log_(log) {}

  bool RegisterHotKey(Hwnd wnd, std::int32_t id, std::uint32_t modifiers, std::uint32_t key) override;
  bool UnregisterHotKey(Hwnd wnd, std::int32_t id) override;
  std::uint16_t GlobalAddAtom(std::string_view name) override;
  void GlobalDeleteAtom(std::uint16_t atom) override;

  using Combination = std::pair<std::uint32_t, std::uint32_t>;  // modifiers but MOD_NOREPEAT, key
  std::set<Combination> heldElsewhere;                          // another program's hotkeys
  std::map<std::pair<std::uint64_t, std::int32_t>, Combination> registered;
  std::size_t repeating = 0;  // registered without MOD_NOREPEAT: held, they repeat
  std::map<std::uint16_t, std::string> atoms;

 private:
  CallLog* log_;
  std::uint16_t nextAtom_ = 0xC001;
};

}  // namespace velmora::fake
