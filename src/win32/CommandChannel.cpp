#include "win32/CommandChannel.h"

#include <sddl.h>

#include <utility>

#include "hook/MemBlock.h"
#include "main/CommandLine.h"
#include "win32/Convert.h"

namespace velmora {

namespace {

constexpr DWORD ReadMs = 10000;      // a client that connects sends its command at once
constexpr DWORD WriteMs = 2000;      // the answer is four bytes into an empty pipe
constexpr DWORD CloseMs = 1000;      // for the client to take the answer and close its end
constexpr DWORD StartedMs = 20000;   // a command the UI thread has begun: its sends are bounded
constexpr std::size_t AnswerSize = 4;

// A token's information of one class; empty when it cannot be read.
std::vector<std::uint8_t> TokenInfo(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  DWORD size = 0;
  ::GetTokenInformation(token, kind, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<std::uint8_t> info(size);
  if (!::GetTokenInformation(token, kind, info.data(), size, &size)) return {};
  return info;
}

// The token's user SID as bytes.
std::vector<std::uint8_t> UserSid(HANDLE token) {
  const auto info = TokenInfo(token, TokenUser);
  if (info.empty()) return {};
  const PSID sid = reinterpret_cast<const TOKEN_USER*>(info.data())->User.Sid;
  if (!::IsValidSid(sid)) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(sid);
  return {bytes, bytes + ::GetLengthSid(sid)};
}

// The RID of the token's integrity label (0x2000 medium, 0x3000 high, ...); nullopt when unknown.
std::optional<DWORD> IntegrityLevel(HANDLE token) {
  const auto info = TokenInfo(token, TokenIntegrityLevel);
  if (info.empty()) return std::nullopt;
  const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(info.data())->Label.Sid;
  if (!::IsValidSid(sid) || *::GetSidSubAuthorityCount(sid) == 0) return std::nullopt;
  return *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1u);
}

UniqueHandle OwnToken() {
  HANDLE token = nullptr;
  return UniqueHandle(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) ? token : nullptr);
}

std::wstring SidText(std::vector<std::uint8_t> sid) {
  wchar_t* text = nullptr;
  if (sid.empty() || !::ConvertSidToStringSidW(sid.data(), &text)) return {};
  std::wstring out(text);
  ::LocalFree(text);
  return out;
}

// Waits for an overlapped call on the pipe (and for stop, when given). A call
// that does not complete in time is cancelled and waited for, so that its
// buffer and OVERLAPPED are ours again when this returns.
bool Finish(HANDLE pipe, BOOL done, OVERLAPPED& io, DWORD ms, HANDLE stop, DWORD* bytes = nullptr) {
  if (!done && ::GetLastError() != ERROR_IO_PENDING) return false;
  const HANDLE waits[] = {io.hEvent, stop};
  DWORD got = 0;
  if (::WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, ms) != WAIT_OBJECT_0) {
    ::CancelIoEx(pipe, &io);
    ::GetOverlappedResult(pipe, &io, &got, TRUE);
    return false;
  }
  const BOOL ok = ::GetOverlappedResult(pipe, &io, &got, FALSE);
  if (bytes) *bytes = got;
  return ok != FALSE;
}

OVERLAPPED Overlapped(HANDLE event) {
  OVERLAPPED io{};
  io.hEvent = event;
  ::ResetEvent(event);
  return io;
}

}  // namespace

std::wstring CommandPipeName() {
  const UniqueHandle token = OwnToken();
  DWORD session = 0;
  if (!token || !::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) return {};
  const std::wstring user = SidText(UserSid(token.get()));
  return user.empty() ? std::wstring() : L"\\\\.\\pipe\\Velmora." + user + L"." + WideNumber(session);
}

// What a command's sender and the UI thread share: the answer, and whether the
// sender still waits for it.
struct CommandServer::Exchange {
  enum class State { Waiting, Started, Answered, Abandoned };
  SRWLOCK lock = SRWLOCK_INIT;
  State state = State::Waiting;
  int code = ExitUnreachable;
  UniqueHandle answered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};

  // f runs under the lock; it may change the state.
  template <class F>
  auto Locked(F f) {
    ::AcquireSRWLockExclusive(&lock);
    auto result = f();
    ::ReleaseSRWLockExclusive(&lock);
    return result;
  }
};

CommandServer::CommandServer(std::wstring pipeName, HWND notify, UINT message)
    : name_(std::move(pipeName)), notify_(notify), message_(message) {}

CommandServer::~CommandServer() { Stop(); }

