#include "app/CommandClient.h"

#include <cstdlib>
#include <exception>
#include <optional>

#include "main/CommandLine.h"
#include "main/EntrySequence.h"
#include "platform/Ports.h"
#include "text/Texts.h"
#include "win32/CommandChannel.h"
#include "win32/Convert.h"
#include "win32/HeldProgram.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"
#include "win32/Win32Dialogs.h"
#include "win32/Win32Shell.h"

namespace velmora {

namespace {

constexpr DWORD StartMs = 20000;    // for a Velmora started here to serve its channel
constexpr DWORD StartingMs = 5000;  // for one that was starting already
// Longer than the server waits for its UI thread and for a command begun there.
constexpr DWORD AnswerMs = 40000;

std::wstring Wide(std::string_view text) { return ToWide(text, CP_UTF8); }

// Text for the user: into the file or pipe this process's output goes to, else
// into the console it was started from, else in a message box.
void Tell(std::wstring text, bool warning) {
  // Every text ends its line: a console's next prompt starts on a line of its own.
  if (text.empty() || text.back() != L'\n') text += L'\n';
  for (std::size_t at = 0; (at = text.find(L'\n', at)) != text.npos; at += 2) text.insert(at, 1, L'\r');
  const HANDLE out = ::GetStdHandle(warning ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  const DWORD type = out && out != INVALID_HANDLE_VALUE ? ::GetFileType(out) : FILE_TYPE_UNKNOWN;
  DWORD put = 0;
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
    const std::string bytes = FromWide(text, CP_UTF8);
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    return;
  }
  // Started from a console, whose prompt is back already: the text starts on a line of its own.
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    const UniqueHandle console(OwnFile(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                                     nullptr)));
    text = L"\r\n" + text;
    const bool written =
        console && ::WriteConsoleW(console.get(), text.c_str(), static_cast<DWORD>(text.size()), &put, nullptr);
    ::FreeConsole();
    if (written) return;
  }
  text.resize(text.size() - 2);  // a box ends where its text does
  ::MessageBoxW(nullptr, text.c_str(), Wide(AppTitle).c_str(), MB_OK | (warning ? MB_ICONWARNING : MB_ICONINFORMATION));
}

std::wstring SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD n = ::FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n ? std::wstring(text, n) : L"Error " + WideNumber(error);
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
  return message;
}

// One of Velmora's own processes is running or starting (it holds its mutex).
bool VelmoraRunning() {
  const UniqueHandle mutex(::OpenMutexA(SYNCHRONIZE, FALSE, MainMutexName));
  return mutex || ::GetLastError() == ERROR_ACCESS_DENIED;
}

// Velmora from this program's own file, without arguments: a plain start.
UniqueHandle StartVelmora() {
  std::wstring path = OwnModulePath();
  std::wstring line = L"\"" + path + L"\"";
  const auto slash = path.find_last_of(L'\\');
  const std::wstring folder = slash == path.npos ? std::wstring() : path.substr(0, slash);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (path.empty() || !::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &startup, &started))
    return {};
  ::CloseHandle(started.hThread);
  return UniqueHandle(started.hProcess);
}

// The running Velmora's channel; when none serves it and start is set, a
// Velmora is started first (unless one is starting already) and waited for.
CommandConnection Reach(const std::wstring& name, bool start) {
  CommandConnection connection(name);
  if (connection.status() != CommandConnection::Status::NoServer || !start) return connection;
  const bool starting = VelmoraRunning();
  const UniqueHandle started = starting ? UniqueHandle() : StartVelmora();
  if (!starting && !started) return connection;
  const ULONGLONG deadline = ::GetTickCount64() + (started ? StartMs : StartingMs);
  while (connection.status() == CommandConnection::Status::NoServer && ::GetTickCount64() < deadline) {
    // A Velmora that ends at once (an uninstaller at work) serves nothing.
    if (started && ::WaitForSingleObject(started.get(), 100) == WAIT_OBJECT_0) break;
    if (!started) ::Sleep(100);
    connection = CommandConnection(name);
  }
  return connection;
}

