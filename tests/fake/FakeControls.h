#pragma once
// A dialog's controls in memory; ShowModal runs the test's script of what the
// user does while the dialog is up, and answers what the script returns.
#include <functional>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Controls.h"

namespace velmora::fake {

struct FakeControl {
  bool checked = false;
  bool enabled = true;
  std::string text{};
  std::int64_t position = 0;
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
  std::int64_t GetPosition(ControlId id) override { return controls[id].position; }
  // A list, like the real one, selects no row that it does not have, and none after a new filling.
  void SetPosition(ControlId id, std::int64_t position) override {
    const auto list = rows.find(id);
    const bool within = list == rows.end() || (position >= 0 && position < std::ssize(list->second));
    controls[id].position = within ? position : -1;
  }
  std::map<ControlId, std::vector<std::vector<std::string>>> rows;
  void SetRows(ControlId id, const std::vector<std::vector<std::string>>& cells) override {
    rows[id] = cells;
    controls[id].position = -1;
  }
  int ShowModal() override {
    ++modalRuns;
    return whileShown ? whileShown() : 2;  // IDCANCEL: the close button
  }
  bool visible = false;
  int foregroundCalls = 0;
  void ShowWindow(bool show) override { visible = show; }
  bool IsWindowVisible() override { return visible; }
  void SetForegroundWindow() override { ++foregroundCalls; }
};

}  // namespace velmora::fake
