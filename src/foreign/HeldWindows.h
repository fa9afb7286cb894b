#pragma once
// A held window's life: what Velmora knows of another program's window it took
// off the taskbar (hidden, without its button, asked back, waiting for its
// program), kept in the window's mark so that it outlives Velmora. This unit is
// the one writer of the mark; its moves are the table below.
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "hook/HeldMark.h"
#include "platform/Desktop.h"
#include "platform/Shell.h"

namespace velmora {

// What happens to a window, done by Velmora or seen of it.
enum class HeldEvent : std::uint8_t {
  Hide,            // hidden with SW_HIDE
  TakeTab,         // minimized, its taskbar button deleted
  AskBack,         // its restore queued for its program
  SeenShown,       // shown and not minimized: what was queued for it has run
  AnsweredShown,   // its program took all that was queued before the ask; the window is visible
  AnsweredHidden,  // the same; the window is not visible
  LetGo,           // put back on the taskbar by Velmora: no icon, unmarked, exit; a dialog shown with its owner
  GoWithOwner,     // a dialog hidden with the window that owns it
};
inline constexpr int HeldEventCount = 8;

// The mark after an event, by the mark before it. A window asked back is
// waiting for its program until it is seen shown or its program answers; one
// marked hidden but visible again was shown by its program, or its hide is
// still queued: its program's answer tells which.
namespace moves {
using enum HeldMark;
inline constexpr HeldMark Table[5][HeldEventCount] = {
    // Hide  TakeTab  AskBack    SeenShown AnsweredShown AnsweredHidden LetGo GoWithOwner
    {Hidden, TabOnly, None,      None,     None,         None,          None, WithOwner},  // None
    {Hidden, TabOnly, AskedBack, None,     None,         Hidden,        None, WithOwner},  // Hidden
    {Hidden, TabOnly, AskedBack, None,     TabOnly,      TabOnly,       None, WithOwner},  // TabOnly
    {Hidden, TabOnly, AskedBack, None,     None,         None,          None, WithOwner},  // AskedBack
    {Hidden, TabOnly, None,      None,     None,         WithOwner,     None, WithOwner},  // WithOwner
};
}  // namespace moves

constexpr HeldMark NextMark(HeldMark mark, HeldEvent event) {
  return moves::Table[static_cast<int>(mark)][static_cast<int>(event)];
}

// At an exit, for a window Velmora no longer lists: back on the taskbar (LetGo),
// forgotten (SeenShown), or left as it is (a show still on its way: the next
// start asks its program before it acts on the window).
constexpr std::optional<HeldEvent> ExitEvent(HeldMark mark, bool visible, bool iconic) {
  if (mark == HeldMark::None) return std::nullopt;
  if (visible && !iconic) return HeldEvent::SeenShown;
  if (mark == HeldMark::AskedBack) return std::nullopt;
  return HeldEvent::LetGo;
}

// Shown and not minimized: whatever was queued for the window has run.
inline bool SeenShown(Desktop& desktop, Hwnd wnd) { return desktop.IsWindowVisible(wnd) && !desktop.IsIconic(wnd); }

class HeldWindows {
 public:
  HeldWindows(Desktop& desktop, Shell& shell) : desktop_(desktop), shell_(shell) {}
  HeldWindows(const HeldWindows&) = delete;
  HeldWindows& operator=(const HeldWindows&) = delete;

  // Where programs' answers arrive (AnsweredMessage).
  void SetAnswerTarget(Hwnd notify) { notify_ = notify; }
  HeldMark MarkOf(Hwnd wnd);

  // Takes a minimized window off the taskbar: its button only where asked and
  // the taskbar list takes it, else hidden; its shown dialogs are hidden with it
  // (a program hides them itself only when the user minimizes it).
  void Hide(Hwnd wnd, bool tabOnly);
  // The dialogs hidden with the window are shown again, after its own restore.
  void ShowOwned(Hwnd wnd);
  // Its restore has just been queued: asked back until seen shown or its program answers.
  void AskedBack(Hwnd wnd);
  // Velmora lets go of a window it does not ask back: minimized on the taskbar, its mark gone.
  void LetGo(Hwnd wnd);
  // Shown and not minimized: the mark goes, and a button taken away comes back. True when it went.
  bool ForgetIfShown(Hwnd wnd);
  // A program's answer (AnsweredMessage).
  enum class Answer {
    Stale,      // one Velmora no longer waits for
    Taken,      // the window's mark moved
    WantsFront, // its restore ran while the user stayed where it was asked: it comes to the front
  };
  Answer Answered(Hwnd wnd, std::uint32_t token);

  // A window Velmora does not list, as its mark finds it.
  enum class Found {
    NotHeld,  // no mark (a stale one goes)
    Hidden,   // off the taskbar with nothing queued: to be listed again
    Waiting,  // something may wait in its program's queue: its program is asked to answer, once
  };
  Found Look(Hwnd wnd);

  // The last step of an exit, for every window the list no longer holds.
  void AtExit(const std::vector<Hwnd>& windows);
  // Asks whose windows are gone are forgotten.
  void DropGone();

 private:
  // The one write of the mark.
  void Move(Hwnd wnd, HeldEvent event);
  void BackOnTaskbar(Hwnd wnd, HeldMark how);
  void AskForAnswer(Hwnd wnd, Hwnd front = {});
  std::vector<Hwnd> OwnedBy(Hwnd owner);

  Desktop& desktop_;
  Shell& shell_;
  Hwnd notify_;
  struct Ask {
    std::uint32_t token = 0;
    Hwnd front;  // a restore's: the foreground window when it was asked
  };
  std::map<Hwnd, Ask> asked_;  // each window's open ask
  std::uint32_t nextToken_ = 0;
};

}  // namespace velmora
