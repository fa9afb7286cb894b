#include "platform/EventPaths.h"

#include <utility>

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
  if (busy_ || closed_) return false;
  {
    Scope scope(*this);
    path();
  }
  RunDeferred();
  return true;
}

bool EventPaths::RunOrDefer(Path path) {
  if (closed_) return false;
  if (!busy_) return TryRun(path);
  if (deferred_.size() >= MaxDeferred) return false;
  deferred_.push_back(std::move(path));
  return true;
}

void EventPaths::Close() {
  closed_ = true;
  deferred_.clear();
}

void EventPaths::RunDeferred() {
  // One at a time, each under the guard; a failing one leaves the rest queued
  // for the next path that ends.
  while (!busy_ && !closed_ && !deferred_.empty()) {
    Path next = std::move(deferred_.front());
    deferred_.pop_front();
    Scope scope(*this);
    next();
  }
}

EventPaths::Opening::Opening(EventPaths& paths) : paths_(paths), wasBusy_(paths.busy_) {
  paths_.busy_ = false;
  paths_.RunDeferred();
}

EventPaths::Opening::~Opening() { paths_.busy_ = wasBusy_; }

}  // namespace velmora
