#pragma once
// The section "LibOrvaneMarks": the marks with their rules, written by
// Velmora, read by the hook library inside other programs, so that the library
// decides about a close button or a window that opens without waiting for
// Velmora. A section of its own: the shared block keeps its layout. No system
// header and no heap: the library includes it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "hook/ClassKeys.h"

namespace velmora {

inline constexpr char MarkTableName[] = "LibOrvaneMarks";

// Rules a mark carries, as bits; stored in the class file's records too.
enum MarkRule : std::uint8_t {
  RuleCloseToTray = 1,  // the close button, clicked, sends the window to the tray
  RuleHideOnOpen = 2,   // a window of the mark goes to the tray as it first opens
};
inline constexpr std::uint8_t KnownRules = RuleCloseToTray | RuleHideOnOpen;

struct TMarkEntry {
  std::uint8_t Rules;
  std::uint8_t Length;  // of Key
  char Key[255];        // UTF-8, no terminator
};

inline constexpr std::size_t MarkTableCapacity = 1024;
inline constexpr std::size_t WatchedProcessSlots = 16;
// A watch of "run hidden" that its process's first window has not taken ends after this long.
inline constexpr std::uint64_t WatchLifetimeMs = 60000;

// A process started by "run hidden": its first window goes to the tray as it
// opens. One instance of a process: its id and its creation time (a FILETIME,
// as GetProcessTimes gives it), so that a later process given the same id is
// not taken; and the moment (GetTickCount64, the same in every process) after
// which the watch is over. 64-bit values in two halves: one layout in 32 and
// 64 bits, and no 64-bit access to shared memory.
struct TWatchSlot {
  std::uint32_t Pid;  // 0: a free slot
  std::uint32_t CreatedLow;
  std::uint32_t CreatedHigh;
  std::uint32_t UntilLow;
  std::uint32_t UntilHigh;
};

struct TMarkTable {
  // Odd while Velmora writes; a reader that sees it odd, or changed, reads again.
  std::atomic<std::uint32_t> Sequence;
  std::uint32_t Count;  // entries in use
  TWatchSlot Watched[WatchedProcessSlots];
  TMarkEntry Marks[MarkTableCapacity];
};

// One layout for Velmora, the 64-bit and the 32-bit library.
static_assert(sizeof(TMarkEntry) == 257);
static_assert(sizeof(TWatchSlot) == 20);
static_assert(alignof(TMarkTable) == 4);
static_assert(sizeof(TMarkTable) == 8 + sizeof(TWatchSlot) * WatchedProcessSlots + 257 * MarkTableCapacity);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(sizeof(std::atomic<std::uint32_t>) == 4);

constexpr std::uint64_t JoinHalves(std::uint32_t low, std::uint32_t high) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

constexpr TWatchSlot MakeWatchSlot(std::uint32_t pid, std::uint64_t created, std::uint64_t until) {
  return {pid, static_cast<std::uint32_t>(created), static_cast<std::uint32_t>(created >> 32),
          static_cast<std::uint32_t>(until), static_cast<std::uint32_t>(until >> 32)};
}

// A field that another process writes, read as such: one whole load, never
// merged with another read or kept from an earlier one. Loads only: the
// library maps the section read-only.
template <class T>
T SharedRead(const T& field) {
  static_assert(std::atomic_ref<T>::is_always_lock_free && sizeof(T) <= 4);
  return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}

// Runs read() over a table that no writer changed meanwhile. While Velmora
// writes (the sequence odd, or changed by the end of the read), wait() is
// called, and read() runs again as long as wait() says true. read() starts
// from scratch each time. False when wait() gave up first.
template <class Read, class Wait>
bool ReadConsistent(const TMarkTable& table, Read&& read, Wait&& wait) {
  for (;;) {
    const std::uint32_t before = table.Sequence.load(std::memory_order_acquire);
    if ((before & 1u) == 0) {
      read();
      std::atomic_thread_fence(std::memory_order_acquire);
      if (table.Sequence.load(std::memory_order_relaxed) == before) return true;
    }
    if (!wait()) return false;
  }
}

// A reader that never waits: Velmora's own reads, where no one else writes.
inline bool NoWait() { return false; }

// The rules of the mark that takes a window of that key and class name, both
// compared as marks compare (letters in any case). 0 when no mark takes it, or
// while Velmora rewrites the table for longer than wait() waits.
template <class Wait>
std::uint8_t RulesFor(const TMarkTable& table, std::string_view key, std::string_view cls, Wait&& wait) {
  std::uint8_t rules = 0;
  const bool read = ReadConsistent(
      table,
      [&] {
        rules = 0;
        std::uint32_t count = SharedRead(table.Count);
        if (count > MarkTableCapacity) count = MarkTableCapacity;
        for (std::uint32_t i = 0; i < count && rules == 0; ++i) {
          const TMarkEntry& mark = table.Marks[i];
          const std::uint8_t length = SharedRead(mark.Length);  // at most 255, the size of Key
          char name[sizeof mark.Key];
          for (std::uint8_t at = 0; at < length; ++at) name[at] = SharedRead(mark.Key[at]);
          const std::string_view copy(name, length);
          if (CompareKeys(cls, copy) == 0 || (key != cls && CompareKeys(key, copy) == 0))
            rules = SharedRead(mark.Rules);
        }
      },
      wait);
  return read ? rules : 0;
}

// This process instance is watched, at the moment now (GetTickCount64). False
// while Velmora rewrites the table for longer than wait() waits.
template <class Wait>
bool Watched(const TMarkTable& table, std::uint32_t pid, std::uint64_t created, std::uint64_t now, Wait&& wait) {
  if (pid == 0) return false;
  bool watched = false;
  const bool read = ReadConsistent(
      table,
      [&] {
        watched = false;
        for (const TWatchSlot& slot : table.Watched) {
          if (SharedRead(slot.Pid) != pid) continue;
          const std::uint64_t from = JoinHalves(SharedRead(slot.CreatedLow), SharedRead(slot.CreatedHigh));
          const std::uint64_t until = JoinHalves(SharedRead(slot.UntilLow), SharedRead(slot.UntilHigh));
          if (from == created && now < until) watched = true;
        }
      },
      wait);
  return read && watched;
}

// Some slot holds the process id, of whatever instance and time: Velmora's own
// look at what it wrote.
inline bool Watched(const TMarkTable& table, std::uint32_t pid) {
  for (const TWatchSlot& slot : table.Watched)
    if (pid != 0 && slot.Pid == pid) return true;
  return false;
}

}  // namespace velmora
