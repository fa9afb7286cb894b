// Velmora's command line, seen from outside: each command a process of its own
// with its exit code and output, acting on the running Velmora.
#include <gtest/gtest.h>
#include <windows.h>

#include <tuple>

#include "TrayFixture.h"

namespace velmora::e2e {
namespace {

struct CommandResult {
  std::optional<DWORD> code;  // none: still running after 30 s
  std::string output;         // UTF-8
};

class CommandLineTest : public TrayTest {
 protected:
  // Velmora.exe of the case with these arguments, its output into a file.
  CommandResult Command(const std::wstring& args) {
    const std::wstring path = JoinPath(Dir(), L"command-" + std::to_wstring(++runs_) + L".txt");
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    Handle out(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out.get();
    PROCESS_INFORMATION pi{};
    std::wstring line = Quote(ExePath()) + L" " + args;
    if (!CreateProcessW(ExePath().c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, Dir().c_str(), &si, &pi))
      return {};
    CloseHandle(pi.hThread);
    Process command{Handle(pi.hProcess), pi.dwProcessId};
    out.Reset();
    command.WaitExit(30s);
    const auto bytes = ReadFileBytes(path).value_or(std::vector<std::uint8_t>{});
    return {command.ExitCode(), std::string(bytes.begin(), bytes.end())};
  }
  static std::wstring Handle16(HWND w) {
    wchar_t text[32];
    return std::wstring(text, swprintf(text, 32, L"0x%llX", static_cast<unsigned long long>(UINT_PTR(w))));
  }
  int runs_ = 0;
};

TEST_F(CommandLineTest, EachCommandActsOnTheRunningVelmoraAndEndsWithItsExitCode) {
  const HWND w = Open(L"VelmoraCmdProbe", L"\u8BB0\u4E8B\u672C \u0417\u0430\u043C\u0435\u0442\u043A\u0438").Window();
  ASSERT_NE(Start({}), nullptr);
  const auto code = [&](const std::wstring& args) { return Command(args).code; };

  // Open before the rule, the window is not one that opens: hidden and brought back, it stays shown.
  EXPECT_EQ(code(L"/mark VelmoraCmdProbe --hide-on-open"), 0u);
  EXPECT_EQ(ReadFileBytes(ClassFilePath()).value_or(std::vector<std::uint8_t>{}).size(), 260u) << "the class file";
  EXPECT_EQ(code(L"/hide PROBE.EXE"), 0u);
  EXPECT_TRUE(WaitUntil([&] { return InTray(w) && Icon(TrayId(w)); }, 3s)) << State(w);
  EXPECT_EQ(code(L"-toggle " + Handle16(w)), 0u);
  EXPECT_TRUE(WaitUntil([&] { return Restored(w); }, 3s)) << State(w);
  EXPECT_EQ(code(L"--toggle VelmoraCmdProbe"), 0u);
  EXPECT_TRUE(WaitUntil([&] { return InTray(w); }, 3s)) << State(w);
  EXPECT_EQ(code(L"/restore probe.exe"), 0u);
  EXPECT_TRUE(WaitUntil([&] { return Restored(w); }, 3s)) << State(w);
  EXPECT_EQ(code(L"/hide " + Handle16(w)), 0u);
  EXPECT_TRUE(WaitUntil([&] { return InTray(w); }, 3s)) << State(w);
  // /list, for scripts: the window's line, tab-separated UTF-8, with the handle the other commands take.
  const CommandResult list = Command(L"/list");
  EXPECT_EQ(list.code, 0u);
  char handle[24];
  snprintf(handle, sizeof handle, "0x%llx", static_cast<unsigned long long>(UINT_PTR(w)));
  EXPECT_NE(list.output.find(std::string("window\t") + handle + "\tprobe.exe\tVelmoraCmdProbe\t" +
                             Narrow(L"\u8BB0\u4E8B\u672C \u0417\u0430\u043C\u0435\u0442\u043A\u0438") + "\t0\r\n"),
            std::string::npos) << list.output;
  EXPECT_NE(list.output.find("mark\tVelmoraCmdProbe\thide-on-open\r\n"), std::string::npos) << list.output;
  EXPECT_EQ(code(L"/restore-all"), 0u);
  Sleep(1s);
  EXPECT_TRUE(Restored(w)) << State(w);
  EXPECT_EQ(code(L"/unmark velmoracmdprobe"), 0u);
  EXPECT_EQ(code(L"/unmark VelmoraCmdProbe"), 1u);

  // What nothing matched is named; a verb without what it acts on says what is missing, not that
  // it was not understood; a batch file (cmd.exe reads its arguments by other rules) or a document
  // given to /run-hidden is named as no program, and nothing starts. Into the output given.
  const HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  const HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
  for (const wchar_t* file : {L"start hidden.bat", L"notes.txt"})
    ASSERT_TRUE(WriteFileBytes(JoinPath(Dir(), file), {'@', 'e', 'x', 'i', 't'}));
  const std::tuple<std::wstring, DWORD, std::string> told[] = {
      {L"/hide regedit.exe", 1, "\xE6\xB2\xA1\xE6\x9C\x89\xE4\xB8\x8E regedit.exe \xE5\x8C\xB9\xE9\x85\x8D"},  // 没有与 … 匹配
      {L"/unmark NoSuchMark", 1, "\xE6\xB2\xA1\xE6\x9C\x89\xE4\xB8\x8E NoSuchMark \xE5\x8C\xB9\xE9\x85\x8D"},
      {L"/hide", 2, "/hide \xE7\xBC\xBA\xE5\xB0\x91\xE7\x9B\xAE\xE6\xA0\x87"},  // 缺少目标
      {L"/mark", 2, "/mark \xE7\xBC\xBA\xE5\xB0\x91\xE6\xA0\x87\xE8\xAE\xB0\xE7\x9A\x84\xE9\x94\xAE"},  // 缺少标记的键
      {L"/run-hidden " + Quote(JoinPath(Dir(), L"start hidden.bat")) + L" /x", 2,
       "start hidden.bat \xE4\xB8\x8D\xE6\x98\xAF\xE7\xA8\x8B\xE5\xBA\x8F"},  // 不是程序
      {L"/run-hidden notes.txt", 2, "notes.txt \xE4\xB8\x8D\xE6\x98\xAF\xE7\xA8\x8B\xE5\xBA\x8F"},
      {L"/hide " + Handle16(child), 1, "\xE5\xAD\x90\xE7\xAA\x97\xE5\x8F\xA3"}};  // 子窗口: not a top-level window
  for (const auto& [args, exit, says] : told) {
    const CommandResult result = Command(args);
    EXPECT_EQ(result.code, exit) << Narrow(args);
    EXPECT_NE(result.output.find(says), std::string::npos) << result.output;
    EXPECT_TRUE(result.output.ends_with("\r\n")) << "the console's next prompt starts a line of its own";
  }
  ::DestroyWindow(parent);

  // The usage, in the user's language, into the output the command was given.
  const CommandResult bad = Command(L"/frobnicate");
  EXPECT_EQ(bad.code, 2u);
  EXPECT_NE(bad.output.find("/frobnicate"), std::string::npos) << bad.output;
  EXPECT_NE(bad.output.find("/run-hidden"), std::string::npos) << bad.output;
  const CommandResult usage = Command(L"/?");
  EXPECT_EQ(usage.code, 0u);
  const std::string shows = "\xE6\x98\xBE\xE7\xA4\xBA\xE6\x9C\xAC\xE8\xAF\xB4\xE6\x98\x8E";  // 显示本说明
  EXPECT_NE(usage.output.find(shows), std::string::npos) << usage.output;

  EXPECT_EQ(code(L"/exit"), 0u);
  EXPECT_TRUE(velmora_.WaitExit(5s));
  EXPECT_EQ(velmora_.ExitCode(), 0u);
  EXPECT_EQ(code(L"/exit"), 0u) << "no Velmora: nothing to end";
}

TEST_F(CommandLineTest, WithoutVelmoraACommandStartsItAndRunHiddenSendsTheProgramsFirstWindowToTheTray) {
  Probe& probe = Open(L"VelmoraCmdProbe", L"Probe");
  auto options = DefaultOptions();
  options[kShowSplash] = 0;
  ASSERT_TRUE(WriteRegBinary(kSettingsKey, L"Options", options));
  EXPECT_EQ(Command(L"/hide " + Handle16(probe.Window())).code, 0u);
  EXPECT_EQ(RunningVelmoras().size(), 1u);
  EXPECT_TRUE(WaitUntil([&] { return InTray(probe.Window()); }, 3s)) << State(probe.Window());

  // The program is started by the command's process, with its arguments quoted back as given.
  const std::wstring out = JoinPath(Dir(), L"hidden probe.out");
  const CommandResult run = Command(L"/run-hidden " + Quote(JoinPath(BinDir(), L"probe.exe")) +
                                    L" --class VelmoraHiddenProbe --title \"Hidden probe\" --out " + Quote(out));
  EXPECT_EQ(run.code, 0u) << run.output;
  HWND hidden = nullptr;
  const auto opened = [&] { return (hidden = FindWindowW(L"VelmoraHiddenProbe", L"Hidden probe")) != nullptr; };
  EXPECT_TRUE(WaitUntil([&] { return opened() && InTray(hidden); }, 5s)) << (hidden ? State(hidden) : "no window");
  const CommandResult missing = Command(L"/run-hidden no-such-program.exe");
  EXPECT_EQ(missing.code, 1u);
  EXPECT_NE(missing.output.find("no-such-program.exe"), std::string::npos) << missing.output;
  if (hidden) PostMessageW(hidden, WM_CLOSE, 0, 0);
}

}  // namespace
}  // namespace velmora::e2e
