#pragma once
// The `Busy` guard: one event path at a time works on the hidden-window list
// and on foreign windows. A path that arrives while another runs waits in
// order and runs when that one ends; nothing that would leave a window on the
// taskbar or hidden is dropped. A failing path releases the guard.
#include <cstddef>
#include <deque>
#include <functional>

namespace velmora {

class EventPaths {
 public:
  using Path = std::function<void()>;
  // More waiting than this is a flood, not a user: the rest is refused.
  static constexpr std::size_t MaxDeferred = 4096;

  EventPaths() = default;
  EventPaths(const EventPaths&) = delete;
  EventPaths& operator=(const EventPaths&) = delete;

  bool Busy() const { return busy_; }
  // A path is on the stack, also one that let others in around a modal loop:
  // nothing it uses may be torn down now.
  bool InPath() const { return depth_ > 0; }
  bool Closed() const { return closed_; }
  std::size_t Deferred() const { return deferred_.size(); }

  // Runs the path now when no other path is at work; false when one is (or
  // the guard is closed), and the path has not run.
  bool TryRun(const Path& path);
  // Runs the path now, or once the running path ends. False when it was refused.
  bool RunOrDefer(Path path);
  // From now on no path runs: the program is ending.
  void Close();

  // Lets other paths in while the running one waits in a modal loop (a menu, a
  // message box); the running path must hold nothing of the list across it.
  class Opening {
   public:
    explicit Opening(EventPaths& paths);
    ~Opening();
    Opening(const Opening&) = delete;
    Opening& operator=(const Opening&) = delete;

   private:
    EventPaths& paths_;
    bool wasBusy_;
  };

 private:
  class Scope;
  void RunDeferred();

  bool busy_ = false;
  int depth_ = 0;
  bool closed_ = false;
  std::deque<Path> deferred_;
};

}  // namespace velmora
