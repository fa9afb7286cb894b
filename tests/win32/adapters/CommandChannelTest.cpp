// The command channel in one process: a server on this thread's window, clients on threads of their own.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <atomic>

#include "TestSupport.h"
#include "hook/SectionSecurity.h"
#include "main/CommandLine.h"
#include "win32/CommandChannel.h"

namespace velmora {
namespace {

class CommandChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.reset(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window_);
    name_ = CommandPipeName() + L".test" + std::to_wstring(::GetTickCount64());
    server_ = std::make_unique<CommandServer>(name_, window_.get());
    ASSERT_TRUE(server_->Start());
  }
  // The commands handed over to this thread within ms.
  std::vector<HandedCommand> Taken(DWORD ms) {
    std::vector<HandedCommand> taken;
    test::PumpUntil([&] { return !(taken = server_->TakeCommands()).empty(); }, ms);
    return taken;
  }

  UniqueWindow window_;
  std::wstring name_;
  std::unique_ptr<CommandServer> server_;
};

TEST_F(CommandChannelTest, ACommandOfThisUserIsHandedOverAndAnsweredOnThePipeOfThisUserAndSession) {
  DWORD session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
  EXPECT_TRUE(CommandPipeName().starts_with(L"\\\\.\\pipe\\Velmora.S-1-5-") &&
              CommandPipeName().ends_with(L"." + std::to_wstring(session)));
  EXPECT_FALSE(CommandServer(name_, window_.get()).Start()) << "the name is taken: a second server is refused";
  // Labelled at this level against writing and reading from below.
  const UniqueHandle pipe(OwnFile(::CreateFileW(name_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
  PACL sacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ACE_HEADER* label = nullptr;
  ASSERT_FALSE(::GetSecurityInfo(pipe.get(), SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                 &sacl, &descriptor) || !sacl || !::GetAce(sacl, 0, reinterpret_cast<void**>(&label)));
  EXPECT_EQ(reinterpret_cast<SYSTEM_MANDATORY_LABEL_ACE*>(label)->Mask, 3u) << "no write up, no read up";
  EXPECT_EQ(LabelLevel(descriptor), OwnIdentity()->integrity);
  ::LocalFree(descriptor);

  std::atomic<int> answer = -1;
  std::atomic<DWORD> serverPid = 0;
  std::string printed;
  const std::string message = *EncodeArguments({"/hide", "记事本.exe"});
  test::Thread client([&] {
    CommandConnection connection(name_);
    serverPid = connection.ServerProcessId();
    answer = connection.Send(message, 10000, &printed).value_or(-2);
  });
  const auto taken = Taken(5000);
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].message, message);
  EXPECT_TRUE(taken[0].wanted());
  const std::string text = "window\t0x1234\t记事本.exe\n" + std::string(100000, 'x') + "\n";  // far more than the pipe buffers
  taken[0].reply(ExitNoMatch, text);
  taken[0].reply(ExitDone, {});  // once
  ASSERT_TRUE(test::PumpUntil([&] { return answer != -1; }, 5000));
  EXPECT_EQ(answer, ExitNoMatch);
  EXPECT_EQ(printed, text) << "the text with the answer, whole";
  EXPECT_EQ(serverPid, ::GetCurrentProcessId());
}

TEST_F(CommandChannelTest, AMessageLargerThanTheChannelTakesIsRefusedUnreadAndAnUnservedCommandIsAnswered3) {
  std::atomic<bool> refused = false;
  test::Thread client([&] {
    UniqueHandle pipe(OwnFile(::CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            0, nullptr)));
    DWORD mode = PIPE_READMODE_MESSAGE, put = 0, got = 0;
    ::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr);
    const std::string big(CommandLimit + 1, 'a');
    char answer[8];
    ::WriteFile(pipe.get(), big.data(), static_cast<DWORD>(big.size()), &put, nullptr);
    refused = pipe && !::ReadFile(pipe.get(), answer, sizeof answer, &got, nullptr);
  });
  EXPECT_TRUE(Taken(500).empty());
  ASSERT_TRUE(test::PumpUntil([&] { return refused.load(); }, 5000));
  // The next client is served; stopping while it waits answers it 3 and waits for nothing.
  std::atomic<int> answer = -1;
  test::Thread next([&] { answer = CommandConnection(name_).Send(*EncodeArguments({"/exit"}), 10000).value_or(-2); });
  const auto taken = Taken(5000);
  ASSERT_EQ(taken.size(), 1u);
  const ULONGLONG start = ::GetTickCount64();
  server_->Stop();
  EXPECT_LT(::GetTickCount64() - start, 3000u);
  EXPECT_FALSE(taken[0].wanted()) << "given up: not carried out when its turn comes";
  taken[0].reply(ExitDone, {});
  ASSERT_TRUE(test::PumpUntil([&] { return answer != -1; }, 5000));
  EXPECT_EQ(answer, ExitUnreachable);
  EXPECT_EQ(CommandConnection(name_).status(), CommandConnection::Status::NoServer);
  // A command whose hand-over fails is answered 3 and left nowhere.
  HWND gone = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ::DestroyWindow(gone);  // nothing can be posted to it
  CommandServer server(name_, gone);
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(CommandConnection(name_).Send(*EncodeArguments({"/restore-all"}), 5000), ExitUnreachable);
  EXPECT_TRUE(server.TakeCommands().empty()) << "never carried out after its sender was told 3";
}

