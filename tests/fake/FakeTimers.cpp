#include "FakeTimers.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace velmora::fake {

FakeTimers::FakeTimers(CallLog* log) : log_(log) {}

void FakeTimers::SetTimer(std::uint32_t id, std::uint32_t ms, std::function<void()> onTick) {
  LogCall(log_, "SetTimer " + Hex(id) + " " + std::to_string(ms));
  // An interval of 0 would fire forever within one instant.
  const std::uint32_t interval = std::max(ms, MinimumInterval);
  timers_.insert_or_assign(id, Armed{interval, now_ + interval, armings_++, std::move(onTick)});
}

void FakeTimers::KillTimer(std::uint32_t id) {
  LogCall(log_, "KillTimer " + Hex(id));
  timers_.erase(id);
}

std::uint32_t FakeTimers::IntervalOf(std::uint32_t id) const {
  auto it = timers_.find(id);
  return it == timers_.end() ? 0 : it->second.interval;
}

std::optional<std::uint64_t> FakeTimers::DueAt(std::uint32_t id) const {
  auto it = timers_.find(id);
  if (it == timers_.end()) return std::nullopt;
  return it->second.due;
}

void FakeTimers::Advance(std::uint64_t ms) {
  if (advancing_) throw std::logic_error("FakeTimers::Advance called from a timer callback");
  advancing_ = true;
  const std::uint64_t end = now_ + ms;
  try {
    for (;;) {
      if (whilePassing) whilePassing();
      auto next = timers_.end();
      for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due > end) continue;
        if (next == timers_.end() || it->second.due < next->second.due ||
            (it->second.due == next->second.due && it->second.order < next->second.order))
          next = it;
      }
      if (next == timers_.end()) break;
      now_ = next->second.due;
      next->second.due += next->second.interval;
      // A copy: the callback may replace or kill its own timer.
      std::function<void()> onTick = next->second.onTick;
      ++fired;
      if (onTick) onTick();
    }
  } catch (...) {
    advancing_ = false;
    throw;
  }
  now_ = end;
  advancing_ = false;
}

}  // namespace velmora::fake
