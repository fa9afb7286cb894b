#include <gtest/gtest.h>

#include "settings/HotkeyText.h"

namespace velmora {
namespace {

TEST(HotkeyTextTest, KeyNamesAndTextsAsTheTableGivesThem) {
  const std::pair<std::uint16_t, const char*> names[] = {
      {48, "0"}, {57, "9"}, {65, "A"}, {90, "Z"}, {96, "Numeric KeyPad 0"}, {103, "Numeric KeyPad 7"},
      {112, "F1"}, {120, "F9"}, {121, "F10"}, {130, "F19"}, {131, "F20"}, {135, "F24"},
      {136, ""}, {32, ""}, {13, ""}, {0, ""}, {47, ""}, {91, ""}, {97 - 2, ""}};
  for (const auto& [key, name] : names) EXPECT_EQ(KeyName(key), name) << key;
  const std::tuple<std::uint8_t, std::uint16_t, const char*> texts[] = {
      {6, 65, "CTRL + SHIFT + A"}, {0, 112, "F1"}, {9, 121, "ALT + WIN + F10"}, {0, 0, ""},
      {2, 0, "CTRL + "}, {15, 48, "CTRL + SHIFT + ALT + WIN + 0"}};
  for (const auto& [mods, key, text] : texts) EXPECT_EQ(HotkeyText(mods, key), text);
}

}  // namespace
}  // namespace velmora
