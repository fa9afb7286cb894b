#pragma once
// Timers as thread timers of the UI thread (SetTimer without a window and a
// timer procedure), so that they run inside any message loop, menus and
// message boxes included. Use from the UI thread only.
#include <map>

#include "platform/Timers.h"
#include "win32/Win32Api.h"

namespace velmora {

class Win32Timers final : public Timers {
 public:
  Win32Timers() = default;
  // Kills the timers still running.
  ~Win32Timers() override;

  // A callback may set or kill timers, its own included, while it runs.
  void SetTimer(std::uint32_t id, std::uint32_t ms, std::function<void()> onTick) override;
  void KillTimer(std::uint32_t id) override;
  std::uint64_t TickCount() override;

 private:
  struct Entry {
    UINT_PTR systemId = 0;
    std::function<void()> onTick;
  };

  static void CALLBACK TimerProc(HWND wnd, UINT msg, UINT_PTR systemId, DWORD time) noexcept;
  void Fire(UINT_PTR systemId);

  std::map<std::uint32_t, Entry> timers_;      // by the logic's id
  std::map<UINT_PTR, std::uint32_t> bySystem_;  // system id -> the logic's id
};

}  // namespace velmora
