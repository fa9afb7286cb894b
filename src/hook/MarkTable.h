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

struct TMarkTable {
  // Odd while Velmora writes; a reader that sees it change reads again.
  std::atomic<std::uint32_t> Sequence;
  std::uint32_t Count;  // entries in use
  // Processes started by "run hidden": their first window goes to the tray as it opens.
  std::uint32_t WatchedProcesses[WatchedProcessSlots];
  TMarkEntry Marks[MarkTableCapacity];
};

static_assert(sizeof(TMarkEntry) == 257);
static_assert(sizeof(TMarkTable) == 8 + 4 * WatchedProcessSlots + 257 * MarkTableCapacity);  // alike in 32 and 64 bits
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

// The rules of the mark that takes a window of that key and class name, both
// compared as marks compare (letters in any case). 0 when no mark takes it, or
// while Velmora rewrites the table.
inline std::uint8_t RulesFor(const TMarkTable& table, std::string_view key, std::string_view cls) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::uint32_t before = table.Sequence.load(std::memory_order_acquire);
    if (before & 1u) continue;
    std::uint8_t rules = 0;
    const std::uint32_t count = table.Count < MarkTableCapacity ? table.Count : MarkTableCapacity;
    for (std::uint32_t i = 0; i < count && rules == 0; ++i) {
      const TMarkEntry& mark = table.Marks[i];
      const std::string_view name(mark.Key, mark.Length < sizeof mark.Key ? mark.Length : sizeof mark.Key);
      if (CompareKeys(cls, name) == 0 || (key != cls && CompareKeys(key, name) == 0)) rules = mark.Rules;
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    if (table.Sequence.load(std::memory_order_relaxed) == before) return rules;
  }
  return 0;
}

inline bool Watched(const TMarkTable& table, std::uint32_t pid) {
  for (std::uint32_t watched : table.WatchedProcesses)
    if (watched != 0 && watched == pid) return true;
  return false;
}

}  // namespace velmora
