#pragma once
// The command channel: a named pipe that Velmora serves for its command line.
// A window message cannot tell who sent it; a pipe can: the server checks each
// client from the client's own tokens (its process's as it connects, then the
// one it sends with, which decides: the same user, at Velmora's integrity
// level or above), never from anything the message says; the client checks
// the server's process the same way (the same user, at the client's level or
// above, in its session). One pipe per user and session, made first by Velmora
// (a name taken before refuses the server), open to the user alone, labelled
// at Velmora's own integrity level so that programs below it can neither write
// to it nor read from it, and closed to other machines. Several instances
// serve it: whenever every instance is busy another one listens, so that a
// client that sends nothing (dropped after a second) holds up no one.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/ProcessIdentity.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"

namespace velmora {

// Posted to the main window (wParam RQ_COMMAND) when a command waits for the
// UI thread; it only makes that thread take what the server has queued.
inline constexpr UINT CommandHandOverMessage = WM_APP + 0x40;

// "\\.\pipe\Velmora.<user SID>.<session id>" for this process's user and
// session; "" when they cannot be read.
std::wstring CommandPipeName();

// A command as the UI thread takes it from the server.
struct HandedCommand {
  std::string message;
  // Once, with the exit code; later calls and calls after the server gave up do nothing.
  std::function<void(int)> reply;
  // Asked when the command's turn comes: false once the server gave up on it.
  std::function<bool()> wanted;
};

class CommandServer {
 public:
  // How long a client waits for the UI thread to take its command; then it is answered 3.
  static constexpr DWORD HandOverMs = 10000;
  // A client that has sent nothing this long after it connected is dropped.
  static constexpr DWORD SilentMs = 1000;
  // Instances of the pipe at most; one more is made whenever all are busy.
  static constexpr DWORD MaxInstances = 16;

  CommandServer(std::wstring pipeName, HWND notify, UINT message = CommandHandOverMessage);
  ~CommandServer();
  CommandServer(const CommandServer&) = delete;
  CommandServer& operator=(const CommandServer&) = delete;

  // Makes the pipe and starts serving it; false when the pipe cannot be made
  // (the name is taken: another program was first).
  bool Start();
  // Ends serving: a client still waiting is answered 3. Returns within a second or two.
  void Stop();

  // On the UI thread, at the hand-over message: the commands accepted since.
  std::vector<HandedCommand> TakeCommands();

  struct Exchange;
  struct Instance;

 private:
  static DWORD WINAPI ThreadMain(void* self) noexcept;
  void Serve();
  // A new instance of the pipe; the first one only when no instance of the name exists.
  UniqueHandle MakeInstance(bool first) const;
  // One step of an instance whose call completed, whose answer came, or whose time is up;
  // false when serving must end.
  bool Advance(Instance& instance, ULONGLONG now);
  void Listen(Instance& instance, ULONGLONG now);
  void Connected(Instance& instance, ULONGLONG now);
  bool Received(Instance& instance, ULONGLONG now);
  void Respond(Instance& instance, int code, ULONGLONG now);
  // Drops the client (if any) and listens again, unless serving ends.
  void Recycle(Instance& instance, ULONGLONG now);
  // The process at the other end, as it connects: this user, at this level or above.
  bool ClientProcessTrusted(HANDLE pipe) const;
  // The token the client sent its message with: the deciding check.
  // fatal: the thread could not stop impersonating and must end.
  bool ClientTrusted(HANDLE pipe, bool& fatal) const;
  // Queues the command and wakes the UI thread; null when that failed and the
  // command was withdrawn (the UI thread will never carry it out).
  std::shared_ptr<Exchange> HandOver(std::string message);
  // Takes the command out of the queue if it is still there.
  void Dequeue(const std::shared_ptr<Exchange>& exchange);
  bool Stopping() const;

  std::wstring name_;
  ProcessIdentity own_;  // this process's user and integrity level
  std::shared_ptr<void> descriptor_;  // of every instance
  HWND notify_;
  UINT message_;
  UniqueHandle first_, stop_, thread_;
  bool stopping_ = false;  // the serving thread's own: the stop has been seen
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::deque<std::pair<std::string, std::shared_ptr<Exchange>>> queue_;
};

// The client's side: one command, one answer.
class CommandConnection {
 public:
  enum class Status { Connected, NoServer, Refused, Untrusted, Failed };

  // Waits up to waitMs for a pipe that serves another client. The server is
  // taken only when its process runs as this process's user, at this
  // process's integrity level or above, in its session (else Untrusted).
  explicit CommandConnection(const std::wstring& pipeName, DWORD waitMs = 5000);
  // The same with the identity the server's process must match.
  CommandConnection(const std::wstring& pipeName, const ProcessIdentity& accepted, DWORD waitMs = 5000);
  Status status() const { return status_; }
  // The process that serves the pipe; 0 when it cannot be told.
  DWORD ServerProcessId() const;
  // Sends the message and waits up to timeoutMs for the exit code; nullopt
  // when none came (refused, too large, given up, or the server ended).
  std::optional<int> Send(std::string_view message, DWORD timeoutMs);

 private:
  void Connect(const std::wstring& pipeName, const std::optional<ProcessIdentity>& accepted, DWORD waitMs);

  UniqueHandle pipe_;
  Status status_ = Status::Failed;
};

}  // namespace velmora
