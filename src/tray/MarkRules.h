#pragma once
// The marks' rules as the hook library sees them, and the program's own
// decisions about a window the library reports as it first opens.
#include <cstdint>
#include <span>
#include <vector>

#include "hook/MarkTable.h"
#include "platform/Desktop.h"
#include "tray/ClassFile.h"

namespace velmora {

// The processes "run hidden" started, each watched until its first window
// opens, its process ends, or WatchLifetimeMs has passed; at most
// WatchedProcessSlots of them. A watch holds its process's instance (the
// creation time), so that a process given the same id later is never taken.
class ProcessWatches {
 public:
  // Watches the instance from now (a GetTickCount64 moment). False for no process (pid or creation
  // time 0), and while WatchedProcessSlots watches run.
  bool Add(std::uint32_t pid, std::uint64_t created, std::uint64_t now);
  // True once for a watched instance whose watch is still running: its first window has opened.
  bool Take(std::uint32_t pid, std::uint64_t created, std::uint64_t now);
  // The process with that id ended: its watches go, unless the id now names the instance they
  // watch (createdNow, 0 when no process has the id). True when any went.
  bool Ended(std::uint32_t pid, std::uint64_t createdNow);
  // Watches whose time is over go. True when any went.
  bool Expire(std::uint64_t now);
  // What the library reads, oldest first.
  const std::vector<TWatchSlot>& Slots() const { return slots_; }

 private:
  std::vector<TWatchSlot> slots_;  // oldest first
};

// Writes the marks (those that fit, in order) and the watched processes into
// the section; readers that look meanwhile see the change and read again.
void WriteMarkTable(TMarkTable& table, const std::vector<ClassRecord>& marks, std::span<const TWatchSlot> watched);

// A window that opens may go to the tray by a rule or a watch: shown, top-level
// and owned by no other window (owned windows and dialog boxes stay with their program).
bool MayOpenToTray(Desktop& desktop, Hwnd wnd);

}  // namespace velmora
