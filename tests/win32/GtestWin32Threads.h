#pragma once
// googletest's Notification needs std::mutex, which MinGW's win32 thread model
// lacks. googletest uses it only for its own thread helpers, which these
// tests never start; this replacement is enough for it to compile.
#ifdef __cplusplus
#include <atomic>

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
#endif
