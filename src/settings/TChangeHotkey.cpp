#include "settings/TChangeHotkey.h"

#include "platform/WinConst.h"
#include "settings/HotkeyText.h"

namespace velmora {

namespace {
constexpr std::pair<ControlId, std::uint8_t> ModifierBoxes[] = {
    {cbctrl, ModControl}, {cbshift, ModShift}, {cbalt, ModAlt}, {cbwin, ModWin}};
}

bool TChangeHotkey::Execute(std::string_view caption, std::uint8_t modifiers, std::uint16_t key,
                            std::uint8_t& newModifiers, std::uint16_t& newKey) {
  controls_.SetText(LabelHK, caption);
  FKey = key;
  for (const auto& [box, bit] : ModifierBoxes) controls_.SetChecked(box, (modifiers & bit) != 0);
  controls_.SetText(EditHK, KeyName(key));
  UpdateChangeButton();
  newModifiers = modifiers;
  newKey = key;
  if (controls_.ShowModal() != win::IDOK) return false;
  newKey = FKey;
  newModifiers = 0;
  for (const auto& [box, bit] : ModifierBoxes)
    if (controls_.IsChecked(box)) newModifiers |= bit;
  return true;
}

bool TChangeHotkey::EditHKKeyDown(std::uint16_t key) {
  const std::string name = KeyName(key);
  if (name.empty()) return false;  // Enter, Tab, Space... go on to the controls
  controls_.SetText(EditHK, "  " + name);
  FKey = key;
  UpdateChangeButton();
  if (controls_.IsEnabled(bchange)) controls_.SetFocus(bchange);
  return true;
}

void TChangeHotkey::EditHKEnter() { controls_.SetFocus(controls_.IsEnabled(bchange) ? bchange : bcancel); }

void TChangeHotkey::UpdateChangeButton() {
  bool modifier = false;
  for (const auto& [box, bit] : ModifierBoxes) modifier = modifier || controls_.IsChecked(box);
  controls_.SetEnabled(bchange, modifier && FKey != 0);
}

}  // namespace velmora
