#pragma once
// The settings record: 108 bytes, stored whole as the registry value "Options".
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

struct THotkeyRecord {
  std::uint8_t Enabled = 0;
  std::uint8_t Modifiers = 0;  // 1 Alt, 2 Control, 4 Shift, 8 Windows key
  std::uint16_t Key = 0;       // virtual-key code
  friend bool operator==(const THotkeyRecord&, const THotkeyRecord&) = default;
};
static_assert(sizeof(THotkeyRecord) == 4);
static_assert(offsetof(THotkeyRecord, Modifiers) == 1);
static_assert(offsetof(THotkeyRecord, Key) == 2);

constexpr std::size_t HotkeyCount = 6;
constexpr std::size_t MenuItemTextMax = 50;
constexpr std::string_view DefaultMenuItemText = "Minimize To &Tray";

struct TOptionsRecord {
  std::uint8_t ConfirmClose = 1;
  std::uint8_t HandleExcel = 0;
  std::uint8_t HandleWord = 0;
  std::uint8_t HandleConsole = 0;
  std::uint8_t TrayMode = 0;  // 0 own icons, 1 one shared icon, 2 group icons
  std::uint8_t EveryDoubleClick = 0;
  std::uint8_t EveryHideInactive = 0;
  std::uint8_t Padding7 = 0;
  std::uint16_t EveryHideMinutes = 5;
  std::uint8_t EveryMenuOrder = 2;
  std::uint8_t EveryShowHiddenCount = 0;
  std::uint8_t AllShowCount = 1;
  std::uint8_t AllRightClick = 0;
  std::uint8_t AllMenuOrder = 2;
  std::uint8_t GroupMinimum = 2;
  std::uint8_t GroupDoubleClick = 0;
  std::uint8_t GroupShowCount = 1;
  std::uint8_t Padding18[2] = {};
  std::uint32_t CountColor = 0x00FF0000;
  std::uint8_t RightClickButton = 3;  // 0 min, 1 max, 2 close, 3 any, 4 none
  std::uint8_t HoldKey = 2;           // 0 Shift, 1 Control, 2 either, 3 none
  std::uint8_t RunAtLogin = 1;
  std::uint8_t Padding27 = 0;
  std::array<THotkeyRecord, HotkeyCount> Hotkeys{};  // entries 1..6 at indexes 0..5
  std::uint8_t ShowSplash = 1;
  std::array<std::uint8_t, 1 + MenuItemTextMax> MenuItemText{};  // length byte, then UTF-8 (older records: ANSI) bytes
  std::uint8_t UseMenuItem = 1;
  std::uint8_t Padding105[3] = {};

  TOptionsRecord();
  // What the tray does with the stored values: an unknown mode is mode 0, a
  // group needs at least one window.
  int EffectiveTrayMode() const { return TrayMode <= 2 ? TrayMode : 0; }
  std::size_t EffectiveGroupMinimum() const { return GroupMinimum == 0 ? 1 : GroupMinimum; }
  std::string MenuText() const;
  void SetMenuText(std::string_view text);  // cut to 50 bytes, between characters
  THotkeyRecord& Hotkey(int number) { return Hotkeys[static_cast<std::size_t>(number - 1)]; }
  const THotkeyRecord& Hotkey(int number) const { return Hotkeys[static_cast<std::size_t>(number - 1)]; }
};

static_assert(sizeof(TOptionsRecord) == 108);
static_assert(offsetof(TOptionsRecord, ConfirmClose) == 0);
static_assert(offsetof(TOptionsRecord, HandleExcel) == 1);
static_assert(offsetof(TOptionsRecord, HandleWord) == 2);
static_assert(offsetof(TOptionsRecord, HandleConsole) == 3);
static_assert(offsetof(TOptionsRecord, TrayMode) == 4);
static_assert(offsetof(TOptionsRecord, EveryDoubleClick) == 5);
static_assert(offsetof(TOptionsRecord, EveryHideInactive) == 6);
static_assert(offsetof(TOptionsRecord, EveryHideMinutes) == 8);
static_assert(offsetof(TOptionsRecord, EveryMenuOrder) == 10);
static_assert(offsetof(TOptionsRecord, EveryShowHiddenCount) == 11);
static_assert(offsetof(TOptionsRecord, AllShowCount) == 12);
static_assert(offsetof(TOptionsRecord, AllRightClick) == 13);
static_assert(offsetof(TOptionsRecord, AllMenuOrder) == 14);
static_assert(offsetof(TOptionsRecord, GroupMinimum) == 15);
static_assert(offsetof(TOptionsRecord, GroupDoubleClick) == 16);
static_assert(offsetof(TOptionsRecord, GroupShowCount) == 17);
static_assert(offsetof(TOptionsRecord, CountColor) == 20);
static_assert(offsetof(TOptionsRecord, RightClickButton) == 24);
static_assert(offsetof(TOptionsRecord, HoldKey) == 25);
static_assert(offsetof(TOptionsRecord, RunAtLogin) == 26);
static_assert(offsetof(TOptionsRecord, Hotkeys) == 28);
static_assert(offsetof(TOptionsRecord, ShowSplash) == 52);
static_assert(offsetof(TOptionsRecord, MenuItemText) == 53);
static_assert(offsetof(TOptionsRecord, UseMenuItem) == 104);

constexpr std::size_t OptionsRecordSize = sizeof(TOptionsRecord);

// The stored image: multi-byte fields little-endian, padding written as zero.
std::array<std::uint8_t, OptionsRecordSize> EncodeOptions(const TOptionsRecord& options);
// Reads bytes over the record, field by field; bytes beyond the given ones keep
// what the record had. At most 108 bytes are taken.
void DecodeOptionsOver(TOptionsRecord& options, std::span<const std::uint8_t> bytes);

}  // namespace velmora
