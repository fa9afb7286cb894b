// A program of /run-hidden, held suspended and never left so: this test
// program as the block writer of SharedBlockChild.h, which writes only once it runs.
// Watched, its end is posted, and an ended watch is let go at the next one.
#include <gtest/gtest.h>

#include <string>

#include "SharedBlockChild.h"
#include "TestSupport.h"
#include "win32/Convert.h"
#include "win32/HeldProgram.h"
#include "win32/Win32Kernel.h"

namespace velmora {
namespace {

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  return std::wstring(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
}

class HeldProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = "VelmoraTestHeld" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(::GetTickCount64());
    view_ = static_cast<std::uint8_t*>(kernel_.MapSharedBlock(test::BlockSpec(name_)));
    ASSERT_NE(view_, nullptr);
  }
  // This program's command line in a mode of main.cpp.
  std::wstring Line(const char* mode) const {
    const std::string args = std::string(" ") + mode + " " + name_;
    return L"\"" + OwnPath() + L"\"" + std::wstring(args.begin(), args.end());
  }
  bool Written() const { return view_[1] == test::BlockPattern(1) && view_[200] == test::BlockPattern(200); }
  static UniqueHandle Open(DWORD pid) {
    return UniqueHandle(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  }
  static DWORD ExitCodeOf(const UniqueHandle& process) {
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.get(), &code);
    return code;
  }

  // The end of a watched program, as posted to the sink.
  DWORD Told() {
    MSG told{};
    for (int i = 0; i < 500 && !::PeekMessageW(&told, sink_.get(), WM_APP, WM_APP, PM_REMOVE); ++i) ::Sleep(10);
    return static_cast<DWORD>(told.wParam);
  }

  Win32Kernel kernel_;
  UniqueWindow sink_{::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
  std::string name_;
  std::uint8_t* view_ = nullptr;
};

TEST_F(HeldProgramTest, RunsOnlyOnceReleasedAndIsEndedUnrunWhenLetGoFirst) {
  DWORD error = 0;
  auto held = HeldProgram::Start(OwnPath(), Line(test::WriteBlockArg), error);
  ASSERT_TRUE(held && held->InJob()) << error;
  const UniqueHandle first = Open(held->ProcessId());
  kernel_.WatchProcess(held->ProcessId(), FromHwnd(sink_.get()), WM_APP);
  test::Pump(300);
  EXPECT_FALSE(held->Ended() || Written()) << "suspended";
  held.reset();  // gone without being let run: an exception, a refusal
  EXPECT_EQ(ExitCodeOf(first), 3u);
  EXPECT_FALSE(Written());
  EXPECT_EQ(Told(), ::GetProcessId(first.get()));
  auto released = HeldProgram::Start(OwnPath(), Line(test::WriteBlockArg), error);
  ASSERT_TRUE(released);
  const UniqueHandle second = Open(released->ProcessId());
  kernel_.WatchProcess(released->ProcessId(), FromHwnd(sink_.get()), WM_APP);
  EXPECT_EQ(kernel_.WatchesHeld(), 1u) << "the first program's ended process is let go";
  ASSERT_TRUE(released->Release(error)) << error;
  EXPECT_EQ(ExitCodeOf(second), 0u);
  EXPECT_TRUE(Written());
  EXPECT_EQ(Told(), ::GetProcessId(second.get()));

  // Found as CreateProcess finds programs: ".exe" added, the system folder searched; a folder is none.
  const auto cmd = ResolveProgram(L"cmd", error);
  ASSERT_TRUE(cmd && cmd->ends_with(L"\\cmd.exe") && ResolveProgram(cmd->substr(0, cmd->size() - 4), error));
  EXPECT_FALSE(ResolveProgram(L"velmora-no-such-program", error) || ResolveProgram(cmd->substr(0, 3), error));
}

TEST_F(HeldProgramTest, AHolderKilledWhileItWaitsTakesTheHeldProgramWithIt) {
  // The holder, as a command's process: it holds the program, says its id, and waits.
  auto* pid = static_cast<std::uint32_t*>(kernel_.MapSharedBlock(test::BlockSpec(name_ + test::HeldPidSuffix)));
  ASSERT_NE(pid, nullptr);
  std::wstring line = Line(test::HoldArg);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(::CreateProcessW(OwnPath().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &started));
  const UniqueHandle holder(started.hProcess), thread(started.hThread);
  ASSERT_TRUE(test::PumpUntil([&] { return *pid != 0; }, 30000));
  const UniqueHandle program = Open(*pid);
  ASSERT_TRUE(program && ::TerminateProcess(holder.get(), 9));
  EXPECT_NE(ExitCodeOf(program), static_cast<DWORD>(STILL_ACTIVE)) << "ended by the job's close";
  EXPECT_FALSE(Written()) << "never run";
  kernel_.UnmapSharedBlock(pid);
}

}  // namespace
}  // namespace velmora