// The pipe, served by a process that the connection's checks accept (this
// user, this integrity level or above, this session), is served by Velmora:
// the process of its main window.
bool ServedByVelmora(const CommandConnection& connection) {
  const DWORD server = connection.ServerProcessId();
  for (HWND main = nullptr; server != 0 && (main = ::FindWindowExW(nullptr, main, L"TFOrvane", nullptr));) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    if (pid == server) return true;
  }
  return false;
}

// What a bad command line lacks or holds, then the usage.
int RefuseCommandLine(const ParsedCommand& parsed, const TextTable& texts) {
  using Lack = ParsedCommand::Lack;
  std::string why;
  switch (parsed.lacks) {
    case Lack::Target: why = texts(TextId::CommandMissingTarget, parsed.culprit); break;
    case Lack::Key: why = texts(TextId::CommandMissingKey, parsed.culprit); break;
    case Lack::Program: why = texts(TextId::CommandMissingProgram, parsed.culprit); break;
    case Lack::Nothing:
      why = parsed.tooLong ? std::string(texts[TextId::CommandTooLong])
                           : texts(TextId::CommandNotUnderstood, parsed.culprit);
      break;
  }
  Tell(Wide(why) + L"\n\n" + Wide(texts[TextId::CommandUsage]), true);
  return ExitBadCommand;
}

// The program that /run-hidden names: a program (.exe or .com) and its full
// path, or the exit code it gets, said where errors go.
std::optional<std::wstring> ProgramToRun(const std::string& name, const TextTable& texts, int& refusal) {
  refusal = ExitBadCommand;
  if (!NamesAProgram(name)) {
    Tell(Wide(texts(TextId::CommandNotAProgram, name)), true);
    return std::nullopt;
  }
  DWORD error = 0;
  auto path = ResolveProgram(Wide(name), error);
  if (!path) {
    refusal = ExitNoMatch;
    Tell(Wide(texts(TextId::CommandStartFailed, name)) + L"\n" + SystemMessage(error), true);
    return std::nullopt;
  }
  // The file found, with ".exe" added or as named, ends in ".exe" or ".com" too.
  const std::wstring file = path->substr(path->find_last_of(L"\\/") + 1);
  if (file.find(L'.') == std::wstring::npos || !NamesAProgram(FromWide(file, CP_UTF8))) {
    // A file of that very name was found where the program with ".exe" sits too: the user meant that one.
    DWORD ignored = 0;
    const bool withExtension = file.find(L'.') == std::wstring::npos && ResolveProgram(*path + L".exe", ignored);
    Tell(Wide(texts(withExtension ? TextId::CommandAddExtension : TextId::CommandNotAProgram, FromWide(*path, CP_UTF8))),
         true);
    return std::nullopt;
  }
  return path;
}

// The program starts here, held until Velmora watches it, so that its first
// window cannot open unwatched; it never stays held (HeldProgram).
int RunHidden(CommandConnection& connection, const Command& command, const std::wstring& path,
              const TextTable& texts) {
  const std::string& name = command.program[0];
  std::wstring line;
  for (const std::string& arg : command.program) line += (line.empty() ? L"" : L" ") + Wide(QuoteArgument(arg));
  DWORD error = 0;
  std::optional<HeldProgram> held = HeldProgram::Start(path, line, error);
  if (!held) {
    Tell(Wide(texts(TextId::CommandStartFailed, name)) + L"\n" + SystemMessage(error), true);
    return ExitNoMatch;
  }
  const std::optional<int> code = connection.Send(*EncodeArguments(WatchArguments(held->ProcessId())), AnswerMs);
  if (code == ExitNoMatch) {
    // Refused (too many watches, or a process Velmora cannot tell apart): the program never ran.
    const bool ended = held->End();
    const std::wstring notEnded = ended ? L"" : L"\n" + Wide(texts(TextId::CommandNotEnded, name));
    Tell(Wide(texts(TextId::CommandWatchesFull, name)) + notEnded, true);
    return ExitNoMatch;
  }
  if (code != ExitDone) {
    // Not watched: rather than open on the screen, the program does not run at all.
    const bool ended = held->End();
    Tell(Wide(texts[TextId::CommandUnreachable]) + (ended ? L"" : L"\n" + Wide(texts(TextId::CommandNotEnded, name))),
         true);
    return ExitUnreachable;
  }
  if (!held->Release(error)) {
    const std::wstring ended = held->Ended() ? L"" : L"\n" + Wide(texts(TextId::CommandNotEnded, name));
    Tell(Wide(texts(TextId::CommandStartFailed, name)) + L"\n" + SystemMessage(error) + ended, true);
    return ExitNoMatch;
  }
  return ExitDone;
}

