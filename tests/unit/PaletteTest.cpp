#include <gtest/gtest.h>

#include <optional>

#include "FakeWorld.h"
#include "platform/Palette.h"

namespace velmora {
namespace {

using fake::RegValue;

// High contrast, reported or stored, wins; then only a REG_DWORD 0 means dark.
TEST(Palette, ChosenFromHighContrastAndTheAppsThemeValue) {
  const RegValue dark{4, {0, 0, 0, 0}}, light{4, {1, 0, 0, 0}}, on{1, {'1', '2', '7', 0}}, off{1, {'1', '2', '6', 0}};
  const struct {
    bool reported;
    std::optional<RegValue> stored, theme;
    Palette expected;
  } rows[] = {
      {false, {}, {}, Palette::Light},          {false, {}, light, Palette::Light},
      {false, {}, dark, Palette::Dark},         {true, {}, dark, Palette::HighContrast},
      {false, on, dark, Palette::HighContrast}, {false, off, dark, Palette::Dark},
      {false, {}, RegValue{3, {0, 0, 0, 0}}, Palette::Light}, {false, {}, RegValue{4, {0, 0}}, Palette::Light},
  };
  int row = 0;
  for (const auto& r : rows) {
    fake::FakeWorld w;
    if (r.stored) w.registry.Put(HighContrastKey, "Flags", r.stored->type, r.stored->bytes);
    if (r.theme) w.registry.Put(PersonalizeKey, AppsUseLightTheme, r.theme->type, r.theme->bytes);
    EXPECT_EQ(ChoosePalette(r.reported, w.registry), r.expected) << "row " << row;
    // The taskbar's theme is a value of its own: the apps' does not reach the menus.
    EXPECT_EQ(ChoosePalette(r.reported, w.registry, Surface::Taskbar), r.expected == Palette::HighContrast ? r.expected : Palette::Light) << row++;
  }
}

}  // namespace
}  // namespace velmora
