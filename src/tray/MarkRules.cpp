#include "tray/MarkRules.h"

#include <algorithm>
#include <cstring>

#include "platform/WinConst.h"

namespace velmora {

namespace {
std::uint64_t CreatedOf(const TWatchSlot& slot) { return JoinHalves(slot.CreatedLow, slot.CreatedHigh); }
std::uint64_t UntilOf(const TWatchSlot& slot) { return JoinHalves(slot.UntilLow, slot.UntilHigh); }
}  // namespace

bool ProcessWatches::Add(std::uint32_t pid, std::uint64_t created, std::uint64_t now) {
  if (pid == 0 || created == 0) return false;
  Expire(now);
  // A process watched again is watched once, from now; an earlier process of the same id is no longer there.
  std::erase_if(slots_, [pid](const TWatchSlot& slot) { return slot.Pid == pid; });
  // Full, the watch is refused: its sender ends the program unrun rather than let it open on the screen.
  if (slots_.size() == WatchedProcessSlots) return false;
  slots_.push_back(MakeWatchSlot(pid, created, now + WatchLifetimeMs));
  return true;
}

bool ProcessWatches::Take(std::uint32_t pid, std::uint64_t created, std::uint64_t now) {
  const auto it = std::find_if(slots_.begin(), slots_.end(), [&](const TWatchSlot& slot) {
    return pid != 0 && slot.Pid == pid && CreatedOf(slot) == created && now < UntilOf(slot);
  });
  if (it == slots_.end()) return false;
  slots_.erase(it);
  return true;
}

bool ProcessWatches::Ended(std::uint32_t pid, std::uint64_t createdNow) {
  return std::erase_if(slots_, [&](const TWatchSlot& slot) {
           return slot.Pid == pid && (createdNow == 0 || CreatedOf(slot) != createdNow);
         }) > 0;
}

bool ProcessWatches::Expire(std::uint64_t now) {
  return std::erase_if(slots_, [now](const TWatchSlot& slot) { return now >= UntilOf(slot); }) > 0;
}

void WriteMarkTable(TMarkTable& table, const std::vector<ClassRecord>& marks, std::span<const TWatchSlot> watched) {
  const std::uint32_t sequence = table.Sequence.load(std::memory_order_relaxed) | 1u;
  table.Sequence.store(sequence, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  std::uint32_t count = 0;
  for (const ClassRecord& mark : marks) {
    // A key too long for an entry is left to the program, which still hides its windows on minimize.
    if (count == MarkTableCapacity || mark.Name.size() > sizeof table.Marks[0].Key) continue;
    TMarkEntry& entry = table.Marks[count++];
    entry.Rules = mark.Rules;
    entry.Length = static_cast<std::uint8_t>(mark.Name.size());
    std::memcpy(entry.Key, mark.Name.data(), mark.Name.size());
  }
  table.Count = count;
  std::fill(std::begin(table.Watched), std::end(table.Watched), TWatchSlot{});
  std::copy_n(watched.begin(), std::min(watched.size(), WatchedProcessSlots), table.Watched);
  table.Sequence.store(sequence + 1, std::memory_order_release);
}

bool MayOpenToTray(Desktop& desktop, Hwnd wnd) {
  return desktop.IsWindow(wnd) && desktop.IsWindowVisible(wnd) && !desktop.GetParent(wnd) &&
         !desktop.GetWindow(wnd, win::GW_OWNER) && desktop.GetClassName(wnd) != "#32770";
}

}  // namespace velmora
