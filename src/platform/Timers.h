#pragma once
// Timers on the UI thread and the millisecond clock.
#include <cstdint>
#include <functional>

namespace velmora {

class Timers {
 public:
  Timers() = default;
  Timers(const Timers&) = delete;
  Timers& operator=(const Timers&) = delete;
  virtual ~Timers() = default;

  // SetTimer: (re)starts timer id with the interval; onTick runs on the UI
  // thread every interval until KillTimer.
  virtual void SetTimer(std::uint32_t id, std::uint32_t ms, std::function<void()> onTick) = 0;
  virtual void KillTimer(std::uint32_t id) = 0;
  // A millisecond clock that never goes back (GetTickCount64).
  virtual std::uint64_t TickCount() = 0;
};

}  // namespace velmora
