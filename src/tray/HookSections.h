#pragma once
// The sections the hook library reads: one block and one marks table for each
// integrity level Velmora serves, each labelled at its level, so that a library
// never reads what a lower level could write. Velmora alone writes them: the
// same main window, trigger codes and marks into every level's pair, and into
// each block a secret of its own, new at every start. A request carries the
// secret of the block its library read, which tells the level it comes from.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "hook/MarkTable.h"
#include "hook/MemBlock.h"
#include "platform/Kernel.h"
#include "settings/OptionsRecord.h"
#include "tray/ClassFile.h"

namespace velmora {

class HookSections {
 public:
  explicit HookSections(Kernel& kernel) : kernel_(kernel) {}
  HookSections(const HookSections&) = delete;
  HookSections& operator=(const HookSections&) = delete;
  ~HookSections() { Unmap(); }

  // Every section of the levels a Velmora at that level serves, block and marks of each.
  static std::vector<SectionSpec> Specs(std::uint32_t ownLevel);

  // Maps the pairs, each block cleared (it outlives a Velmora that was killed)
  // and given a new secret. A level whose pair cannot be mapped is not served.
  void Map(std::uint32_t ownPid);
  // The marks are left empty and the main window 0 for the libraries that still map them.
  void Unmap();
  bool Mapped() const { return !levels_.empty(); }

  void SetMainWindow(std::uint32_t wnd);
  void PushOptions(const TOptionsRecord& options);
  void PublishMarks(const std::vector<ClassRecord>& marks, std::span<const TWatchSlot> watched);

  // The level of the block whose secret the payload carries, none for no block's.
  std::optional<std::uint32_t> SenderLevel(const TRequestPayload& payload) const;
  // Velmora's own level's pair, as tests look at it; null when not mapped.
  const TMemBlock* Block() const { return levels_.empty() ? nullptr : levels_.front().block; }
  const TMarkTable* Marks() const { return levels_.empty() ? nullptr : levels_.front().marks; }

 private:
  struct Level {
    std::uint32_t level;
    TMemBlock* block;
    TMarkTable* marks;
    std::array<std::uint8_t, RequestSecretSize> secret;
  };
  Kernel& kernel_;
  std::vector<Level> levels_;
};

}  // namespace velmora
