#pragma once
// The controls of one of Velmora's dialogs, by identifier, and its modal run:
// what the dialog logic reads and sets, shaped after the Win32 calls.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"

namespace velmora {

using ControlId = int;

class Controls {
 public:
  Controls() = default;
  Controls(const Controls&) = delete;
  Controls& operator=(const Controls&) = delete;
  virtual ~Controls() = default;

  virtual bool IsChecked(ControlId id) = 0;
  virtual void SetChecked(ControlId id, bool checked) = 0;
  virtual bool IsEnabled(ControlId id) = 0;
  virtual void SetEnabled(ControlId id, bool enabled) = 0;
  virtual std::string GetText(ControlId id) = 0;  // UTF-8
  virtual void SetText(ControlId id, std::string_view text) = 0;
  virtual void SetFocus(ControlId id) = 0;
  virtual ControlId GetFocus() = 0;
  // A track bar's position, a page control's page, a colour list's colour, a
  // list's selected row (-1: none).
  virtual std::int64_t GetPosition(ControlId id) = 0;
  virtual void SetPosition(ControlId id, std::int64_t position) = 0;
  // A list's rows, each its cells in column order (UTF-8); new rows start with
  // none selected. Dialogs without a list have nothing to fill.
  virtual void SetRows(ControlId, const std::vector<std::vector<std::string>>&) {}
  // Where a menu opened by a control pops up: below it, on the screen; false
  // when that cannot be told.
  virtual bool GetMenuPoint(ControlId, int&, int&) { return false; }

  // The dialog window itself; it owns the menus it opens.
  virtual Hwnd DialogWindow() { return {}; }
  // Shows the dialog modally until it ends; the result it ended with (IDOK, IDCANCEL).
  virtual int ShowModal() = 0;
  // A modeless dialog: shown or hidden, brought to the front.
  virtual void ShowWindow(bool visible) = 0;
  virtual bool IsWindowVisible() = 0;
  virtual void SetForegroundWindow() = 0;
};

}  // namespace velmora
