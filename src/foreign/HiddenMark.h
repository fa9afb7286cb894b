#pragma once
// Velmora's mark on every window it hides: a window property that outlives
// Velmora, so that a later start (or the crash handler) finds every window a
// killed or failed Velmora left hidden.
#include <cstdint>
#include <vector>

#include "platform/Desktop.h"
#include "platform/Shell.h"
#include "platform/WinConst.h"

namespace velmora {

inline constexpr char HiddenMarkName[] = "VelmoraHidden";

// The property's value: how the window was taken off the taskbar.
enum class HiddenHow : std::uintptr_t {
  None = 0,
  Hidden = 1,   // ShowWindow SW_HIDE
  TabOnly = 2,  // minimized, only its taskbar button taken away
  // Asked back (restored): the show may still wait in the queue of a program
  // that does not answer, behind a hide. Until the window is seen shown, no
  // instance of Velmora acts on it again.
  Showing = 3,
};

inline HiddenHow HiddenMarkOf(Desktop& desktop, Hwnd wnd) {
  const std::uintptr_t value = desktop.GetProp(wnd, HiddenMarkName);
  return value >= 1 && value <= 3 ? static_cast<HiddenHow>(value) : HiddenHow::None;
}

inline void SetHiddenMark(Desktop& desktop, Hwnd wnd, HiddenHow how) {
  desktop.SetProp(wnd, HiddenMarkName, static_cast<std::uintptr_t>(how));
}

inline void ClearHiddenMark(Desktop& desktop, Hwnd wnd) { desktop.RemoveProp(wnd, HiddenMarkName); }

// A marked window that is still off the taskbar: hidden, or minimized without its button.
inline bool StillHidden(Desktop& desktop, Hwnd wnd, HiddenHow how) {
  if (!desktop.IsWindow(wnd)) return false;
  if (how == HiddenHow::Hidden || how == HiddenHow::Showing) return !desktop.IsWindowVisible(wnd);
  return how == HiddenHow::TabOnly && desktop.IsIconic(wnd);
}

// Shown and not minimized: whatever Velmora queued for it has run. A visible
// minimized window may still have a hide waiting in its program's queue.
inline bool SeenShown(Desktop& desktop, Hwnd wnd) {
  return desktop.IsWindow(wnd) && desktop.IsWindowVisible(wnd) && !desktop.IsIconic(wnd);
}

// A window Velmora took off the taskbar goes back on it, minimized as it was:
// shown again, or given its button back.
inline void BackOnTaskbar(Desktop& desktop, Shell& shell, Hwnd wnd, HiddenHow how) {
  if (how == HiddenHow::TabOnly && shell.AddTaskbarTab(wnd)) return;
  // Shown anew, a window gets its button back whatever took it away.
  if (how == HiddenHow::TabOnly) desktop.ShowWindowAsync(wnd, win::SW_HIDE);
  desktop.ShowWindowAsync(wnd, win::SW_SHOWMINNOACTIVE);
}

// The mark of a window that is back by other means goes; one that had lost
// only its button gets it back (nothing else would give it).
inline void ForgetMark(Desktop& desktop, Shell& shell, Hwnd wnd, HiddenHow how) {
  ClearHiddenMark(desktop, wnd);
  if (how == HiddenHow::TabOnly && desktop.IsWindow(wnd)) shell.AddTaskbarTab(wnd);
}

// A show or hide of Velmora's (this instance's or an earlier one's) may still
// wait in the queue of the window's program: nothing is taken or forgotten
// until the program has caught up, so that no window is acted on twice.
inline bool AwaitsItsProgram(Desktop& desktop, Hwnd wnd) {
  const HiddenHow how = HiddenMarkOf(desktop, wnd);
  if (how == HiddenHow::Showing) return !SeenShown(desktop, wnd);
  return how != HiddenHow::None && desktop.IsHungAppWindow(wnd);
}

// The mark of a window Velmora asked back: it goes once the window is seen shown.
inline void AskedBack(Desktop& desktop, Hwnd wnd, HiddenHow how) {
  if (how == HiddenHow::None) return;
  if (SeenShown(desktop, wnd))
    ClearHiddenMark(desktop, wnd);
  else
    SetHiddenMark(desktop, wnd, HiddenHow::Showing);
}

// Shows every window that still carries the mark, and takes the mark away:
// the last step of an exit, for windows the list lost hold of. One that is
// minimized but still visible may have a hide waiting in its program's queue:
// the show goes in behind it. One asked back has its show queued already.
inline void ShowMarkedWindows(Desktop& desktop, Shell& shell, const std::vector<Hwnd>& windows) {
  for (Hwnd wnd : windows) {
    const HiddenHow how = HiddenMarkOf(desktop, wnd);
    if (how == HiddenHow::None || how == HiddenHow::Showing) continue;
    ClearHiddenMark(desktop, wnd);
    if (desktop.IsWindow(wnd) && !SeenShown(desktop, wnd)) BackOnTaskbar(desktop, shell, wnd, how);
  }
}

}  // namespace velmora
