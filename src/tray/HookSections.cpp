#include "tray/HookSections.h"

#include <algorithm>

#include "hook/Levels.h"
#include "settings/OptionsStore.h"
#include "tray/MarkRules.h"

namespace velmora {

namespace {
std::string NameAt(const char* base, std::uint32_t level) {
  char name[SectionNameSize] = {};
  SectionNameAt(base, level, name, sizeof name);
  return name;
}
}  // namespace

std::vector<SectionSpec> HookSections::Specs(std::uint32_t ownLevel) {
  std::vector<SectionSpec> specs;
  const ServedLevels served = LevelsServedBy(ownLevel);
  for (std::size_t i = 0; i < served.count; ++i) {
    const std::uint32_t level = served.level[i];
    specs.push_back({NameAt(MemBlockName, level), sizeof(TMemBlock), level});
    specs.push_back({NameAt(MarkTableName, level), sizeof(TMarkTable), level});
  }
  return specs;
}

void HookSections::Map(std::uint32_t ownPid) {
  Unmap();
  const std::vector<SectionSpec> specs = Specs(kernel_.IntegrityLevel());
  for (std::size_t i = 0; i + 1 < specs.size(); i += 2) {
    auto* block = static_cast<TMemBlock*>(kernel_.MapSharedBlock(specs[i]));
    auto* marks = static_cast<TMarkTable*>(kernel_.MapSharedBlock(specs[i + 1]));
    Level level{specs[i].level, block, marks, {}};
    // Without a secret no request could be told from a forged one: the level is not served.
    if (block == nullptr || marks == nullptr || !kernel_.GenerateRandom(level.secret.data(), level.secret.size())) {
      if (block) kernel_.UnmapSharedBlock(block);
      if (marks) kernel_.UnmapSharedBlock(marks);
      continue;
    }
    *block = TMemBlock{};
    block->HookOwnerPid = ownPid;
    std::copy(level.secret.begin(), level.secret.end(), block->RequestSecret);
    levels_.push_back(level);
  }
}

void HookSections::Unmap() {
  for (Level& level : levels_) {
    WriteMarkTable(*level.marks, {}, {});
    level.block->MainWindow = 0;
    kernel_.UnmapSharedBlock(level.marks);
    kernel_.UnmapSharedBlock(level.block);
  }
  levels_.clear();
}

void HookSections::SetMainWindow(std::uint32_t wnd) {
  for (Level& level : levels_) level.block->MainWindow = wnd;
}

void HookSections::PushOptions(const TOptionsRecord& options) {
  for (Level& level : levels_) PushHookOptions(options, level.block);
}

void HookSections::PublishMarks(const std::vector<ClassRecord>& marks, std::span<const TWatchSlot> watched) {
  for (Level& level : levels_) WriteMarkTable(*level.marks, marks, watched);
}

std::optional<std::uint32_t> HookSections::SenderLevel(const TRequestPayload& payload) const {
  for (const Level& level : levels_)
    if (std::equal(level.secret.begin(), level.secret.end(), payload.Secret)) return level.level;
  return std::nullopt;
}

}  // namespace velmora
