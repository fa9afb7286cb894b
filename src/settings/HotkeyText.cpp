#include "settings/HotkeyText.h"

namespace velmora {

std::string KeyName(std::uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= 96 && key <= 105) return "Numeric KeyPad " + std::to_string(key - 96);
  if (key >= 112 && key <= 135) return "F" + std::to_string(key - 111);
  return {};
}

std::string HotkeyText(std::uint8_t modifiers, std::uint16_t key) {
  constexpr std::pair<std::uint8_t, const char*> words[] = {
      {ModControl, "CTRL"}, {ModShift, "SHIFT"}, {ModAlt, "ALT"}, {ModWin, "WIN"}};
  std::string text;
  auto append = [&text](const std::string& part) {
    if (!text.empty()) text += " + ";
    text += part;
  };
  for (const auto& [bit, word] : words)
    if (modifiers & bit) append(word);
  if (!text.empty()) text += " + ";
  text += KeyName(key);
  return text;
}

}  // namespace velmora