bool CommandServer::Start() {
  if (thread_ || name_.empty()) return false;
  const UniqueHandle token = OwnToken();
  const auto integrity = token ? IntegrityLevel(token.get()) : std::nullopt;
  user_ = token ? UserSid(token.get()) : std::vector<std::uint8_t>{};
  const std::wstring user = SidText(user_);
  if (user.empty() || !integrity) return false;
  integrity_ = *integrity;
  // The user alone, nobody else; writing only from this integrity level up.
  const std::wstring sddl =
      L"D:P(A;;GA;;;" + user + L")S:(ML;;NW;;;S-1-16-" + WideNumber(integrity_) + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const DWORD open = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE;
  const DWORD mode = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
  const auto in = static_cast<DWORD>(CommandLimit);
  pipe_ = OwnFile(::CreateNamedPipeW(name_.c_str(), open, mode, 1, 64, in, 0, &attributes));
  ::LocalFree(descriptor);
  stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  io_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!pipe_ || !stop_ || !io_) return false;
  thread_.reset(::CreateThread(nullptr, 0, &CommandServer::ThreadMain, this, 0, nullptr));
  return thread_ != nullptr;
}

void CommandServer::Stop() {
  if (thread_) {
    ::SetEvent(stop_.get());
    // Every wait of the thread ends with the stop, or within CloseMs of it.
    if (::WaitForSingleObject(thread_.get(), 5000) != WAIT_OBJECT_0) {
      // Not ended: what it still uses stays, rather than be freed under it.
      (void)pipe_.release();
      (void)io_.release();
      (void)stop_.release();
    }
    thread_.reset();
  }
  pipe_.reset();
  ::AcquireSRWLockExclusive(&lock_);
  queue_.clear();
  ::ReleaseSRWLockExclusive(&lock_);
}

bool CommandServer::Stopping() const { return ::WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0; }

std::vector<HandedCommand> CommandServer::TakeCommands() {
  ::AcquireSRWLockExclusive(&lock_);
  auto queued = std::exchange(queue_, {});
  ::ReleaseSRWLockExclusive(&lock_);
  std::vector<HandedCommand> commands;
  for (auto& [message, exchange] : queued) {
    auto reply = [exchange](int code) {
      exchange->Locked([&] {
        if (exchange->state == Exchange::State::Waiting || exchange->state == Exchange::State::Started) {
          exchange->state = Exchange::State::Answered;
          exchange->code = code;
          ::SetEvent(exchange->answered.get());
        }
        return 0;
      });
    };
    auto wanted = [exchange] {
      return exchange->Locked([&] {
        if (exchange->state == Exchange::State::Waiting) exchange->state = Exchange::State::Started;
        return exchange->state == Exchange::State::Started;
      });
    };
    commands.push_back({std::move(message), std::move(reply), std::move(wanted)});
  }
  return commands;
}

DWORD WINAPI CommandServer::ThreadMain(void* self) noexcept {
  try {
    static_cast<CommandServer*>(self)->Serve();
  } catch (...) {
    // The channel ends; Velmora goes on without its command line.
  }
  return 0;
}

void CommandServer::Serve() {
  while (!Stopping()) {
    OVERLAPPED io = Overlapped(io_.get());
    const BOOL done = ::ConnectNamedPipe(pipe_.get(), &io);
    // A client that came between two connects is connected already.
    const bool connected =
        (!done && ::GetLastError() == ERROR_PIPE_CONNECTED) || Finish(pipe_.get(), done, io, INFINITE, stop_.get());
    if (Stopping()) return;
    // A connect that fails at once is not tried again at once.
    if (connected ? !ServeClient() : ::WaitForSingleObject(stop_.get(), 100) == WAIT_OBJECT_0) return;
    ::DisconnectNamedPipe(pipe_.get());
  }
}

