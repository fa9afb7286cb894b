#pragma once
// The change-hotkey dialog's rules: the user picks modifiers with four check
// boxes and a key by pressing it; the dialog only collects the combination.
#include <cstdint>
#include <string_view>

#include "platform/Controls.h"

namespace velmora {

// The dialog's controls, in tab order after the label.
enum ChangeHotkeyControl : ControlId {
  LabelHK = 101,
  cbctrl,
  cbshift,
  cbalt,
  cbwin,
  EditHK,
  Label1,
  bchange,
  bcancel,
};

class TChangeHotkey {
 public:
  explicit TChangeHotkey(Controls& controls) : controls_(controls) {}

  // Shows the dialog for one hotkey; true with the new combination when the
  // user confirmed, false with the old one otherwise.
  bool Execute(std::string_view caption, std::uint8_t modifiers, std::uint16_t key, std::uint8_t& newModifiers,
               std::uint16_t& newKey);

  // A key pressed anywhere in the dialog, before the focused control sees it:
  // true when it was taken as the hotkey's key (and must go no further).
  bool EditHKKeyDown(std::uint16_t key);
  // The edit box never keeps the focus.
  void EditHKEnter();
  void cbctrlClick() { UpdateChangeButton(); }
  void UpdateChangeButton();

  std::uint16_t FKey = 0;

 private:
  Controls& controls_;
};

}  // namespace velmora
