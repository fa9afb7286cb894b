#include "win32/CommandChannel.h"

#include <sddl.h>

#include <algorithm>
#include <new>
#include <utility>

#include "hook/MemBlock.h"
#include "platform/CommandWire.h"
#include "win32/Convert.h"

namespace velmora {

namespace {

constexpr DWORD WriteMs = 2000;      // the answer, which the client reads whole at once
constexpr DWORD CloseMs = 1000;      // for the client to take the answer and close its end
constexpr DWORD StartedMs = 20000;   // a command the UI thread has begun: its sends are bounded
constexpr DWORD RetryMs = 100;       // a connect that fails at once is not tried again at once
constexpr std::size_t AnswerSize = 4;

// Waits for an overlapped call of the client (and for stop, when given). A
// call that does not complete in time is cancelled and waited for, so that its
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
  const auto own = OwnIdentity();
  DWORD session = 0;
  if (!own || !::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) return {};
  const std::wstring user = SidText(own->user);
  return user.empty() ? std::wstring() : L"\\\\.\\pipe\\Velmora." + user + L"." + WideNumber(session);
}

// What a command's sender and the UI thread share: the answer, and whether the
// sender still waits for it.
struct CommandServer::Exchange {
  enum class State { Waiting, Started, Answered, Abandoned };
  SRWLOCK lock = SRWLOCK_INIT;
  State state = State::Waiting;
  int code = ExitUnreachable;
  std::string text;  // what the command prints
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

// One instance of the pipe and the client it serves, step by step on the serving thread.
struct CommandServer::Instance {
  enum class Phase {
    Listening,  // for a client (or, with no call pending, for the time to try again)
    Reading,    // its command, for SilentMs at most
    Answering,  // waits for the UI thread's answer
    Writing,    // the answer
    Closing,    // for the client to read the answer and close its end
    Closed,     // serving ends
  };
  UniqueHandle pipe;
  UniqueHandle event{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  OVERLAPPED io{};
  bool pending = false;    // a call on io has not completed yet
  Phase phase = Phase::Listening;
  ULONGLONG deadline = 0;  // 0: none
  bool begun = false;      // Answering: the UI thread has begun the command, its second bound runs
  std::string buffer;
  std::string answer;  // the exit code's bytes, then the text
  std::shared_ptr<Exchange> exchange;

  // io for the next call.
  void Fresh() {
    io = OVERLAPPED{};
    io.hEvent = event.get();
    ::ResetEvent(event.get());
  }
  // The call just made on io: pending when it did not fail at once.
  bool Started(BOOL done) {
    pending = done || ::GetLastError() == ERROR_IO_PENDING;
    return pending;
  }
  // The completed call's result; waits for it when wait is set (after a cancel).
  bool Result(DWORD& got, bool wait) {
    got = 0;
    const BOOL ok = ::GetOverlappedResult(pipe.get(), &io, &got, wait ? TRUE : FALSE);
    pending = false;
    return ok != FALSE;
  }
  void Cancel() {
    DWORD got = 0;
    if (!pending) return;
    ::CancelIoEx(pipe.get(), &io);
    Result(got, true);
  }
  // What the serving thread waits on for this instance; null: only its deadline.
  HANDLE Waitable() const {
    if (phase == Phase::Answering) return exchange->answered.get();
    return pending ? event.get() : nullptr;
  }
};

// The server's state and its serving thread's work.
class CommandServer::Core {
 public:
  Core(std::wstring pipeName, HWND notify, UINT message)
      : name_(std::move(pipeName)), notify_(notify), message_(message) {}
  // The pipe's first instance and the stop event; false when the name is taken.
  bool Prepare();
  void Serve();
  void SignalStop() { ::SetEvent(stop_.get()); }
  // After the thread: what it left.
  void Clear();
  std::vector<HandedCommand> TakeCommands();

