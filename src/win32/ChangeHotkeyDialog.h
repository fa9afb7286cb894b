#pragma once
// The change-hotkey dialog as a real window: made once, hidden between uses,
// shown modally by TChangeHotkey through the Controls port. Keys pressed in
// it reach the logic before any control sees them.
#include <optional>

#include "platform/Controls.h"
#include "settings/TChangeHotkey.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"

namespace velmora {

class ChangeHotkeyDialog final : public Controls {
 public:
  // Client area at 96 DPI; scaled with the DPI of the screen it shows on.
  static constexpr int ClientWidth = 383, ClientHeight = 106;

  explicit ChangeHotkeyDialog(HWND owner = nullptr);
  ~ChangeHotkeyDialog() override;
  ChangeHotkeyDialog(const ChangeHotkeyDialog&) = delete;
  ChangeHotkeyDialog& operator=(const ChangeHotkeyDialog&) = delete;

  // The logic that the dialog's events go to.
  void Connect(TChangeHotkey& logic) { logic_ = &logic; }
  HWND Window() const { return hwnd_; }

  bool IsChecked(ControlId id) override;
  void SetChecked(ControlId id, bool checked) override;
  bool IsEnabled(ControlId id) override;
  void SetEnabled(ControlId id, bool enabled) override;
  std::string GetText(ControlId id) override;
  void SetText(ControlId id, std::string_view text) override;
  void SetFocus(ControlId id) override;
  ControlId GetFocus() override;
  int ShowModal() override;

 private:
  static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  void Layout(int dpi);
  HWND Item(ControlId id) const { return ::GetDlgItem(hwnd_, id); }

  HWND hwnd_ = nullptr;
  TChangeHotkey* logic_ = nullptr;
  UniqueFont font_, bold_;
  UniqueBrush white_;
  std::optional<int> result_;
};

}  // namespace velmora
