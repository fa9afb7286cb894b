#include "main/CommandLine.h"

#include <algorithm>

#include "hook/KeyCase.h"
#include "hook/MarkTable.h"
#include "platform/Handles.h"
#include "tray/ClassFile.h"

namespace velmora {

namespace {

constexpr char WatchVerb[] = "watch-first-window";

struct VerbName {
  std::string_view name;
  Verb verb;
};
constexpr VerbName Verbs[] = {
    {"mark", Verb::Mark},      {"unmark", Verb::Unmark},           {"hide", Verb::Hide},
    {"restore", Verb::Restore}, {"toggle", Verb::Toggle},          {"restore-all", Verb::RestoreAll},
    {"exit", Verb::Exit},       {"run-hidden", Verb::RunHidden},   {"?", Verb::Usage},
    {"list", Verb::List},       {WatchVerb, Verb::Watch},
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Lower(x) == Lower(y);
         });
}

// "/name", "-name" or "--name": the name; nullopt for anything else.
std::optional<std::string_view> Switch(std::string_view arg) {
  if (arg.starts_with("--")) arg.remove_prefix(2);
  else if (arg.starts_with('/') || arg.starts_with('-')) arg.remove_prefix(1);
  else return std::nullopt;
  if (arg.empty()) return std::nullopt;
  return arg;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (Lower(c) >= 'a' && Lower(c) <= 'f'); }

// "0x1234": a window handle. 32-bit values are widened by sign, as the system
// widens them, so that 0xFFFF8001 names the same window as its 64-bit form.
std::optional<std::uint64_t> ParseHandle(std::string_view text) {
  text.remove_prefix(2);
  if (text.empty() || text.size() > 16 || !std::all_of(text.begin(), text.end(), IsHexDigit)) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) value = value * 16 + static_cast<std::uint64_t>(c <= '9' ? c - '0' : Lower(c) - 'a' + 10);
  if (value <= 0xFFFFFFFFu) value = HwndOfTrayId(value).value;
  return value;
}

std::optional<CommandTarget> ParseTarget(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && Lower(text[1]) == 'x') {
    const auto handle = ParseHandle(text);
    if (!handle) return std::nullopt;
    return CommandTarget{CommandTarget::Kind::Handle, {}, *handle};
  }
  // A program's file name ends in ".exe"; a program's key has its "|" first. A
  // path stands for its file name.
  if (text.find('|') == text.npos && text.size() > 4 && SameAscii(text.substr(text.size() - 4), ".exe")) {
    const auto slash = text.find_last_of("\\/");
    if (slash != text.npos) text.remove_prefix(slash + 1);
    return CommandTarget{CommandTarget::Kind::Program, std::string(text), 0};
  }
  return CommandTarget{CommandTarget::Kind::Key, std::string(text), 0};
}

bool ValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 0;
    if (DecodeUtf8(text, at, length) == 0xFFFD && length == 1) return false;
    at += length;
  }
  return true;
}

ParsedCommand Bad(std::string_view culprit) { return {std::nullopt, std::string(culprit), false, {}, {}}; }

ParsedCommand Lacking(std::string_view verb, ParsedCommand::Lack lack) {
  ParsedCommand bad = Bad(verb);
  bad.lacks = lack;
  return bad;
}

}  // namespace

