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

// Writes the marks (those that fit, in order) and the watched processes into
// the section; readers that look meanwhile see the change and read again.
void WriteMarkTable(TMarkTable& table, const std::vector<ClassRecord>& marks, std::span<const std::uint32_t> watched);

// A window that opens may go to the tray by a rule or a watch: shown, top-level
// and owned by no other window (owned windows and dialog boxes stay with their program).
bool MayOpenToTray(Desktop& desktop, Hwnd wnd);

}  // namespace velmora
