#pragma once
// The change-hotkey dialog as a real window: made once, hidden between uses,
// shown modally by TChangeHotkey through the Controls port. Keys pressed in
// it reach the logic before any control sees them.
#include "settings/TChangeHotkey.h"
#include "text/Texts.h"
#include "ui/DialogControls.h"
#include "win32/Raii.h"

namespace velmora {

class ChangeHotkeyDialog final : public DialogControls {
 public:
  // Client area at 96 DPI; scaled with the DPI of the screen it shows on.
  static constexpr int ClientWidth = 383, ClientHeight = 106;

  explicit ChangeHotkeyDialog(const TextTable& texts, HWND owner = nullptr);
  ~ChangeHotkeyDialog() override;
  ChangeHotkeyDialog(const ChangeHotkeyDialog&) = delete;
  ChangeHotkeyDialog& operator=(const ChangeHotkeyDialog&) = delete;

  // The logic that the dialog's events go to.
  void Connect(TChangeHotkey& logic) { logic_ = &logic; }
  int ShowModal() override;

 private:
  // The form sees every key before the focused control does.
  bool PreTranslate(const MSG& msg) override;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Layout(int dpi);

  TChangeHotkey* logic_ = nullptr;
  UniqueFont font_, bold_;
};

}  // namespace velmora
