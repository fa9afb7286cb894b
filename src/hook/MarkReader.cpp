// The marks' section as the library reads it inside its host: the rules of a
// window's mark, and whether this process is watched.
#include "hook/MarkReader.h"

#include "hook/WindowKeys.h"

namespace velmora::hook {

namespace {

// Waits for Velmora to finish a rewrite of the marks' section, 2 ms at most
// from its first call: a rewrite of the whole table takes far less.
class WriterWait {
 public:
  bool operator()() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (deadline_ == 0) {
      LARGE_INTEGER frequency;
      QueryPerformanceFrequency(&frequency);
      deadline_ = now.QuadPart + frequency.QuadPart / 500;
    } else if (now.QuadPart >= deadline_) {
      return false;
    }
    for (int spin = 0; spin < 64; ++spin) YieldProcessor();
    SwitchToThread();  // the writer may want this processor
    return true;
  }

 private:
  LONGLONG deadline_ = 0;
};

// When this process was created (a FILETIME): with its id, the instance a watch names.
INIT_ONCE g_createdOnce = INIT_ONCE_STATIC_INIT;
std::uint64_t g_created = 0;

BOOL CALLBACK ReadCreationTime(PINIT_ONCE, PVOID, PVOID*) noexcept {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
    g_created = JoinHalves(created.dwLowDateTime, created.dwHighDateTime);
  return TRUE;
}

}  // namespace

// The rules of the mark that takes the window, read from the section: the
// library decides on the spot and never waits for Velmora, only for a rewrite
// of the section in progress, briefly.
std::uint8_t WindowRules(const TMarkTable& table, HWND wnd) {
  char name[256];
  ClassNameOf(wnd, name);
  char key[256];
  std::size_t size = 0;
  if (!SharedClassKey(wnd, name, key, size)) return RulesFor(table, name, name, WriterWait{});
  return size == 0 ? 0 : RulesFor(table, std::string_view(key, size), name, WriterWait{});
}

// This process is watched by "run hidden", as this instance, now.
bool ThisProcessWatched(const TMarkTable& table) {
  InitOnceExecuteOnce(&g_createdOnce, ReadCreationTime, nullptr, nullptr);
  return g_created != 0 && Watched(table, GetCurrentProcessId(), g_created, GetTickCount64(), WriterWait{});
}

}  // namespace velmora::hook