 private:
  UniqueHandle MakeInstance(bool first) const;
  // One step of an instance whose call completed, whose answer came, or whose time is up;
  // false when serving must end.
  bool Advance(Instance& instance, ULONGLONG now);
  void Listen(Instance& instance, ULONGLONG now);
  void Connected(Instance& instance, ULONGLONG now);
  bool Received(Instance& instance, ULONGLONG now);
  void Respond(Instance& instance, int code, std::string_view text, ULONGLONG now);
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
  UniqueHandle first_, stop_;
  bool stopping_ = false;  // the serving thread's own: the stop has been seen
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::deque<std::pair<std::string, std::shared_ptr<Exchange>>> queue_;
};

CommandServer::CommandServer(std::wstring pipeName, HWND notify, UINT message)
    : core_(std::make_shared<Core>(std::move(pipeName), notify, message)) {}

CommandServer::~CommandServer() { Stop(); }

UniqueHandle CommandServer::Core::MakeInstance(bool first) const {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor_.get(), FALSE};
  const DWORD open = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
  const DWORD mode = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
  const auto in = static_cast<DWORD>(CommandLimit);
  UniqueHandle pipe = OwnFile(::CreateNamedPipeW(name_.c_str(), open, mode, MaxInstances, 64, in, 0, &attributes));
  // Wine makes the first instance of a name that exists already: another
  // program's instances beside this one refuse it too.
  DWORD instances = 0;
  if (first && pipe && ::GetNamedPipeHandleStateW(pipe.get(), nullptr, &instances, nullptr, nullptr, nullptr, 0) &&
      instances != 1)
    pipe.reset();
  return pipe;
}

bool CommandServer::Core::Prepare() {
  if (name_.empty()) return false;
  const auto own = OwnIdentity();
  const std::wstring user = own ? SidText(own->user) : std::wstring();
  if (user.empty()) return false;
  own_ = *own;
  // The user alone, nobody else; reading and writing only from this integrity level up.
  const std::wstring sddl =
      L"D:P(A;;GA;;;" + user + L")S:(ML;;NWNR;;;S-1-16-" + WideNumber(own_.integrity) + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  descriptor_.reset(descriptor, [](void* d) { ::LocalFree(d); });
  first_ = MakeInstance(true);
  stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!first_ || !stop_) return false;
  stopping_ = false;
  return true;
}

void CommandServer::Core::Clear() {
  first_.reset();
  ::AcquireSRWLockExclusive(&lock_);
  queue_.clear();
  ::ReleaseSRWLockExclusive(&lock_);
}

bool CommandServer::Start() {
  if (thread_ || !core_->Prepare()) return false;
  auto* shared = new (std::nothrow) std::shared_ptr<Core>(core_);
  if (shared == nullptr) return false;
  thread_.reset(::CreateThread(nullptr, 0, &CommandServer::ThreadMain, shared, 0, nullptr));
  if (!thread_) delete shared;
  return thread_ != nullptr;
}

void CommandServer::Stop() {
  if (!thread_) return;
  core_->SignalStop();
  // Every wait of the thread ends with the stop, or within WriteMs + CloseMs of it.
  const bool ended = ::WaitForSingleObject(thread_.get(), 5000) == WAIT_OBJECT_0;
  thread_.reset();
  // One that has not ended keeps the core it shares and frees it as it ends.
  if (ended) core_->Clear();
}

bool CommandServer::Core::Stopping() const { return ::WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0; }

std::vector<HandedCommand> CommandServer::TakeCommands() { return core_->TakeCommands(); }

std::vector<HandedCommand> CommandServer::Core::TakeCommands() {
  ::AcquireSRWLockExclusive(&lock_);
  auto queued = std::exchange(queue_, {});
  ::ReleaseSRWLockExclusive(&lock_);
  std::vector<HandedCommand> commands;
  for (auto& [message, exchange] : queued) {
    auto reply = [exchange](int code, std::string text) {
      if (text.size() > AnswerTextLimit) text.clear();
      exchange->Locked([&] {
        if (exchange->state == Exchange::State::Waiting || exchange->state == Exchange::State::Started) {
          exchange->state = Exchange::State::Answered;
          exchange->code = code;
          exchange->text = std::move(text);
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

DWORD WINAPI CommandServer::ThreadMain(void* core) noexcept {
  // The thread's own share of the core: whatever Stop does, nothing it uses goes before it ends.
  const std::unique_ptr<std::shared_ptr<Core>> shared(static_cast<std::shared_ptr<Core>*>(core));
  try {
    (*shared)->Serve();
  } catch (...) {
    // The channel ends; Velmora goes on without its command line.
  }
  return 0;
}

void CommandServer::Core::Serve() {
  // Instances at fixed addresses: their OVERLAPPED is the system's while a call is pending.
  std::vector<std::unique_ptr<Instance>> instances;
  // Every call still pending is cancelled and waited for before its instance goes.
  struct CancelAll {
    std::vector<std::unique_ptr<Instance>>& instances;
    ~CancelAll() {
      for (auto& instance : instances) instance->Cancel();
    }
  } cancelAll{instances};
  const auto add = [&](UniqueHandle pipe) {
    instances.push_back(std::make_unique<Instance>());
    instances.back()->pipe = std::move(pipe);
    if (!instances.back()->event) throw std::bad_alloc();
    Listen(*instances.back(), ::GetTickCount64());
  };
  add(std::move(first_));
  ULONGLONG stopDeadline = 0;
  for (;;) {
    ULONGLONG now = ::GetTickCount64();
    if (!stopping_ && Stopping()) {
      // A client still waiting for the UI thread is answered 3; every other one is dropped.
      stopping_ = true;
      stopDeadline = now + WriteMs + CloseMs;
      for (auto& instance : instances) {
        if (instance->phase == Instance::Phase::Answering) {
          auto& exchange = *instance->exchange;
          const bool answered = exchange.Locked([&] {
            if (exchange.state != Exchange::State::Answered) exchange.state = Exchange::State::Abandoned;
            return exchange.state == Exchange::State::Answered;
          });
          Dequeue(instance->exchange);
          // Answered, the exchange is written no more: its code and text are read without the lock.
          Respond(*instance, answered ? exchange.code : int{ExitUnreachable}, answered ? exchange.text : "", now);
        } else if (instance->phase != Instance::Phase::Writing && instance->phase != Instance::Phase::Closing) {
          Recycle(*instance, now);
        }
      }
    }
    if (stopping_ && (now >= stopDeadline || std::all_of(instances.begin(), instances.end(), [](const auto& i) {
                        return i->phase == Instance::Phase::Closed;
                      })))
      return;
    // Another instance listens whenever every one is busy (or waits to try again).
    const bool listening = std::any_of(instances.begin(), instances.end(), [](const auto& i) {
      return i->phase == Instance::Phase::Listening && i->pending;
    });
    if (!stopping_ && !listening && instances.size() < MaxInstances) {
      if (UniqueHandle pipe = MakeInstance(false)) add(std::move(pipe));
    }

    std::vector<HANDLE> waits;
    if (!stopping_) waits.push_back(stop_.get());
    ULONGLONG next = stopping_ ? stopDeadline : 0;
    for (const auto& instance : instances) {
      if (const HANDLE waitable = instance->Waitable()) waits.push_back(waitable);
      if (instance->deadline != 0 && (next == 0 || instance->deadline < next)) next = instance->deadline;
    }
    const DWORD ms = next == 0 ? INFINITE : next <= now ? 0 : static_cast<DWORD>(next - now);
    if (!waits.empty()) ::WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, ms);
    else if (ms != 0) ::Sleep(ms);
    now = ::GetTickCount64();
    // Each instance whose call completed, whose answer came or whose time is up takes its next step.
    for (auto& instance : instances) {
      const HANDLE waitable = instance->Waitable();
      const bool signalled = waitable && ::WaitForSingleObject(waitable, 0) == WAIT_OBJECT_0;
      const bool late = instance->deadline != 0 && now >= instance->deadline;
      if ((signalled || late) && !Advance(*instance, now)) return;
    }
  }
}

void CommandServer::Core::Listen(Instance& instance, ULONGLONG now) {
  instance.exchange.reset();
  instance.begun = false;
  instance.deadline = 0;
  instance.phase = Instance::Phase::Listening;
  for (int tries = 0; tries < 2; ++tries) {
    instance.Fresh();
    const BOOL done = ::ConnectNamedPipe(instance.pipe.get(), &instance.io);
    // A client that came between two connects is connected already.
    if (!done && ::GetLastError() == ERROR_PIPE_CONNECTED) return Connected(instance, now);
    if (instance.Started(done)) return;
    // One that came and went before the connect (ERROR_NO_DATA) is let go first.
    ::DisconnectNamedPipe(instance.pipe.get());
  }
  instance.deadline = now + RetryMs;
}

bool CommandServer::Core::Advance(Instance& instance, ULONGLONG now) {
  using Phase = Instance::Phase;
  using State = Exchange::State;
  const bool late = instance.deadline != 0 && now >= instance.deadline;
  DWORD got = 0;
  switch (instance.phase) {
    case Phase::Listening:
      if (!instance.pending) {
        Listen(instance, now);  // the time to try again has come
      } else if (instance.Result(got, false)) {
        Connected(instance, now);
      } else {
        Recycle(instance, now);
      }
      return true;
    case Phase::Reading:
      if (instance.pending && late && ::WaitForSingleObject(instance.event.get(), 0) != WAIT_OBJECT_0) {
        // Nothing within SilentMs: dropped, and the instance serves the next client.
        Recycle(instance, now);
        return true;
      }
      // More than the channel takes fails the read (ERROR_MORE_DATA) and is refused unread, as is nothing.
      if (!instance.Result(got, false) || got == 0 || got > CommandLimit) {
        Recycle(instance, now);
        return true;
      }
      instance.buffer.resize(got);
      return Received(instance, now);
    case Phase::Answering: {
      const bool answered = ::WaitForSingleObject(instance.exchange->answered.get(), 0) == WAIT_OBJECT_0;
      const auto [state, code] = instance.exchange->Locked([&] {
        auto& exchange = *instance.exchange;
        // Begun within the first bound: it has the second one to end.
        const bool extend = !answered && exchange.state == State::Started && !instance.begun;
        if (exchange.state != State::Answered && !extend) exchange.state = State::Abandoned;
        return std::make_pair(exchange.state, exchange.code);
      });
      if (state == State::Answered) {
        Respond(instance, code, instance.exchange->text, now);
      } else if (state == State::Abandoned) {
        // Given up on: nothing stays queued, and when its turn comes the UI thread finds it unwanted.
        Dequeue(instance.exchange);
        Respond(instance, ExitUnreachable, {}, now);
      } else {
        instance.begun = true;
        instance.deadline = now + StartedMs;
      }
      return true;
    }
    case Phase::Writing:
      if (late && ::WaitForSingleObject(instance.event.get(), 0) != WAIT_OBJECT_0) {
        Recycle(instance, now);
        return true;
      }
      if (!instance.Result(got, false)) {
        Recycle(instance, now);
        return true;
      }
      {
        // Disconnecting drops what the client has not read: it reads the answer and closes first.
        instance.phase = Phase::Closing;
        instance.deadline = now + CloseMs;
        instance.Fresh();
        const BOOL done = ::ReadFile(instance.pipe.get(), instance.answer.data(), 1, nullptr, &instance.io);
        if (!instance.Started(done)) Recycle(instance, now);
      }
      return true;
    case Phase::Closing:
      Recycle(instance, now);
      return true;
    case Phase::Closed:
      instance.deadline = 0;
      return true;
  }
  return true;
}

void CommandServer::Core::Connected(Instance& instance, ULONGLONG now) {
  // The process at the other end, before anything it sends is read.
  if (!ClientProcessTrusted(instance.pipe.get())) return Recycle(instance, now);
  instance.phase = Instance::Phase::Reading;
  instance.deadline = now + SilentMs;
  instance.buffer.assign(CommandLimit + 1, '\0');
  instance.Fresh();
  const BOOL done = ::ReadFile(instance.pipe.get(), instance.buffer.data(), static_cast<DWORD>(instance.buffer.size()),
                               nullptr, &instance.io);
  if (!instance.Started(done)) Recycle(instance, now);
}

bool CommandServer::Core::Received(Instance& instance, ULONGLONG now) {
  bool fatal = false;
  if (!ClientTrusted(instance.pipe.get(), fatal)) {
    if (fatal) return false;
    Recycle(instance, now);
    return true;
  }
  instance.exchange = HandOver(std::move(instance.buffer));
  instance.buffer.clear();
  if (!instance.exchange) {
    Respond(instance, ExitUnreachable, {}, now);
    return true;
  }
  instance.phase = Instance::Phase::Answering;
  instance.deadline = now + HandOverMs;
  instance.begun = false;
  return true;
}

void CommandServer::Core::Respond(Instance& instance, int code, std::string_view text, ULONGLONG now) {
  instance.answer.assign(AnswerSize, '\0');
  instance.answer[0] = static_cast<char>(code);
  instance.answer += text;
  instance.exchange.reset();  // last: text may be the exchange's
  instance.phase = Instance::Phase::Writing;
  instance.deadline = now + WriteMs;
  instance.Fresh();
  const BOOL done = ::WriteFile(instance.pipe.get(), instance.answer.data(), static_cast<DWORD>(instance.answer.size()),
                                nullptr, &instance.io);
  if (!instance.Started(done)) Recycle(instance, now);
}

void CommandServer::Core::Recycle(Instance& instance, ULONGLONG now) {
  instance.Cancel();
  if (instance.exchange) {
    // A command queued for this client is never carried out after the client was dropped.
    instance.exchange->Locked([&] {
      if (instance.exchange->state == Exchange::State::Waiting) instance.exchange->state = Exchange::State::Abandoned;
      return 0;
    });
    Dequeue(instance.exchange);
    instance.exchange.reset();
  }
  ::DisconnectNamedPipe(instance.pipe.get());
  if (stopping_) {
    instance.phase = Instance::Phase::Closed;
    instance.deadline = 0;
    return;
  }
  Listen(instance, now);
}

std::shared_ptr<CommandServer::Exchange> CommandServer::Core::HandOver(std::string message) {
  auto exchange = std::make_shared<Exchange>();
  if (!exchange->answered) return nullptr;
  ::AcquireSRWLockExclusive(&lock_);
  queue_.emplace_back(std::move(message), exchange);
  ::ReleaseSRWLockExclusive(&lock_);
  if (::PostMessageW(notify_, message_, RQ_COMMAND, 0)) return exchange;
  // Not handed over: withdrawn, unless the UI thread took it with an earlier
  // hand-over and has begun it already (then its answer is waited for).
  const bool withdrawn = exchange->Locked([&] {
    if (exchange->state == Exchange::State::Waiting) exchange->state = Exchange::State::Abandoned;
    return exchange->state == Exchange::State::Abandoned;
  });
  Dequeue(exchange);
  return withdrawn ? nullptr : exchange;
}

void CommandServer::Core::Dequeue(const std::shared_ptr<Exchange>& exchange) {
  ::AcquireSRWLockExclusive(&lock_);
  std::erase_if(queue_, [&](const auto& queued) { return queued.second == exchange; });
  ::ReleaseSRWLockExclusive(&lock_);
}

bool CommandServer::Core::ClientProcessTrusted(HANDLE pipe) const {
  ULONG pid = 0;
  if (!::GetNamedPipeClientProcessId(pipe, &pid)) return false;
  const auto client = ProcessIdentityOf(pid);
  return client && SameUserAtLeast(own_, *client);
}

bool CommandServer::Core::ClientTrusted(HANDLE pipe, bool& fatal) const {
  // The identity of the message just read, from the client's token; nothing the client says counts.
  if (!::ImpersonateNamedPipeClient(pipe)) return false;
  HANDLE token = nullptr;
  const UniqueHandle client(::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token) ? token : nullptr);
  if (!::RevertToSelf()) {
    fatal = true;  // still the client: this thread does nothing more
    return false;
  }
  if (!client) return false;
  const auto identity = TokenIdentity(client.get());
  return identity && SameUserAtLeast(own_, *identity);
}

CommandConnection::CommandConnection(const std::wstring& pipeName, DWORD waitMs) {
  Connect(pipeName, OwnIdentity(), waitMs);
}

CommandConnection::CommandConnection(const std::wstring& pipeName, const ProcessIdentity& accepted, DWORD waitMs) {
  Connect(pipeName, accepted, waitMs);
}

void CommandConnection::Connect(const std::wstring& pipeName, const std::optional<ProcessIdentity>& accepted,
                                DWORD waitMs) {
  if (!accepted) return;
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
  // The server's process, from its own token: a program that took the name is not Velmora.
  const auto server = ProcessIdentityOf(ServerProcessId());
  if (!server || !SameUserAtLeast(*accepted, *server) || server->session != accepted->session) {
    pipe_.reset();
    status_ = Status::Untrusted;
    return;
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

std::optional<int> CommandConnection::Send(std::string_view message, DWORD timeoutMs, std::string* text) {
  const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!pipe_ || !event || message.size() > CommandLimit) return std::nullopt;
  OVERLAPPED io = Overlapped(event.get());
  BOOL done = ::WriteFile(pipe_.get(), message.data(), static_cast<DWORD>(message.size()), nullptr, &io);
  if (!Finish(pipe_.get(), done, io, WriteMs, nullptr)) return std::nullopt;
  std::vector<std::uint8_t> answer(AnswerSize + AnswerTextLimit + 1);
  DWORD got = 0;
  io = Overlapped(event.get());
  done = ::ReadFile(pipe_.get(), answer.data(), static_cast<DWORD>(answer.size()), nullptr, &io);
  if (!Finish(pipe_.get(), done, io, timeoutMs, nullptr, &got) || got < AnswerSize || got > answer.size() - 1)
    return std::nullopt;
  pipe_.reset();  // the server waits for this end to close
  if (text) text->assign(answer.begin() + AnswerSize, answer.begin() + got);
  return static_cast<int>(answer[0] | answer[1] << 8 | answer[2] << 16 | static_cast<unsigned>(answer[3]) << 24);
}

}  // namespace velmora
