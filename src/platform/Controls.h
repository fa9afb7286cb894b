#pragma once
// The controls of one of Velmora's dialogs, by identifier, and its modal run:
// what the dialog logic reads and sets, shaped after the Win32 calls.
#include <cstdint>
#include <string>
#include <string_view>

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
  // Shows the dialog modally until it ends; the result it ended with (IDOK, IDCANCEL).
  virtual int ShowModal() = 0;
};

}  // namespace velmora
