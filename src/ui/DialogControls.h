#pragma once
// The Controls port on a real dialog window: its child controls by
// identifier, the window shown modally or not, moved sideways. Its colours
// follow the palette the system asks for, also while it is open.
#include <optional>
#include <vector>

#include "platform/Controls.h"
#include "ui/Theme.h"
#include "win32/Dpi.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"

namespace velmora {

class DialogControls : public Controls {
 public:
  // The program ends: every modal loop of a dialog returns IDCANCEL, and none opens again.
  static void EndModalLoops();
  HWND Window() const { return hwnd_; }
  // A message of the loop that pumps the dialog, before IsDialogMessage: keys the
  // dialog takes itself, and the focus cues shown once the keyboard is used. True: consumed.
  bool TranslateKeys(const MSG& msg);

  bool IsChecked(ControlId id) override;
  void SetChecked(ControlId id, bool checked) override;
  bool IsEnabled(ControlId id) override;
  void SetEnabled(ControlId id, bool enabled) override;
  std::string GetText(ControlId id) override;
  void SetText(ControlId id, std::string_view text) override;
  void SetFocus(ControlId id) override;
  ControlId GetFocus() override;
  // A track bar's position.
  std::int64_t GetPosition(ControlId id) override;
  void SetPosition(ControlId id, std::int64_t position) override;
  // Runs until EndModal; other windows of the program keep working.
  int ShowModal() override;
  void ShowWindow(bool visible) override;
  bool IsWindowVisible() override;
  void SetForegroundWindow() override;

 protected:
  DialogControls() = default;
  ~DialogControls() override = default;
  HWND Item(ControlId id) const { return ::GetDlgItem(hwnd_, id); }
  void EndModal(int result) { result_ = result; }

  // A key message for the dialog, taken before the dialog manager; true: consumed.
  virtual bool PreTranslate(const MSG&) { return false; }
  // Where the focus goes when the dialog opens: the first control in tab order.
  virtual HWND FirstControl() const;
  // The dialog opens: the focus goes to its first control, now or once it is active.
  void FocusFirstControl();
  // Placed at the centre of the work area.
  void Centre();
  // The dialogs' font (Tahoma) at a size in points for the DPI.
  static UniqueFont DialogFont(int dpi, int points, bool bold = false, bool underline = false);
  // A control at its place given at 96 DPI, scaled, with its font.
  void PlaceScaled(ControlId id, const RECT& at, int dpi, HFONT font, int shift = 0);
  // The window sized for a client area given at 96 DPI, or in pixels.
  void SizeClient(int width, int height, int dpi) {
    SizeClientPixels(ScaleForDpi(width, dpi), ScaleForDpi(height, dpi), dpi);
  }
  void SizeClientPixels(int width, int height, int dpi);
  // Moved to where the system suggests on a change of DPI (WM_DPICHANGED's
  // rectangle), so that a dialog dragged to another screen stays under the
  // pointer instead of going back and forth; its size is the layout's own.
  void MoveToSuggested(LPARAM suggested);
  // The window procedure of both dialogs: the messages go to Handle, a fault is contained.
  static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  virtual LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // Destroys the window, which then no longer reaches Handle.
  void DestroyDialog();
  // Buttons, check boxes, radio items and group boxes drawn in the palette,
  // each keeping its own type and behaviour; once the controls exist.
  void DrawControlsInPalette();
  const PaletteColours& colours() const { return theme_.colours(); }
  // The palette was read again: for what the dialog draws beyond its controls.
  virtual void PaletteChanged(Palette) {}

  HWND hwnd_ = nullptr;
  ControlId linkControl_ = 0;              // the button drawn as a link
  std::vector<ControlId> textControls_;    // buttons drawn as plain text
  // Controls named for screen readers by the label in front of them: the control, the label.
  void NameByLabel(ControlId control, ControlId label);

 private:
  // The pages, the controls' colours and the flat drawing; true: handled, with the result.
  bool Paint(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The palette read again and the window drawn anew in it.
  void RefreshTheme();
  // Keeps the focus on a control, as the dialog manager does: saved when the
  // dialog goes inactive, given back when it is active again; true: handled.
  bool KeepFocus(UINT msg, WPARAM wParam);
  void FixDefaultButton();
  static LRESULT CALLBACK ButtonProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self) noexcept;

  static LRESULT CALLBACK NameProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR label) noexcept;

  std::optional<int> result_;
  HWND savedFocus_ = nullptr;
  Theme theme_;
};

}  // namespace velmora
