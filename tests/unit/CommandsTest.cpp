// Commands of the command line carried out by the main form on the fake desktop.
#include <gtest/gtest.h>

#include "TestWorld.h"
#include "main/CommandLine.h"

namespace velmora {
namespace {

using test::VelmoraWorld;

class Commands : public ::testing::Test, public VelmoraWorld {
 protected:
  // The command as the channel hands it over; -1 while no answer has come.
  int Run(const std::vector<std::string>& args) {
    code = -1;
    form->RunCommand(*EncodeArguments(args), [this](int c, std::string text) { code = c, printed = std::move(text); });
    w.timers.Advance(100);  // the hide timer
    return code;
  }
  int code = -1;
  std::string printed;
};

TEST_F(Commands, HideRestoreAndToggleTheShownWindowsOfAProgramAKeyOrAHandle) {
  Start();
  const auto notepad = [&](bool visible) {
    return w.desktop.AddWindow({.className = "Notepad", .pid = 7, .visible = visible, .program = "notepad.exe"});
  };
  const Hwnd a = notepad(true), b = notepad(true), unseen = notepad(false);
  const Hwnd chat = w.desktop.AddWindow({.className = "Chrome_WidgetWin_1", .pid = 8, .program = "Discord.exe"});
  EXPECT_EQ(Run({"/hide", "NOTEPAD.EXE"}), ExitDone);
  EXPECT_TRUE(Hidden(a) && Hidden(b) && List().FindEntry(a) && List().FindEntry(b));
  EXPECT_EQ(Run({"/restore", fake::Hex(a.value)}), ExitDone);
  EXPECT_TRUE(!Hidden(a) && Hidden(b));
  EXPECT_EQ(Run({"/toggle", "notepad"}), ExitDone);  // the class, in any case
  EXPECT_TRUE(Hidden(a) && !Hidden(b));
  EXPECT_EQ(Run({"/hide", "discord.exe|Chrome_WidgetWin"}), ExitDone);
  EXPECT_TRUE(Hidden(chat));
  // /list: a line per hidden window, then one per mark; a tab in a title would split its line.
  w.desktop.SetTitle(chat, "Chat\tRoom");
  List().SetRules("Notepad", RuleHideOnOpen | RuleCloseToTray);
  EXPECT_EQ(Run({"/list"}), ExitDone);
  EXPECT_EQ(printed, "window\t" + fake::Hex(a.value) + "\tnotepad.exe\tNotepad\t\t0\n" + "window\t" +
                         fake::Hex(chat.value) + "\tDiscord.exe\tChrome_WidgetWin_1\tChat Room\t0\n" +
                         "mark\tNotepad\tclose-to-tray,hide-on-open\n");
  const Hwnd taskbar = Foreign("Shell_TrayWnd");
  for (const std::string& target : {std::string("nothing.exe"), fake::Hex(unseen.value), fake::Hex(host.handle.value),
                                    fake::Hex(taskbar.value)})
    EXPECT_EQ(Run({"/hide", target}), ExitNoMatch) << target;
  // A window the list lost hold of, still hidden, is the command's too.
  std::size_t index = 0;
  List().RemoveEntry(List().FindEntry(chat, &index), index);
  w.desktop.Window(chat).visible = false;
  EXPECT_EQ(Run({"/restore", "Discord.exe"}), ExitDone);
  EXPECT_FALSE(Hidden(chat));
  EXPECT_EQ(Run({"/restore-all"}), ExitDone);
  EXPECT_TRUE(List().Count() == 0 && !Hidden(a) && !Hidden(b) && !Hidden(chat));
}

TEST_F(Commands, MarksRulesWatchesAndExitEachAnsweredOnceWhenTheirTurnComes) {
  EXPECT_EQ(Run({"/mark", "Notepad"}), -1) << "nothing runs before start-up";
  Start();
  EXPECT_EQ(code, ExitDone);
  EXPECT_TRUE(List().HasClass("Notepad"));
  EXPECT_EQ(Run({"/mark", "notepad", "/hide-on-open", "/close-to-tray"}), ExitDone);
  EXPECT_EQ(List().RulesOf("Notepad"), RuleCloseToTray | RuleHideOnOpen);
  EXPECT_EQ(Run({"/mark", "Notepad"}), ExitDone);
  EXPECT_EQ(List().RulesOf("Notepad"), 0) << "the rules are those given";
  EXPECT_EQ(Run({"/unmark", "NOTEPAD"}), ExitDone);
  EXPECT_EQ(Run({"/unmark", "Notepad"}), ExitNoMatch);
  EXPECT_EQ(Run({"/watch-first-window", "4242"}), ExitDone);
  EXPECT_TRUE(Watched(*form->Sections().Marks(), 4242));
  // Read again here: a message that is not whole is refused.
  const auto keep = [this](int c, std::string) { code = c; };
  form->RunCommand("/hide", keep);
  EXPECT_EQ(code, ExitBadCommand);
  // Behind another path: answered once it has run, carried out only while its sender waits.
  WhileBusy([&] {
    form->RunCommand(*EncodeArguments({"/mark", "Calc"}), keep);
    EXPECT_EQ(code, ExitBadCommand);
    form->RunCommand(*EncodeArguments({"/mark", "Late"}), [](int, std::string) {}, [] { return false; });
  });
  EXPECT_EQ(code, ExitDone);
  EXPECT_FALSE(List().HasClass("Late"));
  // /exit answers first, then closes as the Exit item.
  form->RunCommand(*EncodeArguments({"/exit"}), [&](int c, std::string) { code = c + 10 * host.closeRequests; });
  EXPECT_EQ(code, ExitDone);
  EXPECT_EQ(host.closeRequests, 1);
  // A command that waits when the close comes is not carried out, nor one that comes after.
  WhileBusy([&] {
    form->RunCommand(*EncodeArguments({"/mark", "Late"}), keep);
    EXPECT_FALSE(form->FormCloseQuery());
  });
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_EQ(code, ExitUnreachable);
  EXPECT_EQ(Run({"/restore-all"}), ExitUnreachable);
}

}  // namespace
}  // namespace velmora
