#pragma once
// Message boxes with scripted answers.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "FakeLog.h"
#include "platform/Dialogs.h"

namespace velmora::fake {

struct MessageBoxCall {
  std::string text{};
  std::string caption{};
  std::uint32_t type = 0;
  int answer = 0;  // filled in when the box closes
};

class FakeDialogs : public Dialogs {
 public:
  explicit FakeDialogs(CallLog* log = nullptr);

  // Answers in the order the boxes close (a box opened by whileShown closes
  // before the box it was opened from). When empty: IDOK for MB_OK and
  // MB_OKCANCEL boxes, IDYES for MB_YESNO and MB_YESNOCANCEL ones.
  std::deque<int> answers;
  // Runs inside MessageBox while the box is up: a request nested in the modal
  // loop. Not run again for a box it opens itself.
  std::function<void()> whileShown;
  std::vector<MessageBoxCall> boxes;
  bool ended = false;  // the program ends its modal loops: the open box and every later one answer IDCANCEL
  std::size_t open = 0, mostOpen = 0;  // boxes open now, and the most ever at once
  std::function<void()> dispatch;      // the box's loop: what was posted to the program

  // Logged as "MessageBox <text>".
  int MessageBox(std::string_view text, std::string_view caption, std::uint32_t type) override;

 private:
  CallLog* log_;
  bool inWhileShown_ = false;
};

}  // namespace velmora::fake