TEST_F(CommandChannelTest, AClientThatSendsNothingHoldsUpNoOneAndIsDroppedWithinASecond) {
  const ULONGLONG connected = ::GetTickCount64();
  UniqueHandle silent(OwnFile(::CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            0, nullptr)));
  ASSERT_TRUE(silent);
  // Three more at once, each answered within a second.
  std::atomic<int> answers[3] = {-1, -1, -1};
  std::vector<std::unique_ptr<test::Thread>> clients;
  for (int i = 0; i < 3; ++i)
    clients.push_back(std::make_unique<test::Thread>([&, i] {
      answers[i] = CommandConnection(name_).Send(*EncodeArguments({"/unmark", std::to_string(i)}), 5000).value_or(-2);
    }));
  std::vector<HandedCommand> all;
  test::PumpUntil([&] {
    for (auto& command : server_->TakeCommands()) {
      command.reply(DecodeArguments(command.message)->at(1)[0] - '0', {});
      all.push_back(std::move(command));
    }
    return std::all_of(std::begin(answers), std::end(answers), [](const auto& a) { return a != -1; });
  }, 5000);
  EXPECT_LT(::GetTickCount64() - connected, 1000u) << "with a silent client connected";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(answers[i], i);
  // The silent one is dropped: its end breaks about a second after it connected.
  DWORD available = 0;
  ASSERT_TRUE(test::PumpUntil(
      [&] { return !::PeekNamedPipe(silent.get(), nullptr, 0, nullptr, &available, nullptr); }, 3000));
  EXPECT_GE(::GetTickCount64() - connected, CommandServer::SilentMs - 100);
  EXPECT_LT(::GetTickCount64() - connected, CommandServer::SilentMs + 1000);
}

// MaxInstances counts every instance, the listening one too: that many clients are served at once,
// and one more finds the pipe busy until a silent one is dropped. A round so slow that the first
// silent client may have been dropped already proves nothing and is run again.
TEST_F(CommandChannelTest, MaxInstancesClientsAreServedAtOnceAndOneMoreWaitsItsTurn) {
  auto connect = [&](ULONGLONG patienceMs) {  // the server makes the next instance on its own thread
    for (const ULONGLONG until = ::GetTickCount64() + patienceMs;; ::Sleep(10)) {
      UniqueHandle pipe(OwnFile(::CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
      if (pipe || ::GetLastError() != ERROR_PIPE_BUSY || ::GetTickCount64() >= until) return pipe;
    }
  };
  for (int round = 0; round < 3; ++round) {
    const ULONGLONG first = ::GetTickCount64();
    std::vector<UniqueHandle> silent(CommandServer::MaxInstances);
    for (auto& client : silent) ASSERT_TRUE(client = connect(500));
    const bool busy = !connect(0) && ::GetLastError() == ERROR_PIPE_BUSY;
    if (::GetTickCount64() - first >= CommandServer::SilentMs / 2) continue;
    EXPECT_TRUE(busy) << "every instance is taken";
    EXPECT_TRUE(connect(3000)) << "free again once a silent one is dropped";
    return;
  }
  ADD_FAILURE() << "no round was quick enough to tell";
}

TEST_F(CommandChannelTest, TheClientRefusesAServerWhoseProcessItsChecksDoNotAccept) {
  const ProcessIdentity own = *OwnIdentity();
  EXPECT_EQ(CommandConnection(name_, own).status(), CommandConnection::Status::Connected) << "this process";
  // The server's process runs as another user, below the level asked for, or in another session.
  ProcessIdentity otherUser = own, higher = own, otherSession = own;
  otherUser.user.back() ^= 1;
  higher.integrity += 0x1000;
  otherSession.session += 1;
  for (const ProcessIdentity& asked : {otherUser, higher, otherSession}) {
    CommandConnection refused(name_, asked);
    EXPECT_EQ(refused.status(), CommandConnection::Status::Untrusted);
    EXPECT_FALSE(refused.Send(*EncodeArguments({"/exit"}), 1000)) << "nothing is sent to it";
  }
  EXPECT_TRUE(Taken(300).empty());
}

TEST_F(CommandChannelTest, AClientBelowThisIntegrityLevelIsRefused) {
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
    GTEST_SKIP() << "Wine keeps a token at its integrity level";
  // A thread as a sandboxed program: the same user at low integrity.
  HANDLE own = nullptr, low = nullptr;
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE, &own);
  ::DuplicateTokenEx(own, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenImpersonation, &low);
  const UniqueHandle ownToken(own), lowToken(low);
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_MANDATORY_LABEL_AUTHORITY;
  PSID level = nullptr;
  ::AllocateAndInitializeSid(&authority, 1, SECURITY_MANDATORY_LOW_RID, 0, 0, 0, 0, 0, 0, 0, &level);
  TOKEN_MANDATORY_LABEL label{{level, SE_GROUP_INTEGRITY}};
  ASSERT_TRUE(::SetTokenInformation(low, TokenIntegrityLevel, &label, sizeof label + ::GetLengthSid(level)));
  ::FreeSid(level);
  std::atomic<int> answer = -1;
  std::atomic<DWORD> readOnly = 0;
  test::Thread client([&] {
    answer = ::SetThreadToken(nullptr, low) ? CommandConnection(name_).Send("/exit", 3000).value_or(-2) : -3;
    // Reading up is denied as writing up is: not even a read-only end connects.
    const UniqueHandle pipe(OwnFile(::CreateFileW(name_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
    readOnly = pipe ? ERROR_SUCCESS : ::GetLastError();
    ::RevertToSelf();
  });
  EXPECT_TRUE(Taken(1000).empty());
  ASSERT_TRUE(test::PumpUntil([&] { return answer != -1; }, 5000));
  EXPECT_EQ(answer, -2) << "no answer: refused";
  EXPECT_EQ(readOnly, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
}  // namespace velmora
