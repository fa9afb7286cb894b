#include "tray/MarkRules.h"

#include <algorithm>
#include <cstring>

#include "platform/WinConst.h"

namespace velmora {

void WriteMarkTable(TMarkTable& table, const std::vector<ClassRecord>& marks, std::span<const std::uint32_t> watched) {
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
  std::fill(std::begin(table.WatchedProcesses), std::end(table.WatchedProcesses), 0u);
  std::copy_n(watched.begin(), std::min(watched.size(), WatchedProcessSlots), table.WatchedProcesses);
  table.Sequence.store(sequence + 1, std::memory_order_release);
}

bool MayOpenToTray(Desktop& desktop, Hwnd wnd) {
  return desktop.IsWindow(wnd) && desktop.IsWindowVisible(wnd) && !desktop.GetParent(wnd) &&
         !desktop.GetWindow(wnd, win::GW_OWNER) && desktop.GetClassName(wnd) != "#32770";
}

}  // namespace velmora