bool CommandServer::ServeClient() {
  std::string message(CommandLimit + 1, '\0');
  OVERLAPPED io = Overlapped(io_.get());
  DWORD got = 0;
  BOOL done = ::ReadFile(pipe_.get(), message.data(), static_cast<DWORD>(message.size()), nullptr, &io);
  // More than the channel takes is refused unread, as is a client that sends nothing.
  if (!Finish(pipe_.get(), done, io, ReadMs, stop_.get(), &got) || got == 0 || got > CommandLimit) return true;
  message.resize(got);
  bool fatal = false;
  if (!ClientTrusted(fatal)) return !fatal;

  auto exchange = std::make_shared<Exchange>();
  ::AcquireSRWLockExclusive(&lock_);
  queue_.emplace_back(std::move(message), exchange);
  ::ReleaseSRWLockExclusive(&lock_);
  const bool handed = ::PostMessageW(notify_, message_, RQ_COMMAND, 0) != FALSE;
  const int code = handed ? AwaitAnswer(exchange) : ExitUnreachable;

  const std::uint8_t answer[AnswerSize] = {static_cast<std::uint8_t>(code), 0, 0, 0};
  io = Overlapped(io_.get());
  done = ::WriteFile(pipe_.get(), answer, AnswerSize, nullptr, &io);
  if (Finish(pipe_.get(), done, io, WriteMs, nullptr)) {
    // Disconnecting drops what the client has not read: it reads the answer and closes first.
    char rest = 0;
    io = Overlapped(io_.get());
    done = ::ReadFile(pipe_.get(), &rest, 1, nullptr, &io);
    Finish(pipe_.get(), done, io, CloseMs, nullptr);
  }
  return true;
}

bool CommandServer::ClientTrusted(bool& fatal) {
  // The identity of the message just read, from the client's token; nothing the client says counts.
  if (!::ImpersonateNamedPipeClient(pipe_.get())) return false;
  HANDLE token = nullptr;
  const BOOL opened = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
  if (!::RevertToSelf()) {
    fatal = true;  // still the client: this thread does nothing more
    if (opened) ::CloseHandle(token);
    return false;
  }
  if (!opened) return false;
  const UniqueHandle client(token);
  const auto integrity = IntegrityLevel(client.get());
  return UserSid(client.get()) == user_ && integrity && *integrity >= integrity_;
}

int CommandServer::AwaitAnswer(const std::shared_ptr<Exchange>& exchange) {
  using State = Exchange::State;
  const HANDLE waits[] = {exchange->answered.get(), stop_.get()};
  // First for the UI thread to take the command; once begun, for it to end.
  for (const DWORD bound : {HandOverMs, StartedMs}) {
    const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, bound);
    const auto [state, code] = exchange->Locked([&] {
      const bool begun = exchange->state == State::Started && woke == WAIT_TIMEOUT && bound == HandOverMs;
      // Given up on: when its turn comes, the UI thread finds it unwanted.
      if (exchange->state != State::Answered && !begun) exchange->state = State::Abandoned;
      return std::make_pair(exchange->state, exchange->code);
    });
    if (state == State::Answered) return code;
    if (state == State::Abandoned) break;
  }
  return ExitUnreachable;
}

CommandConnection::CommandConnection(const std::wstring& pipeName, DWORD waitMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    // Identification only: the server may read who this is, never act as this user.
    HANDLE pipe = ::CreateFileW(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) {
      pipe_.reset(pipe);
      break;
    }
    const DWORD error = ::GetLastError();
    const DWORD spent = ::GetTickCount() - start;
    if (error == ERROR_FILE_NOT_FOUND) status_ = Status::NoServer;
    if (error == ERROR_ACCESS_DENIED) status_ = Status::Refused;
    if (error != ERROR_PIPE_BUSY || spent >= waitMs) return;
    ::WaitNamedPipeW(pipeName.c_str(), waitMs - spent);
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  if (::SetNamedPipeHandleState(pipe_.get(), &mode, nullptr, nullptr))
    status_ = Status::Connected;
  else
    pipe_.reset();
}

DWORD CommandConnection::ServerProcessId() const {
  ULONG pid = 0;
  return pipe_ && ::GetNamedPipeServerProcessId(pipe_.get(), &pid) ? pid : 0;
}

std::optional<int> CommandConnection::Send(std::string_view message, DWORD timeoutMs) {
  const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!pipe_ || !event || message.size() > CommandLimit) return std::nullopt;
  OVERLAPPED io = Overlapped(event.get());
  BOOL done = ::WriteFile(pipe_.get(), message.data(), static_cast<DWORD>(message.size()), nullptr, &io);
  if (!Finish(pipe_.get(), done, io, WriteMs, nullptr)) return std::nullopt;
  std::uint8_t answer[AnswerSize * 2] = {};
  DWORD got = 0;
  io = Overlapped(event.get());
  done = ::ReadFile(pipe_.get(), answer, sizeof answer, nullptr, &io);
  if (!Finish(pipe_.get(), done, io, timeoutMs, nullptr, &got) || got != AnswerSize) return std::nullopt;
  pipe_.reset();  // the server waits for this end to close
  return static_cast<int>(answer[0] | answer[1] << 8 | answer[2] << 16 | static_cast<unsigned>(answer[3]) << 24);
}

}  // namespace velmora
