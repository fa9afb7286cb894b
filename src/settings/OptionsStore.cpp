#include "settings/OptionsStore.h"

#include "platform/WinConst.h"

namespace velmora {

std::uint32_t ButtonCodeFor(std::uint8_t rightClickButton) {
  switch (rightClickButton) {
    case 0: return HitMinButton;
    case 1: return HitMaxButton;
    case 2: return HitCloseButton;
    case 3: return HitAnyButton;
    default: return 0;
  }
}

std::uint8_t HoldKeyCodeFor(std::uint8_t holdKey) {
  switch (holdKey) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 3;
    default: return 0;
  }
}

void PushHookOptions(const TOptionsRecord& options, TMemBlock* block) {
  if (block == nullptr) return;
  block->ButtonCode = ButtonCodeFor(options.RightClickButton);
  block->HoldKeyCode = HoldKeyCodeFor(options.HoldKey);
}

TOptionsRecord LoadOptions(Registry& registry, TMemBlock* block) {
  TOptionsRecord options;
  if (registry.CreateKey(OptionsKey)) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    switch (registry.QueryValue(OptionsKey, OptionsValue, type, data)) {
      case RegResult::Ok:
        if (type == win::REG_BINARY) DecodeOptionsOver(options, data);
        break;
      case RegResult::NotFound: {
        const auto image = EncodeOptions(options);
        registry.SetValue(OptionsKey, OptionsValue, win::REG_BINARY, image);
        break;
      }
      case RegResult::Failed:
        break;
    }
  }
  if (options.MenuItemText[0] == 0) options.SetMenuText(DefaultMenuItemText);
  PushHookOptions(options, block);
  return options;
}

bool SaveOptions(const TOptionsRecord& options, Registry& registry, TMemBlock* block,
                 const ApplySettingsFn& applySettings) {
  const TOptionsRecord copy = options;
  const auto image = EncodeOptions(copy);
  if (!registry.SetValue(OptionsKey, OptionsValue, win::REG_BINARY, image)) return false;
  if (applySettings) applySettings(copy);
  PushHookOptions(copy, block);
  return true;
}

}  // namespace velmora
