// The command line read as the user writes it and as the channel carries it.
#include <gtest/gtest.h>

#include "main/CommandLine.h"

namespace velmora {
namespace {

using Kind = CommandTarget::Kind;
using Args = std::vector<std::string>;

Command Of(Verb verb, CommandTarget target = {}, std::string key = {}, std::uint8_t rules = 0) {
  return Command{verb, std::move(key), rules, std::move(target), {}, 0};
}

TEST(CommandLine, EveryVerbItsArgumentsAndWhatIsNotUnderstood) {
  Command run = Of(Verb::RunHidden);
  run.program = {"probe.exe", "/hide", "a b"};
  Command watch = Of(Verb::Watch);
  watch.pid = 12;
  const struct {
    Args args;
    std::optional<Command> expected;  // none: refused, naming culprit
    std::string culprit;
    CommandReader reader = CommandReader::User;
  } cases[] = {
      {{"/mark", "Notepad"}, Of(Verb::Mark, {}, "Notepad"), ""},
      {{"--MARK", "-hide-on-open", "d.exe|Qt", "/Close-To-Tray"}, Of(Verb::Mark, {}, "d.exe|Qt", 3), ""},
      {{"/hide", "notepad.exe"}, Of(Verb::Hide, {Kind::Program, "notepad.exe", 0}), ""},
      {{"/restore", "C:\\Windows\\NOTEPAD.EXE"}, Of(Verb::Restore, {Kind::Program, "NOTEPAD.EXE", 0}), ""},
      {{"/toggle", "0x1234"}, Of(Verb::Toggle, {Kind::Handle, "", 0x1234}), ""},
      {{"/hide", "0XFFFF8001"}, Of(Verb::Hide, {Kind::Handle, "", 0xFFFFFFFFFFFF8001u}), ""},
      {{"/hide", "a.exe|Chrome_WidgetWin"}, Of(Verb::Hide, {Kind::Key, "a.exe|Chrome_WidgetWin", 0}), ""},
      {{"/Restore-All"}, Of(Verb::RestoreAll), ""},
      {{"/?"}, Of(Verb::Usage), ""},
      {{"/run-hidden", "probe.exe", "/hide", "a b"}, run, ""},
      {{"/watch-first-window", "12"}, watch, "", CommandReader::Channel},
      {{"/frobnicate"}, std::nullopt, "/frobnicate"},
      {{"mark", "x"}, std::nullopt, "mark"},
      {{"/hide"}, std::nullopt, "/hide"},
      {{"-unmark", "a", "b"}, std::nullopt, "b"},
      {{"/hide", "0xZZ"}, std::nullopt, "0xZZ"},
      {{"/unmark", "x", "/close-to-tray"}, std::nullopt, "/close-to-tray"},
      {{"/mark", std::string(256, 'k')}, std::nullopt, std::string(256, 'k')},
      {{"/run-hidden"}, std::nullopt, "/run-hidden"},
      {{"/watch-first-window", "12"}, std::nullopt, "/watch-first-window"},
      {{"/run-hidden", "x.exe"}, std::nullopt, "/run-hidden", CommandReader::Channel},
  };
  for (const auto& c : cases) {
    const ParsedCommand parsed = ParseCommand(c.args, c.reader);
    EXPECT_EQ(parsed.command, c.expected) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
    EXPECT_EQ(parsed.culprit, c.culprit) << c.args[0];
  }
  EXPECT_TRUE(ParseCommand({"/hide", std::string(CommandLimit, 'a')}, CommandReader::User).tooLong);
}

TEST(CommandLine, AVerbWithoutWhatItActsOnSaysWhatIsMissingAndACommandNamesWhatItActsOn) {
  using Lack = ParsedCommand::Lack;
  const struct {
    Args args;
    Lack lacks;
    std::string subject;  // of a command understood
  } cases[] = {
      {{"/hide"}, Lack::Target, ""}, {{"/mark", "/hide-on-open"}, Lack::Key, ""},
      {{"/run-hidden", ""}, Lack::Program, ""}, {{"--restore", "/close-to-tray"}, Lack::Nothing, ""},
      {{"/hide", "C:\\Windows\\regedit.exe"}, Lack::Nothing, "C:\\Windows\\regedit.exe"},
      {{"/restore", "0x1234"}, Lack::Nothing, "0x1234"}, {{"/unmark", "NoSuchMark"}, Lack::Nothing, "NoSuchMark"},
      {{"/mark", "/close-to-tray", "Notepad"}, Lack::Nothing, "Notepad"},
      {{"/run-hidden", "a.exe", "b"}, Lack::Nothing, "a.exe"},
  };
  for (const auto& c : cases) {
    const ParsedCommand parsed = ParseCommand(c.args, CommandReader::User);
    EXPECT_EQ(parsed.lacks, c.lacks) << c.args[0];
    EXPECT_EQ(parsed.subject, c.subject) << c.args[0];
    EXPECT_EQ(parsed.culprit, c.lacks == Lack::Nothing ? parsed.culprit : c.args[0]);
  }
}

TEST(CommandLine, RunHiddenNamesProgramsOnly) {
  for (const char* program : {"notepad", "notepad.exe", "NOTEPAD.EXE", "C:\\Apps\\tool.com", "C:\\My.Apps\\tool",
                              "..\\bin/probe.Exe", "\"quoted\".exe"})
    EXPECT_TRUE(NamesAProgram(program)) << program;
  for (const char* document : {"start.bat", "START.CMD", "notes.txt", "C:\\x\\run.ps1", "a.exe.lnk", "tool.",
                               "C:\\Apps\\", "", "setup.msi", "page.html", "C:\\x.exe\\script.vbs"})
    EXPECT_FALSE(NamesAProgram(document)) << document;
}

TEST(CommandLine, TheChannelCarriesWholeUtf8ArgumentsAndProgramsGetThemBackQuoted) {
  const Args args{"/hide", "记事本.exe", ""};
  EXPECT_EQ(DecodeArguments(*EncodeArguments(args)), args);
  for (std::string_view garbage : {std::string_view(""), std::string_view("/hide"), std::string_view("\xFF\0", 2)})
    EXPECT_FALSE(DecodeArguments(garbage)) << garbage;
  EXPECT_FALSE(DecodeArguments(std::string(CommandLimit + 1, '\0')));
  const std::pair<std::string, std::string> quoted[] = {
      {"a", "a"}, {"a b", "\"a b\""}, {"", "\"\""}, {"a\"b", "\"a\\\"b\""},
      {"C:\\x\\y", "C:\\x\\y"}, {"a b\\", "\"a b\\\\\""}, {"\\\"", "\"\\\\\\\"\""}};
  for (const auto& [arg, expected] : quoted) EXPECT_EQ(QuoteArgument(arg), expected) << arg;
}

}  // namespace
}  // namespace velmora
