#pragma once
// A virtual clock that only tests move. Timers fire inside Advance, each at
// its due time, in due-time order (ties in the order they were armed).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "FakeLog.h"
#include "platform/Timers.h"

namespace velmora::fake {

class FakeTimers : public Timers {
 public:
  static constexpr std::uint64_t StartTime = 1'000'000;
  // SetTimer raises shorter intervals to this, as USER_TIMER_MINIMUM does.
  static constexpr std::uint32_t MinimumInterval = 10;

  explicit FakeTimers(CallLog* log = nullptr);

  // ---- Test API ----
  // Moves the clock forward by ms, firing every timer that falls due on the
  // way; TickCount equals the due time during each callback. Periodic timers
  // re-arm (next due += interval) before their callback runs, so a callback
  // may kill or re-arm any timer, itself included. Not callable from a callback.
  void Advance(std::uint64_t ms);
  bool IsRunning(std::uint32_t id) const { return timers_.contains(id); }
  std::uint32_t IntervalOf(std::uint32_t id) const;  // 0 when not running
  std::optional<std::uint64_t> DueAt(std::uint32_t id) const;
  std::size_t RunningCount() const { return timers_.size(); }

  std::size_t fired = 0;  // callbacks run so far
  // While time passes the other programs take their messages: run as Advance
  // starts and before each timer fires.
  std::function<void()> whilePassing;

  // ---- Timers ----
  // Logged as "SetTimer <id> <ms>" and "KillTimer <id>".
  void SetTimer(std::uint32_t id, std::uint32_t ms, std::function<void()> onTick) override;
  void KillTimer(std::uint32_t id) override;
  std::uint64_t TickCount() override { return now_; }

 private:
  struct Armed {
    std::uint32_t interval = 0;
    std::uint64_t due = 0;
    std::uint64_t order = 0;  // when it was armed: breaks ties
    std::function<void()> onTick;
  };

  CallLog* log_;
  std::map<std::uint32_t, Armed> timers_;
  std::uint64_t now_ = StartTime;
  std::uint64_t armings_ = 0;
  bool advancing_ = false;
};

}  // namespace velmora::fake
