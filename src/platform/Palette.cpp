#include "platform/Palette.h"

#include <cstdint>
#include <vector>

namespace velmora {

namespace {

bool StoredHighContrast(Registry& registry) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (registry.QueryValue(HighContrastKey, "Flags", type, data) != RegResult::Ok || type != 1 /* REG_SZ */) return false;
  std::uint32_t flags = 0;
  for (std::uint8_t c : data) {
    if (c < '0' || c > '9') break;
    flags = flags * 10 + (c - '0');
  }
  return (flags & 1) != 0;
}

}  // namespace

Palette ChoosePalette(bool systemHighContrast, Registry& registry, Surface surface) {
  if (systemHighContrast || StoredHighContrast(registry)) return Palette::HighContrast;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  // Missing (systems before dark mode) or not a number: light, as the system takes it.
  const char* value = surface == Surface::Taskbar ? SystemUsesLightTheme : AppsUseLightTheme;
  if (registry.QueryValue(PersonalizeKey, value, type, data) != RegResult::Ok || type != 4 /* REG_DWORD */ ||
      data.size() != 4)
    return Palette::Light;
  return data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 0 ? Palette::Dark : Palette::Light;
}

}  // namespace velmora
