#pragma once
// The `Busy` guard: one event path at a time works on the hidden-window list
// and on foreign windows. A path that arrives while another runs waits in
// order and runs when that one ends. What the user or the session asks for is
// never refused; hook requests that wait are merged per window and code, so
// that no flood can crowd anything out. A failing path releases the guard.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <string_view>
#include <unordered_map>

#include "platform/Dialogs.h"

namespace velmora {

class EventPaths {
 public:
  using Path = std::function<void()>;
  // More hook requests waiting than this is a flood: the rest is refused, and
  // the sweep catches what they were about.
  static constexpr std::size_t MaxDeferredRequests = 4096;

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
  // the guard is held or closed), and the path has not run.
  bool TryRun(const Path& path);
  // Runs the path now, or once the running path ends. Refused only once closed.
  bool RunOrDefer(Path path);
  // A hook request: like RunOrDefer, but a request with the same key that is
  // still waiting is replaced by this one. False when refused (closed, or a flood).
  bool RunOrMerge(std::uint64_t key, Path path);

  // Until Release, every path waits: start-up has not made what they use yet.
  void Hold() { held_ = true; }
  void Release() { held_ = false; }
  // The program is asked to end: no modal loop opens any more.
  void SetClosing() { closing_ = true; }
  bool Closing() const { return closing_ || closed_; }
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
  struct Waiting {
    std::uint64_t key;  // 0: a user or session path, never merged
    Path path;
  };
  friend int AskUser(EventPaths& paths, Dialogs& dialogs, std::string_view text, std::string_view caption,
                     std::uint32_t type);
  void RunDeferred();
  bool Blocked() const { return busy_ || held_; }

  bool busy_ = false;
  bool held_ = false;
  int depth_ = 0;
  bool closing_ = false;
  bool closed_ = false;
  bool asking_ = false;  // a message box of Velmora's is open: no other question is asked meanwhile
  std::list<Waiting> deferred_;
  std::unordered_map<std::uint64_t, std::list<Waiting>::iterator> waitingRequests_;
};

// A message box as an event path asks it: the guard open meanwhile, and
// answered IDCANCEL at once while the program is ending or while another of
// Velmora's boxes is open (one question at a time, none stacked on another).
int AskUser(EventPaths& paths, Dialogs& dialogs, std::string_view text, std::string_view caption,
            std::uint32_t type);

}  // namespace velmora
