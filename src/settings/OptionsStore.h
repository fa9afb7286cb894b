#pragma once
// Loading and storing the settings record, and pushing its hook codes into
// the shared block.
#include <cstdint>
#include <functional>

#include "hook/MemBlock.h"
#include "platform/Registry.h"
#include "settings/OptionsRecord.h"

namespace velmora {

inline constexpr char OptionsKey[] = "\\SOFTWARE\\Velmora";
inline constexpr char OptionsValue[] = "Options";

// The codes the hook library reads; out-of-range settings give 0 (trigger off).
std::uint32_t ButtonCodeFor(std::uint8_t rightClickButton);
std::uint8_t HoldKeyCodeFor(std::uint8_t holdKey);

// Writes ButtonCode and HoldKeyCode; nothing when the block is not mapped.
void PushHookOptions(const TOptionsRecord& options, TMemBlock* block);

// Always a complete record. A missing value is written with the defaults; a
// value of another type than REG_BINARY is ignored (defaults, nothing
// rewritten); of a longer value only the first 108 bytes are used.
TOptionsRecord LoadOptions(Registry& registry, TMemBlock* block);

// Where a saved record is made the live one (the hidden-window list's ApplySettings).
using ApplySettingsFn = std::function<void(const TOptionsRecord&)>;

// Stores the record; only when that succeeded it is applied and pushed. False
// when the registry refused the write (the live copy and the block keep theirs).
bool SaveOptions(const TOptionsRecord& options, Registry& registry, TMemBlock* block,
                 const ApplySettingsFn& applySettings);

}  // namespace velmora
