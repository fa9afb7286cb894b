#include <gtest/gtest.h>

#include "TestSupport.h"
#include "win32/Win32Timers.h"

namespace velmora {
namespace {

TEST(Win32Timers, TicksUntilKilledFromItsOwnCallback) {
  Win32Timers timers;
  int ticks = 0;
  timers.SetTimer(1, 20, [&] {
    if (++ticks == 3) timers.KillTimer(1);
  });
  test::PumpUntil([&] { return ticks >= 3; }, 10000);
  test::Pump(300);  // no tick after the kill
  EXPECT_EQ(ticks, 3);
}

TEST(Win32Timers, CallbackMayReplaceItself) {
  Win32Timers timers;
  int first = 0, second = 0;
  timers.SetTimer(5, 20, [&] {
    ++first;
    timers.SetTimer(5, 20, [&] {
      if (++second == 2) timers.KillTimer(5);
    });
  });
  test::PumpUntil([&] { return second >= 2; }, 10000);
  test::Pump(200);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
}

TEST(Win32Timers, TimersAreIndependentAndDieWithTheAdapter) {
  int a = 0, b = 0, c = 0;
  {
    Win32Timers timers;
    timers.SetTimer(1, 20, [&] { ++a; });
    timers.SetTimer(2, 20, [&] {
      ++b;
      timers.KillTimer(1);  // another timer, from inside a callback
    });
    test::PumpUntil([&] { return b >= 2; }, 10000);
    EXPECT_GE(b, 2);
    const int aAfterKill = a;
    test::Pump(100);
    EXPECT_EQ(a, aAfterKill);
    timers.SetTimer(3, 20, [&] { ++c; });
  }
  test::Pump(200);  // the adapter is gone: nothing fires, nothing crashes
  EXPECT_EQ(c, 0);
}

TEST(Win32Timers, TickCountIsTheSystemsMillisecondClock) {
  Win32Timers timers;
  const std::uint64_t before = ::GetTickCount64();
  const std::uint64_t tick = timers.TickCount();
  EXPECT_GE(tick, before);
  EXPECT_LE(tick, ::GetTickCount64());
}

}  // namespace
}  // namespace velmora
