#pragma once
// Which colours Velmora's menus and dialogs take: the system's own under a
// high-contrast theme, whose users need exactly those; dark when the user has
// apps use the dark theme; light otherwise.
#include "platform/Registry.h"

namespace velmora {

enum class Palette { Light, Dark, HighContrast };

// The user's choice of app theme: AppsUseLightTheme, a REG_DWORD, 0 for dark;
// the taskbar's (and the shell's tray menus'): SystemUsesLightTheme.
inline constexpr char PersonalizeKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
inline constexpr char AppsUseLightTheme[] = "AppsUseLightTheme";
inline constexpr char SystemUsesLightTheme[] = "SystemUsesLightTheme";

// What is drawn: the dialogs follow the apps' theme, the menus opened from the
// tray and by hotkeys follow the taskbar's, as the shell's own tray menus do.
enum class Surface { Apps, Taskbar };
// The stored high-contrast setting: Flags, a decimal string, bit 1 on.
inline constexpr char HighContrastKey[] = "Control Panel\\Accessibility\\HighContrast";

// systemHighContrast: what SPI_GETHIGHCONTRAST says. The stored setting counts
// as well, for systems that keep it without reporting it.
Palette ChoosePalette(bool systemHighContrast, Registry& registry, Surface surface = Surface::Apps);

}  // namespace velmora
