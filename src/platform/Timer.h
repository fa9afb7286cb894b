#pragma once
// A component timer on top of the Timers port: Enabled and Interval behave as
// on a form's timer (changing the interval of a running timer restarts it).
#include <cstdint>
#include <functional>

#include "platform/Timers.h"

namespace velmora {

class Timer {
 public:
  Timer(Timers& timers, std::uint32_t interval, std::function<void()> onTimer);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t ms);

 private:
  void Arm();
  static std::uint32_t NextId();

  Timers& timers_;
  std::uint32_t id_;
  std::uint32_t interval_;
  bool enabled_ = false;
  std::function<void()> onTimer_;
};

}  // namespace velmora
