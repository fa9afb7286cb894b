#pragma once
// Display texts of hotkey definitions: what the options dialog shows beside
// each hotkey and what the "not available" message quotes.
#include <cstdint>
#include <string>

namespace velmora {

// Modifier bits of a definition, as RegisterHotKey takes them.
inline constexpr std::uint8_t ModAlt = 1, ModControl = 2, ModShift = 4, ModWin = 8;

// The name of a virtual key: digits, letters, keypad digits, F1 to F24; "" for any other.
std::string KeyName(std::uint16_t key);
// "CTRL + SHIFT + A": the modifiers in the order CTRL, SHIFT, ALT, WIN, then the key's name.
std::string HotkeyText(std::uint8_t modifiers, std::uint16_t key);

}  // namespace velmora
