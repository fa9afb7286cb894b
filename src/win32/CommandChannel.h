#pragma once
// The command channel: a named pipe that Velmora serves for its command line.
// A window message cannot tell who sent it; a pipe can: the server checks each
// client from the client's own token (the same user, at Velmora's integrity
// level or above), never from anything the message says. One pipe per user and
// session, made first by Velmora (a name taken before refuses the server), open
// to the user alone, labelled at Velmora's own integrity level so that programs
// below it cannot write to it, and closed to other machines.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

 private:
  static DWORD WINAPI ThreadMain(void* self) noexcept;
  void Serve();
  // One client on the connected pipe; false when serving must end.
  bool ServeClient();
  // The client's own token: this user, at this process's integrity level or above.
  // fatal: the thread could not stop impersonating and must end.
  bool ClientTrusted(bool& fatal);
  int AwaitAnswer(const std::shared_ptr<Exchange>& exchange);
  bool Stopping() const;

  std::wstring name_;
  std::vector<std::uint8_t> user_;  // this process's user SID
  DWORD integrity_ = 0;             // and its integrity level (the label's RID)
  HWND notify_;
  UINT message_;
  UniqueHandle pipe_, stop_, io_, thread_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::deque<std::pair<std::string, std::shared_ptr<Exchange>>> queue_;
};

// The client's side: one command, one answer.
class CommandConnection {
 public:
  enum class Status { Connected, NoServer, Refused, Failed };

  // Waits up to waitMs for a pipe that serves another client.
  explicit CommandConnection(const std::wstring& pipeName, DWORD waitMs = 5000);
  Status status() const { return status_; }
  // The process that serves the pipe; 0 when it cannot be told.
  DWORD ServerProcessId() const;
  // Sends the message and waits up to timeoutMs for the exit code; nullopt
  // when none came (refused, too large, given up, or the server ended).
  std::optional<int> Send(std::string_view message, DWORD timeoutMs);

 private:
  UniqueHandle pipe_;
  Status status_ = Status::Failed;
};

}  // namespace velmora
