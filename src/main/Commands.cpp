// The commands of the command line, carried out by the main form: each one an
// event path of its own, a user's choice, never merged and never refused.
#include "main/Commands.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <initializer_list>
#include <memory>
#include <utility>

#include "foreign/WindowKinds.h"
#include "main/TFOrvane.h"
#include "platform/Utf8.h"

namespace velmora {

bool TargetTakes(Desktop& desktop, const CommandTarget& target, Hwnd wnd) {
  switch (target.kind) {
    case CommandTarget::Kind::Handle: return wnd == Hwnd{target.handle};
    case CommandTarget::Kind::Program: return CompareNoCase(desktop.GetWindowProgramName(wnd), target.name) == 0;
    case CommandTarget::Kind::Key:
      return CompareNoCase(desktop.GetClassName(wnd), target.name) == 0 ||
             CompareNoCase(WindowClassKey(desktop, wnd), target.name) == 0;
  }
  return false;
}

namespace {

// The answer to one command, given once. A command dropped before it ran (the
// program ends first) answers that Velmora did not carry it out.
class Answer {
 public:
  explicit Answer(std::function<void(int, std::string)> reply) : reply_(std::move(reply)) {}
  ~Answer() { Give(ExitUnreachable); }
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;

  void Give(int code, std::string text = {}) noexcept {
    auto reply = std::exchange(reply_, nullptr);
    if (!reply) return;
    try {
      reply(code, std::move(text));
    } catch (...) {
      // The sender is gone or its hand-over failed: nothing here depends on it.
    }
  }

 private:
  std::function<void(int, std::string)> reply_;
};

// A field of a line of /list: a tab or a line break in a title would split it.
std::string Field(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return text;
}

// "0x1a2b", as the other commands take a handle.
std::string HandleText(Hwnd wnd) {
  char digits[2 * sizeof wnd.value];
  char* end = std::to_chars(std::begin(digits), std::end(digits), wnd.value, 16).ptr;
  return "0x" + std::string(std::begin(digits), end);
}

// As /mark takes them.
std::string RuleWords(std::uint8_t rules) {
  std::string words = (rules & RuleCloseToTray) ? "close-to-tray" : "";
  if (rules & RuleHideOnOpen) words += words.empty() ? "hide-on-open" : ",hide-on-open";
  return words.empty() ? "-" : words;
}

}  // namespace

void TFOrvane::RunCommand(std::string_view message, std::function<void(int, std::string)> reply,
                          std::function<bool()> wanted) {
  auto answer = std::make_shared<Answer>(std::move(reply));
  if (closed_ || closeRequested_) return;
  // Read again, as if nothing had been checked before.
  const auto args = DecodeArguments(message);
  const ParsedCommand parsed = args ? ParseCommand(*args, CommandReader::Channel) : ParsedCommand{};
  if (!parsed.command) return answer->Give(ExitBadCommand);
  paths_.RunOrDefer([this, answer, wanted = std::move(wanted), command = *parsed.command] {
    if (closeRequested_ || !TrayList || (wanted && !wanted())) return;
    if (command.verb == Verb::List) return answer->Give(ExitDone, ListText());
    if (command.verb != Verb::Exit) return answer->Give(CarryOut(command));
    // As the Exit item: the answer first, then the close, which restores every hidden window.
    answer->Give(ExitDone);
    Exit();
  });
}

std::string TFOrvane::ListText() {
  std::string text;
  auto line = [&text](std::initializer_list<std::string> fields) {
    std::string joined;
    for (const std::string& field : fields) joined += (joined.empty() ? "" : "\t") + Field(field);
    // Whole lines only, as much as an answer carries.
    if (text.size() + joined.size() + 1 <= AnswerTextLimit) text += joined + '\n';
  };
  for (const auto& entry : TrayList->Entries) {
    line({"window", HandleText(entry->Window), desktop_.GetWindowProgramName(entry->Window), desktop_.GetClassName(entry->Window),
          WindowTitle(desktop_, entry->Window), entry->Attention ? "1" : "0"});
  }
  for (const std::string& mark : TrayList->Classes) line({"mark", mark, RuleWords(TrayList->RulesOf(mark))});
  return text;
}

int TFOrvane::CarryOut(const Command& command) {
  switch (command.verb) {
    case Verb::Mark: TrayList->SetRules(command.key, command.rules); return ExitDone;
    case Verb::Unmark:
      if (!TrayList->HasClass(command.key)) return ExitNoMatch;
      TrayList->RemoveClass(command.key);
      return ExitDone;
    case Verb::RestoreAll: TrayList->RestoreAll(); return ExitDone;
    // Not watched, the program would open on the screen: its sender ends it unrun.
    case Verb::Watch: return TrayList->WatchFirstWindow(command.pid) ? ExitDone : ExitNoMatch;
    case Verb::Hide:
    case Verb::Restore:
    case Verb::Toggle: break;
    default: return ExitBadCommand;
  }
  // The target's top-level windows that are shown, or hidden by Velmora (also
  // one the list lost hold of, taken back first, or one waiting for its program).
  // A dialog of a window goes and comes back with it, never on its own.
  std::vector<Hwnd> windows;
  for (Hwnd wnd : TopLevelWindows(desktop_)) {
    if (!TrayList || !MayHide(wnd) || !TargetTakes(desktop_, command.target, wnd) || TravelsWithOwner(desktop_, wnd))
      continue;
    if (TrayList->FindEntry(wnd) || AdoptIfStillHidden(wnd) != HeldWindows::Found::NotHeld ||
        desktop_.IsWindowVisible(wnd))
      windows.push_back(wnd);
  }
  if (windows.empty()) return ExitNoMatch;
  // Every call may let other paths' messages in: each window is looked up again.
  // One waiting for its program gets its calls queued behind what waits there,
  // so that it ends as asked once its program answers.
  for (Hwnd wnd : windows) {
    if (!TrayList || !desktop_.IsWindow(wnd)) continue;
    const bool listed = TrayList->FindEntry(wnd) != nullptr;
    const HeldMark mark = held_.MarkOf(wnd);
    // Hidden, or its hide still queued; one asked back is shown as far as a toggle goes.
    const bool hidden = listed || mark == HeldMark::Hidden || mark == HeldMark::TabOnly;
    if (command.verb == Verb::Hide ? !listed : command.verb == Verb::Toggle && !hidden)
      SendToTray(wnd);
    else if (command.verb != Verb::Hide && (hidden || mark != HeldMark::None))
      TrayList->RestoreWindow(wnd);
  }
  return ExitDone;
}

}  // namespace velmora
