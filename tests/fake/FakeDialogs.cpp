#include "FakeDialogs.h"

#include <algorithm>

#include "platform/WinConst.h"

namespace velmora::fake {

namespace {

int DefaultAnswer(std::uint32_t type) {
  switch (type & 0xF) {
    case 2:  // MB_ABORTRETRYIGNORE
      return 3;  // IDABORT
    case 3:  // MB_YESNOCANCEL
    case win::MB_YESNO:
      return win::IDYES;
    case 5:  // MB_RETRYCANCEL
      return 4;  // IDRETRY
    default:
      return win::IDOK;
  }
}

}  // namespace

FakeDialogs::FakeDialogs(CallLog* log) : log_(log) {}

int FakeDialogs::MessageBox(std::string_view text, std::string_view caption, std::uint32_t type) {
  LogCall(log_, "MessageBox " + std::string(text));
  const std::size_t index = boxes.size();
  boxes.push_back({std::string(text), std::string(caption), type, 0});
  mostOpen = std::max(mostOpen, ++open);
  if (dispatch) dispatch();
  if (whileShown && !inWhileShown_) {
    inWhileShown_ = true;
    try {
      whileShown();
    } catch (...) {
      inWhileShown_ = false;
      --open;
      throw;
    }
    inWhileShown_ = false;
  }
  --open;
  int answer = DefaultAnswer(type);
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  if (ended) answer = win::IDCANCEL;
  boxes[index].answer = answer;
  return answer;
}

}  // namespace velmora::fake
