#include "platform/Timer.h"

namespace velmora {

Timer::Timer(Timers& timers, std::uint32_t interval, std::function<void()> onTimer)
    : timers_(timers), id_(NextId()), interval_(interval), onTimer_(std::move(onTimer)) {}

Timer::~Timer() {
  if (enabled_) timers_.KillTimer(id_);
}

std::uint32_t Timer::NextId() {
  // Ids start above the range the main window's own timers could use.
  static std::uint32_t next = 1000;
  return ++next;
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_)
    Arm();
  else
    timers_.KillTimer(id_);
}

void Timer::SetInterval(std::uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (enabled_) Arm();
}

void Timer::Arm() {
  if (interval_ == 0) return;
  timers_.SetTimer(id_, interval_, [this] {
    if (enabled_ && onTimer_) onTimer_();
  });
}

}  // namespace velmora
