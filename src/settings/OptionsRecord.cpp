#include "settings/OptionsRecord.h"

#include <algorithm>
#include <cstring>

#include "platform/Utf8.h"

namespace velmora {

namespace {

// Field offsets of the multi-byte fields; everything else is a byte.
constexpr std::size_t HotkeyKeyOffset(std::size_t i) { return offsetof(TOptionsRecord, Hotkeys) + 4 * i + 2; }

void PutU16(std::uint8_t* at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

TOptionsRecord::TOptionsRecord() { SetMenuText(DefaultMenuItemText); }

std::string TOptionsRecord::MenuText() const {
  const std::size_t n = std::min<std::size_t>(MenuItemText[0], MenuItemTextMax);
  return std::string(reinterpret_cast<const char*>(MenuItemText.data() + 1), n);
}

void TOptionsRecord::SetMenuText(std::string_view text) {
  const std::string kept = Utf8PrefixBytes(text, MenuItemTextMax);
  MenuItemText.fill(0);
  MenuItemText[0] = static_cast<std::uint8_t>(kept.size());
  std::memcpy(MenuItemText.data() + 1, kept.data(), kept.size());
}

std::array<std::uint8_t, OptionsRecordSize> EncodeOptions(const TOptionsRecord& o) {
  std::array<std::uint8_t, OptionsRecordSize> out{};
  std::uint8_t* b = out.data();
  b[0] = o.ConfirmClose;
  b[1] = o.HandleExcel;
  b[2] = o.HandleWord;
  b[3] = o.HandleConsole;
  b[4] = o.TrayMode;
  b[5] = o.EveryDoubleClick;
  b[6] = o.EveryHideInactive;
  PutU16(b + 8, o.EveryHideMinutes);
  b[10] = o.EveryMenuOrder;
  b[11] = o.EveryShowHiddenCount;
  b[12] = o.AllShowCount;
  b[13] = o.AllRightClick;
  b[14] = o.AllMenuOrder;
  b[15] = o.GroupMinimum;
  b[16] = o.GroupDoubleClick;
  b[17] = o.GroupShowCount;
  PutU32(b + 20, o.CountColor);
  b[24] = o.RightClickButton;
  b[25] = o.HoldKey;
  b[26] = o.RunAtLogin;
  for (std::size_t i = 0; i < HotkeyCount; ++i) {
    b[offsetof(TOptionsRecord, Hotkeys) + 4 * i] = o.Hotkeys[i].Enabled;
    b[offsetof(TOptionsRecord, Hotkeys) + 4 * i + 1] = o.Hotkeys[i].Modifiers;
    PutU16(b + HotkeyKeyOffset(i), o.Hotkeys[i].Key);
  }
  b[52] = o.ShowSplash;
  std::memcpy(b + 53, o.MenuItemText.data(), o.MenuItemText.size());
  b[104] = o.UseMenuItem;
  return out;
}

void DecodeOptionsOver(TOptionsRecord& o, std::span<const std::uint8_t> bytes) {
  // Start from the record's own image so that a short value keeps the rest.
  auto image = EncodeOptions(o);
  std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
  const std::uint8_t* b = image.data();
  auto u16 = [b](std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); };
  o.ConfirmClose = b[0];
  o.HandleExcel = b[1];
  o.HandleWord = b[2];
  o.HandleConsole = b[3];
  o.TrayMode = b[4];
  o.EveryDoubleClick = b[5];
  o.EveryHideInactive = b[6];
  o.EveryHideMinutes = u16(8);
  o.EveryMenuOrder = b[10];
  o.EveryShowHiddenCount = b[11];
  o.AllShowCount = b[12];
  o.AllRightClick = b[13];
  o.AllMenuOrder = b[14];
  o.GroupMinimum = b[15];
  o.GroupDoubleClick = b[16];
  o.GroupShowCount = b[17];
  o.CountColor = static_cast<std::uint32_t>(b[20]) | (static_cast<std::uint32_t>(b[21]) << 8) |
                 (static_cast<std::uint32_t>(b[22]) << 16) | (static_cast<std::uint32_t>(b[23]) << 24);
  o.RightClickButton = b[24];
  o.HoldKey = b[25];
  o.RunAtLogin = b[26];
  for (std::size_t i = 0; i < HotkeyCount; ++i) {
    o.Hotkeys[i].Enabled = b[offsetof(TOptionsRecord, Hotkeys) + 4 * i];
    o.Hotkeys[i].Modifiers = b[offsetof(TOptionsRecord, Hotkeys) + 4 * i + 1];
    o.Hotkeys[i].Key = u16(HotkeyKeyOffset(i));
  }
  o.ShowSplash = b[52];
  std::memcpy(o.MenuItemText.data(), b + 53, o.MenuItemText.size());
  o.UseMenuItem = b[104];
}

}  // namespace velmora
