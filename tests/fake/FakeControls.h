#pragma once
// A dialog's controls in memory; ShowModal runs the test's script of what the
// user does while the dialog is up, and answers what the script returns.
#include <functional>
#include <map>
#include <string>

#include "platform/Controls.h"

namespace velmora::fake {

struct FakeControl {
  bool checked = false;
  bool enabled = true;
  std::string text{};
};

class FakeControls : public Controls {
 public:
  std::map<ControlId, FakeControl> controls;
  ControlId focus = 0;
  int modalRuns = 0;
  // The user's actions while the dialog is up; the result the dialog ends with.
  std::function<int()> whileShown;

  bool IsChecked(ControlId id) override { return controls[id].checked; }
  void SetChecked(ControlId id, bool checked) override { controls[id].checked = checked; }
  bool IsEnabled(ControlId id) override { return controls[id].enabled; }
  void SetEnabled(ControlId id, bool enabled) override { controls[id].enabled = enabled; }
  std::string GetText(ControlId id) override { return controls[id].text; }
  void SetText(ControlId id, std::string_view text) override { controls[id].text = std::string(text); }
  void SetFocus(ControlId id) override { focus = id; }
  ControlId GetFocus() override { return focus; }
  int ShowModal() override {
    ++modalRuns;
    return whileShown ? whileShown() : 2;  // IDCANCEL: the close button
  }
};

}  // namespace velmora::fake
