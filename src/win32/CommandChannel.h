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
  // Once, with the exit code and the text the command prints (UTF-8, at most
  // AnswerTextLimit bytes); later calls and calls after the server gave up do nothing.
  std::function<void(int, std::string)> reply;
  // Asked when the command's turn comes: false once the server gave up on it.
  std::function<bool()> wanted;
};

class CommandServer {
 public:
  // How long a client waits for the UI thread to take its command; then it is answered 3.
  static constexpr DWORD HandOverMs = 10000;
  // A client that has sent nothing this long after it connected is dropped.
  static constexpr DWORD SilentMs = 1000;
  // Instances of the pipe at most, the listening one among them: so many clients are
  // served at once (a new instance listens whenever all are busy), and one more waits.
  static constexpr DWORD MaxInstances = 16;

  CommandServer(std::wstring pipeName, HWND notify, UINT message = CommandHandOverMessage);
  ~CommandServer();
  CommandServer(const CommandServer&) = delete;
  CommandServer& operator=(const CommandServer&) = delete;

  // Makes the pipe and starts serving it; false when the pipe cannot be made
  // (the name is taken: another program was first).
  bool Start();
  // Ends serving: a client still waiting is answered 3. Returns within a second
  // or two, 5 s at most; a thread that has not ended by then ends on its own.
  void Stop();

  // On the UI thread, at the hand-over message: the commands accepted since.
  std::vector<HandedCommand> TakeCommands();

  struct Exchange;
  struct Instance;
  class Core;

 private:
  static DWORD WINAPI ThreadMain(void* core) noexcept;

  // All the serving thread uses, shared with it: a thread that a stop waited
  // for in vain keeps it alive until it ends, so nothing is freed under it.
  std::shared_ptr<Core> core_;
  UniqueHandle thread_;
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
  // Sends the message and waits up to timeoutMs for the exit code, and the
  // text that came with it into text; nullopt when none came (refused, too
  // large, given up, or the server ended).
  std::optional<int> Send(std::string_view message, DWORD timeoutMs, std::string* text = nullptr);

 private:
  void Connect(const std::wstring& pipeName, const std::optional<ProcessIdentity>& accepted, DWORD waitMs);

  UniqueHandle pipe_;
  Status status_ = Status::Failed;
};

}  // namespace velmora
