#pragma once
// Velmora's command line: "Velmora.exe /verb [arguments]", read the same way
// by the command's own process and, again, by the running Velmora, which
// trusts nothing the sender says. No system header: the parsing is logic.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CommandWire.h"

namespace velmora {

enum class Verb { Mark, Unmark, Hide, Restore, Toggle, RestoreAll, Exit, RunHidden, Usage, Watch, List };

// What /hide, /restore and /toggle act on.
struct CommandTarget {
  enum class Kind { Program, Key, Handle };
  Kind kind = Kind::Key;
  std::string name;         // a program's file name, or a key or class name
  std::uint64_t handle = 0;  // a window handle, widened as the system widens it
  bool operator==(const CommandTarget&) const = default;
};

struct Command {
  Verb verb = Verb::Usage;
  std::string key;                  // /mark, /unmark
  std::uint8_t rules = 0;           // /mark: MarkRule bits
  CommandTarget target;             // /hide, /restore, /toggle
  std::vector<std::string> program;  // /run-hidden: the program, then its arguments
  std::uint32_t pid = 0;             // the internal watch of /run-hidden
  bool operator==(const Command&) const = default;
};

struct ParsedCommand {
  std::optional<Command> command;  // none: a bad command line
  std::string culprit;             // the argument not understood (or the verb that lacks one)
  bool tooLong = false;            // longer than the channel takes
  // What the verb named in culprit lacks, when that is why the line is bad.
  enum class Lack { Nothing, Target, Key, Program };
  Lack lacks = Lack::Nothing;
  // What the command acts on, as given: its target, key or program ("" for the others).
  std::string subject;
};

// Which verbs a reader takes: the user's (the command's own process) or the
// channel's (the running Velmora: the watch of /run-hidden, never /run-hidden
// itself or the usage, which the command's own process serves).
enum class CommandReader { User, Channel };

// args: the arguments after the program's name, as UTF-8.
ParsedCommand ParseCommand(const std::vector<std::string>& args, CommandReader reader);

// The arguments as the channel carries them; nullopt beyond CommandLimit.
std::optional<std::string> EncodeArguments(const std::vector<std::string>& args);
// nullopt for anything that is not a whole message of UTF-8 arguments.
std::optional<std::vector<std::string>> DecodeArguments(std::string_view message);

// The internal command by which /run-hidden has Velmora watch the process it started.
std::vector<std::string> WatchArguments(std::uint32_t pid);

// /run-hidden starts programs only: the file named has no extension (".exe"
// is added to it, as CreateProcess adds it) or ends in ".exe" or ".com", in
// any case. A batch file or a document is no program: cmd.exe would read a
// batch file's arguments by other rules, and a document opens in a program of
// its own.
bool NamesAProgram(std::string_view file);

// The command line of a program started by /run-hidden: each argument quoted
// so that the program's own parsing gives it back unchanged.
std::string QuoteArgument(std::string_view arg);

}  // namespace velmora
