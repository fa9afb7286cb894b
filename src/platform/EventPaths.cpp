#include "platform/EventPaths.h"

#include <utility>

#include "platform/WinConst.h"

namespace velmora {

// Holds the guard for one path; released on every way out, exceptions too.
class EventPaths::Scope {
 public:
  explicit Scope(EventPaths& paths) : paths_(paths) {
    paths_.busy_ = true;
    ++paths_.depth_;
  }
  ~Scope() {
    paths_.busy_ = false;
    --paths_.depth_;
  }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  EventPaths& paths_;
};

bool EventPaths::TryRun(const Path& path) {
  if (Blocked() || closed_) return false;
  {
    Scope scope(*this);
    path();
  }
  RunDeferred();
  return true;
}

bool EventPaths::RunOrDefer(Path path) {
  if (closed_) return false;
  if (!Blocked()) return TryRun(path);
  deferred_.push_back({0, std::move(path)});
  return true;
}

bool EventPaths::RunOrMerge(std::uint64_t key, Path path) {
  if (closed_) return false;
  if (!Blocked()) return TryRun(path);
  if (auto it = waitingRequests_.find(key); it != waitingRequests_.end()) {
    it->second->path = std::move(path);  // the newest data, in the place of the first
    return true;
  }
  if (waitingRequests_.size() >= MaxDeferredRequests) return false;
  deferred_.push_back({key, std::move(path)});
  waitingRequests_.emplace(key, std::prev(deferred_.end()));
  return true;
}

void EventPaths::Close() {
  closed_ = true;
  deferred_.clear();
  waitingRequests_.clear();
}

void EventPaths::RunDeferred() {
  // One at a time, each under the guard; a failing one leaves the rest queued
  // for the next path that ends.
  while (!Blocked() && !closed_ && !deferred_.empty()) {
    Waiting next = std::move(deferred_.front());
    deferred_.pop_front();
    if (next.key != 0) waitingRequests_.erase(next.key);
    Scope scope(*this);
    next.path();
  }
}

EventPaths::Opening::Opening(EventPaths& paths) : paths_(paths), wasBusy_(paths.busy_) {
  paths_.busy_ = false;
  paths_.RunDeferred();
}

EventPaths::Opening::~Opening() { paths_.busy_ = wasBusy_; }

int AskUser(EventPaths& paths, Dialogs& dialogs, std::string_view text, std::string_view caption,
            std::uint32_t type) {
  if (paths.Closing() || paths.asking_) return win::IDCANCEL;
  struct Asking {
    bool& asking;
    explicit Asking(bool& flag) : asking(flag) { asking = true; }
    ~Asking() { asking = false; }
  } asking(paths.asking_);
  EventPaths::Opening open(paths);
  return dialogs.MessageBox(text, caption, type);
}

}  // namespace velmora