ParsedCommand ParseCommand(const std::vector<std::string>& args, CommandReader reader) {
  if (args.empty()) return Bad("");
  if (!EncodeArguments(args)) return {std::nullopt, {}, true, {}, {}};
  const auto name = Switch(args[0]);
  const auto known = std::find_if(std::begin(Verbs), std::end(Verbs),
                                  [&](const VerbName& v) { return name && SameAscii(*name, v.name); });
  if (known == std::end(Verbs)) return Bad(args[0]);
  Command command;
  command.verb = known->verb;
  const bool user = reader == CommandReader::User;
  if (user ? command.verb == Verb::Watch : (command.verb == Verb::RunHidden || command.verb == Verb::Usage))
    return Bad(args[0]);

  // The arguments that are not rule flags; flags may come anywhere after the verb.
  std::vector<std::string_view> operands;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (command.verb == Verb::RunHidden) {
      // Everything after the verb belongs to the program, switches too.
      command.program.assign(args.begin() + 1, args.end());
      break;
    }
    const std::string_view arg = args[i];
    const auto flag = Switch(arg);
    if (command.verb == Verb::Mark && flag && SameAscii(*flag, "close-to-tray")) {
      command.rules |= RuleCloseToTray;
    } else if (command.verb == Verb::Mark && flag && SameAscii(*flag, "hide-on-open")) {
      command.rules |= RuleHideOnOpen;
    } else if (flag) {
      return Bad(arg);  // an option this verb does not take
    } else {
      operands.push_back(arg);
    }
  }

  using Lack = ParsedCommand::Lack;
  std::string subject;
  switch (command.verb) {
    case Verb::RunHidden:
      if (command.program.empty() || command.program[0].empty()) return Lacking(args[0], Lack::Program);
      subject = command.program[0];
      break;
    case Verb::Mark:
    case Verb::Unmark:
      if (operands.empty()) return Lacking(args[0], Lack::Key);
      if (operands.size() != 1 || operands[0].empty()) return Bad(operands.size() > 1 ? operands[1] : args[0]);
      // The class file keeps 255 bytes of a name.
      if (operands[0].size() > ClassNameMax) return Bad(operands[0]);
      command.key = std::string(operands[0]);
      subject = command.key;
      break;
    case Verb::Hide:
    case Verb::Restore:
    case Verb::Toggle: {
      if (operands.empty()) return Lacking(args[0], Lack::Target);
      if (operands.size() != 1 || operands[0].empty()) return Bad(operands.size() > 1 ? operands[1] : args[0]);
      const auto target = ParseTarget(operands[0]);
      if (!target) return Bad(operands[0]);
      command.target = *target;
      subject = std::string(operands[0]);
      break;
    }
    case Verb::Watch: {
      if (operands.size() != 1 || operands[0].empty() || operands[0].size() > 10 ||
          !std::all_of(operands[0].begin(), operands[0].end(), [](char c) { return c >= '0' && c <= '9'; }))
        return Bad(args[0]);
      const std::uint64_t pid = std::stoull(std::string(operands[0]));
      if (pid == 0 || pid > 0xFFFFFFFFu) return Bad(operands[0]);
      command.pid = static_cast<std::uint32_t>(pid);
      break;
    }
    default:
      if (!operands.empty()) return Bad(operands[0]);
      break;
  }
  return {std::move(command), {}, false, Lack::Nothing, std::move(subject)};
}

std::optional<std::string> EncodeArguments(const std::vector<std::string>& args) {
  std::string message;
  for (const std::string& arg : args) {
    // A zero byte would split one argument in two.
    if (arg.find('\0') != arg.npos || message.size() + arg.size() + 1 > CommandLimit) return std::nullopt;
    message += arg;
    message += '\0';
  }
  return message;
}

std::optional<std::vector<std::string>> DecodeArguments(std::string_view message) {
  if (message.empty() || message.size() > CommandLimit || message.back() != '\0' || !ValidUtf8(message))
    return std::nullopt;
  std::vector<std::string> args;
  for (std::size_t at = 0; at < message.size();) {
    const std::size_t end = message.find('\0', at);
    args.emplace_back(message.substr(at, end - at));
    at = end + 1;
  }
  return args;
}

std::vector<std::string> WatchArguments(std::uint32_t pid) {
  return {std::string("/") + WatchVerb, std::to_string(pid)};
}

bool NamesAProgram(std::string_view file) {
  const auto slash = file.find_last_of("\\/:");
  if (slash != file.npos) file.remove_prefix(slash + 1);
  const auto dot = file.find_last_of('.');
  if (file.empty() || file == "." || file == "..") return false;
  if (dot == file.npos) return true;
  const std::string_view extension = file.substr(dot);
  return SameAscii(extension, ".exe") || SameAscii(extension, ".com");
}

std::string QuoteArgument(std::string_view arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == arg.npos) return std::string(arg);
  // Backslashes count only before a quote: doubled there, and before the closing quote.
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  return out + '"';
}

}  // namespace velmora
