#include "win32/Win32Timers.h"

namespace velmora {

namespace {

// Thread timers carry no pointer back to their owner: this finds it.
std::map<UINT_PTR, Win32Timers*>& Owners() {
  static std::map<UINT_PTR, Win32Timers*> owners;
  return owners;
}

}  // namespace

Win32Timers::~Win32Timers() {
  for (auto& [id, entry] : timers_) {
    ::KillTimer(nullptr, entry.systemId);
    Owners().erase(entry.systemId);
  }
}

void Win32Timers::SetTimer(std::uint32_t id, std::uint32_t ms, std::function<void()> onTick) {
  KillTimer(id);
  const UINT_PTR systemId = ::SetTimer(nullptr, 0, ms, TimerProc);
  if (!systemId) return;
  timers_[id] = Entry{systemId, std::move(onTick)};
  bySystem_[systemId] = id;
  Owners()[systemId] = this;
}

void Win32Timers::KillTimer(std::uint32_t id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  const UINT_PTR systemId = it->second.systemId;
  ::KillTimer(nullptr, systemId);
  bySystem_.erase(systemId);
  Owners().erase(systemId);
  timers_.erase(it);
}

std::uint64_t Win32Timers::TickCount() { return ::GetTickCount64(); }

void CALLBACK Win32Timers::TimerProc(HWND, UINT, UINT_PTR systemId, DWORD) noexcept {
  try {
    auto it = Owners().find(systemId);
    if (it != Owners().end()) it->second->Fire(systemId);
  } catch (...) {
    // A faulty tick must not end the message loop; the timer stays armed.
  }
}

void Win32Timers::Fire(UINT_PTR systemId) {
  auto id = bySystem_.find(systemId);
  if (id == bySystem_.end()) return;
  auto entry = timers_.find(id->second);
  if (entry == timers_.end()) return;
  // A copy: the callback may kill or re-set this very timer.
  const std::function<void()> onTick = entry->second.onTick;
  if (onTick) onTick();
}

}  // namespace velmora
