#include "foreign/HeldWindows.h"

#include "platform/WinConst.h"

namespace velmora {

using namespace win;

HeldMark HeldWindows::MarkOf(Hwnd wnd) { return HeldMarkOf(desktop_.GetProp(wnd, HeldMarkName)); }

void HeldWindows::Move(Hwnd wnd, HeldEvent event) {
  const HeldMark next = NextMark(MarkOf(wnd), event);
  // Whatever Velmora queues now comes after an open ask, and what is seen ends
  // it: an answer to it would tell nothing.
  asked_.erase(wnd);
  if (next == HeldMark::None)
    desktop_.RemoveProp(wnd, HeldMarkName);
  else
    desktop_.SetProp(wnd, HeldMarkName, static_cast<std::uintptr_t>(next));
}

std::vector<Hwnd> HeldWindows::OwnedBy(Hwnd owner) {
  std::vector<Hwnd> owned;
  desktop_.EnumWindows([&](Hwnd wnd) {
    if (desktop_.GetWindow(wnd, GW_OWNER) == owner) owned.push_back(wnd);
    return true;
  });
  return owned;
}

void HeldWindows::ShowOwned(Hwnd wnd) {
  // Behind the window's own restore in its program's queue: a modal dialog (its
  // owner disabled) is activated last, so that it ends in front.
  const bool modal = !desktop_.IsWindowEnabled(wnd);
  for (Hwnd owned : OwnedBy(wnd)) {
    if (MarkOf(owned) != HeldMark::WithOwner) continue;
    Move(owned, HeldEvent::LetGo);
    desktop_.ShowWindowAsync(owned, modal && desktop_.IsWindowEnabled(owned) ? SW_SHOW : SW_SHOWNA);
  }
}

void HeldWindows::Hide(Hwnd wnd, bool tabOnly) {
  for (Hwnd owned : OwnedBy(wnd)) {
    if (!desktop_.IsWindowVisible(owned)) continue;
    Move(owned, HeldEvent::GoWithOwner);
    desktop_.ShowWindowAsync(owned, SW_HIDE);
  }
  // Marked first: the library in its program knows it as held from its first change on.
  if (tabOnly) {
    Move(wnd, HeldEvent::TakeTab);
    if (shell_.DeleteTaskbarTab(wnd)) return;
  }
  Move(wnd, HeldEvent::Hide);
  desktop_.ShowWindowAsync(wnd, SW_HIDE);
}

void HeldWindows::AskedBack(Hwnd wnd) {
  if (MarkOf(wnd) == HeldMark::None || ForgetIfShown(wnd)) return;
  Move(wnd, HeldEvent::AskBack);
  AskForAnswer(wnd, desktop_.GetForegroundWindow());
}

void HeldWindows::LetGo(Hwnd wnd) {
  const HeldMark how = MarkOf(wnd);
  if (how == HeldMark::None || ForgetIfShown(wnd)) return;
  Move(wnd, HeldEvent::LetGo);
  // One asked back has its show queued already.
  if (how != HeldMark::AskedBack) BackOnTaskbar(wnd, how);
  ShowOwned(wnd);
}

void HeldWindows::BackOnTaskbar(Hwnd wnd, HeldMark how) {
  // A dialog comes back as it was, in front of its owner.
  if (how == HeldMark::WithOwner) {
    desktop_.ShowWindowAsync(wnd, SW_SHOWNA);
    return;
  }
  if (how == HeldMark::TabOnly && shell_.AddTaskbarTab(wnd)) return;
  // Shown anew, a window gets its button back whatever took it away.
  if (how == HeldMark::TabOnly) desktop_.ShowWindowAsync(wnd, SW_HIDE);
  desktop_.ShowWindowAsync(wnd, SW_SHOWMINNOACTIVE);
}

bool HeldWindows::ForgetIfShown(Hwnd wnd) {
  if (!SeenShown(desktop_, wnd)) return false;
  const HeldMark how = MarkOf(wnd);
  if (how == HeldMark::None) return true;
  Move(wnd, HeldEvent::SeenShown);
  // Nothing else would give back a button the taskbar list took away.
  if (how == HeldMark::TabOnly) shell_.AddTaskbarTab(wnd);
  return true;
}

HeldWindows::Answer HeldWindows::Answered(Hwnd wnd, std::uint32_t token) {
  const auto it = asked_.find(wnd);
  if (it == asked_.end() || it->second.token != token) return Answer::Stale;
  const Ask ask = it->second;
  asked_.erase(it);
  if (!desktop_.IsWindow(wnd)) return Answer::Stale;
  const HeldMark how = MarkOf(wnd);
  if (how != HeldMark::None && !ForgetIfShown(wnd))
    Move(wnd, desktop_.IsWindowVisible(wnd) ? HeldEvent::AnsweredShown : HeldEvent::AnsweredHidden);
  // A program that could not take the foreground itself came back behind, or
  // in front of its own modal dialog: brought to the front (its dialog first),
  // unless the user has gone elsewhere meanwhile.
  const Hwnd front = desktop_.GetForegroundWindow();
  const bool wantsFront =
      how == HeldMark::AskedBack && (front == ask.front || front == wnd) && SeenShown(desktop_, wnd);
  return wantsFront ? Answer::WantsFront : Answer::Taken;
}

void HeldWindows::AskForAnswer(Hwnd wnd, Hwnd front) {
  if (asked_.contains(wnd)) return;
  const std::uint32_t token = ++nextToken_;
  if (notify_ && desktop_.NotifyWhenAnswered(wnd, notify_, token)) {
    asked_[wnd] = {token, front};
    return;
  }
  // No answer can come: what is seen now is all Velmora will learn.
  Move(wnd, desktop_.IsWindowVisible(wnd) ? HeldEvent::AnsweredShown : HeldEvent::AnsweredHidden);
}

HeldWindows::Found HeldWindows::Look(Hwnd wnd) {
  const HeldMark how = MarkOf(wnd);
  if (how == HeldMark::None || ForgetIfShown(wnd)) return Found::NotHeld;
  if (how == HeldMark::WithOwner) {
    // It goes and comes back with its owner; one whose owner is back by other means comes back too.
    const HeldMark owner = MarkOf(desktop_.GetWindow(wnd, GW_OWNER));
    if (owner == HeldMark::None || owner == HeldMark::WithOwner) LetGo(wnd);
    return Found::NotHeld;
  }
  const bool visible = desktop_.IsWindowVisible(wnd);
  if ((how == HeldMark::Hidden && !visible) || (how == HeldMark::TabOnly && (!visible || desktop_.IsIconic(wnd))))
    return Found::Hidden;
  AskForAnswer(wnd);
  return asked_.contains(wnd) ? Found::Waiting : Look(wnd);
}

void HeldWindows::AtExit(const std::vector<Hwnd>& windows) {
  for (Hwnd wnd : windows) {
    const auto event = ExitEvent(MarkOf(wnd), desktop_.IsWindowVisible(wnd), desktop_.IsIconic(wnd));
    if (event == HeldEvent::LetGo)
      LetGo(wnd);
    else if (event == HeldEvent::SeenShown)
      ForgetIfShown(wnd);
  }
  asked_.clear();
}

void HeldWindows::DropGone() {
  std::erase_if(asked_, [this](const auto& ask) { return !desktop_.IsWindow(ask.first); });
}

}  // namespace velmora