// Nothing matched: said, naming what the command named.
void TellNothingMatched(const Command& command, const std::string& subject, const TextTable& texts) {
  if (command.verb == Verb::Unmark) Tell(Wide(texts(TextId::CommandNoMark, subject)), true);
  if (command.verb != Verb::Hide && command.verb != Verb::Restore && command.verb != Verb::Toggle) return;
  // A handle of a window inside another: the user took the wrong one (a spy tool's pick, say).
  const auto wnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(command.target.handle));
  const bool child = command.target.kind == CommandTarget::Kind::Handle && ::IsWindow(wnd) &&
                     ::GetAncestor(wnd, GA_ROOT) != wnd;
  Tell(Wide(texts(child ? TextId::CommandNotTopLevel : TextId::CommandNoWindow, subject)), true);
}

int Run(const std::vector<std::wstring>& wideArgs) {
  const TextTable& texts = TextsFor(::GetUserDefaultUILanguage());
  std::vector<std::string> args;
  for (const std::wstring& arg : wideArgs) args.push_back(FromWide(arg, CP_UTF8));
  const ParsedCommand parsed = ParseCommand(args, CommandReader::User);
  if (!parsed.command) return RefuseCommandLine(parsed, texts);
  const Command& command = *parsed.command;
  if (command.verb == Verb::Usage) {
    Tell(Wide(texts[TextId::CommandUsage]), false);
    return ExitDone;
  }
  // A program to run hidden is found first: a document or a missing file starts no Velmora.
  std::optional<std::wstring> program;
  if (command.verb == Verb::RunHidden) {
    int refusal = ExitBadCommand;
    if (!(program = ProgramToRun(command.program[0], texts, refusal))) return refusal;
  }
  CommandConnection connection = Reach(CommandPipeName(), command.verb != Verb::Exit);
  // No Velmora to end: done.
  if (command.verb == Verb::Exit && connection.status() == CommandConnection::Status::NoServer) return ExitDone;
  if (connection.status() != CommandConnection::Status::Connected || !ServedByVelmora(connection)) {
    Tell(Wide(texts[TextId::CommandUnreachable]), true);
    return ExitUnreachable;
  }
  // A window brought back may take the foreground, as after a hotkey: the right passes on to Velmora.
  ::AllowSetForegroundWindow(connection.ServerProcessId());
  if (command.verb == Verb::RunHidden) return RunHidden(connection, command, *program, texts);
  std::string printed;  // what /list prints
  const std::optional<int> code = connection.Send(*EncodeArguments(args), AnswerMs, &printed);
  if (!code) Tell(Wide(texts[TextId::CommandUnreachable]), true);
  if (!printed.empty()) Tell(Wide(printed), false);
  if (code == ExitNoMatch) TellNothingMatched(command, parsed.subject, texts);
  return code.value_or(ExitUnreachable);
}

}  // namespace

std::vector<std::wstring> CommandArguments() {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!argv) return {};
  std::vector<std::wstring> args(argv + (count > 0 ? 1 : 0), argv + count);
  ::LocalFree(argv);
  return args;
}

int RunCommandClient(const std::vector<std::wstring>& args) noexcept {
  // This process hid nothing: a failure here must not show the windows the running Velmora hid.
  std::set_terminate([] { std::abort(); });
  try {
    return Run(args);
  } catch (...) {
    return ExitUnreachable;
  }
}

}  // namespace velmora
