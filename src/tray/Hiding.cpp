// Hiding, restoring and closing windows: the life of an entry.

#include "foreign/WindowKinds.h"
#include "platform/WinConst.h"
#include "tray/TListTrayIcon.h"

namespace velmora {

using namespace win;

std::vector<Hwnd> TListTrayIcon::Windows() const {
  std::vector<Hwnd> out;
  out.reserve(Entries.size());
  for (const auto& e : Entries) out.push_back(e->Window);
  return out;
}

bool TListTrayIcon::AddEntry(std::unique_ptr<TTrayIcon> owned) {
  TTrayIcon& entry = *owned;
  const Hwnd wnd = entry.Window;
  // Filled while the record is still ours alone: reading the title may let other messages in.
  PrepareEntry(entry);
  if (FindEntry(wnd)) return false;
  if (!entry.Timer)
    entry.Timer = std::make_unique<velmora::Timer>(ports_.timers, Options.EveryHideMinutes * 60000u,
                                                   [this, wnd] { InactiveTimerTimer(wnd); });
  entry.HiddenAt = ports_.timers.TickCount();
  entry.Timer->SetEnabled(false);
  // A program that is killed or crashes reports nothing: its end is watched, so that its icons go at once.
  ports_.kernel.WatchProcess(desktop_.GetWindowProcessId(wnd), TrayWnd, ProcessEndedMessage);
  Entries.push_back(std::move(owned));
  const bool shown = ShowNewEntry(wnd);
  if (TTrayIcon* listed = FindEntry(wnd)) listed->IconFailed = !shown;
  return true;
}

void TListTrayIcon::RemoveEntry(TTrayIcon* entry, std::size_t index) {
  if (index >= Entries.size() || Entries[index].get() != entry) return;
  std::unique_ptr<TTrayIcon> owned = std::move(Entries[index]);
  Entries.erase(Entries.begin() + static_cast<std::ptrdiff_t>(index));
  owned->cbSize = NotifyIconDataV1Size;
  owned->hWnd = TrayWnd;
  owned->uFlags = TrayFlags;
  owned->uCallbackMessage = TrayCallbackMessage;
  owned->Timer.reset();
  // The window keeps its mark until it is seen shown: one that is still
  // hidden, or whose hide still waits in its program's queue, is taken back
  // by the next sweep.
  form_.Held().ForgetIfShown(owned->Window);
  TakeOutOfTray(std::move(owned));
}

bool TListTrayIcon::RestoreWindow(Hwnd wnd) {
  HeldWindows& held = form_.Held();
  const HeldMark how = held.MarkOf(wnd);
  std::size_t index = 0;
  if (TTrayIcon* entry = FindEntry(wnd, &index))
    RemoveEntry(entry, index);
  else if (how == HeldMark::None || !desktop_.IsWindow(wnd))
    return false;
  if (how == HeldMark::TabOnly) GiveButtonBack(wnd);
  // Its program may take the foreground itself when it restores the window:
  // Velmora has the right after a click on its icon or a hotkey, and passes it on.
  desktop_.AllowSetForegroundWindow(desktop_.GetWindowProcessId(wnd));
  // Nothing here waits for the window's program: a hung one comes back when it answers again.
  // Shown without activation (SW_SHOW would activate it still minimized, its focus lost on the frame).
  if (const Hwnd app = OwningAppWindow(desktop_, wnd)) {
    desktop_.ShowWindowAsync(app, SW_SHOWNA);
    desktop_.ShowWindowAsync(app, SW_RESTORE);
  } else {
    desktop_.ShowWindowAsync(wnd, SW_SHOWNA);
    desktop_.SendNotifyMessage(wnd, WM_CHILDACTIVATE, 0, 0);
    desktop_.SendNotifyMessage(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  }
  ForceForegroundWindow(wnd);
  held.ShowOwned(wnd);
  held.AskedBack(wnd);
  return true;
}

void TListTrayIcon::GiveButtonBack(Hwnd wnd) {
  // Hidden and shown again, a window gets a new button whatever took the old one.
  if (!ports_.shell.AddTaskbarTab(wnd)) desktop_.ShowWindowAsync(wnd, SW_HIDE);
}

Hwnd TListTrayIcon::ModalDialogOf(Hwnd wnd) {
  auto usable = [&](Hwnd popup) {
    return popup != wnd && desktop_.IsWindowVisible(popup) && desktop_.IsWindowEnabled(popup) &&
           desktop_.GetWindow(popup, GW_OWNER) == wnd;
  };
  if (const Hwnd last = desktop_.GetLastActivePopup(wnd); usable(last)) return last;
  // The system's last active popup may be the window itself, activated while disabled.
  for (Hwnd popup : TopLevelWindows(desktop_))
    if (usable(popup)) return popup;
  return wnd;
}

bool TListTrayIcon::ForceForegroundWindow(Hwnd wnd) {
  Desktop& d = desktop_;
  if (d.IsIconic(wnd)) {
    // The window's own thread restores it, and activates it once it is back:
    // its program then puts the focus where it keeps it. Activated while still
    // minimized, the focus would stay on its frame. One with a modal dialog up
    // is restored without activation: its dialog, shown after it, takes the front.
    d.ShowWindowAsync(wnd, d.IsWindowEnabled(wnd) ? SW_RESTORE : SW_SHOWNOACTIVATE);
    return d.GetForegroundWindow() == wnd;
  }
  // With a modal dialog up (the window disabled), the dialog is what the user works with: it comes to the front.
  if (!d.IsWindowEnabled(wnd)) wnd = ModalDialogOf(wnd);
  if (d.GetForegroundWindow() == wnd) return true;
  d.BringWindowToTop(wnd);
  d.SetForegroundWindow(wnd);
  const Hwnd foreground = d.GetForegroundWindow();
  if (foreground == wnd || !foreground) return foreground == wnd;
  // Joined input state only with threads that answer: one that hangs would hold Velmora up.
  if (d.IsHungAppWindow(wnd) || d.IsHungAppWindow(foreground)) return false;
  const std::uint32_t foregroundThread = d.GetWindowThreadId(foreground);
  const std::uint32_t ownThread = d.GetWindowThreadId(wnd);
  if (d.AttachThreadInput(ownThread, foregroundThread, true)) {
    d.BringWindowToTop(wnd);
    d.SetForegroundWindow(wnd);
    d.AttachThreadInput(ownThread, foregroundThread, false);
  }
  return d.GetForegroundWindow() == wnd;
}

// Bulk operations run from the last window hidden to the first, on handles,
// so that entries removed meanwhile (message boxes, nested requests) are skipped.
std::vector<Hwnd> TListTrayIcon::LastToFirstWindows() const {
  std::vector<Hwnd> windows = Windows();
  std::reverse(windows.begin(), windows.end());
  return windows;
}

void TListTrayIcon::RestoreAll() {
  for (Hwnd wnd : LastToFirstWindows()) RestoreWindow(wnd);
}

void TListTrayIcon::ShowListedWindows() {
  for (Hwnd wnd : LastToFirstWindows()) {
    if (form_.Held().MarkOf(wnd) == HeldMark::TabOnly) GiveButtonBack(wnd);
    desktop_.ShowWindowAsync(wnd, SW_SHOWNA);
    desktop_.SendNotifyMessage(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    form_.Held().ShowOwned(wnd);
  }
}

void TListTrayIcon::CloseAll() {
  for (Hwnd wnd : LastToFirstWindows())
    if (FindEntry(wnd)) form_.UserCloseWindow(wnd, Options.ConfirmClose != 0);
}

void TListTrayIcon::CheckWindows() {
  for (Hwnd wnd : LastToFirstWindows()) {
    std::size_t index = 0;
    TTrayIcon* entry = FindEntry(wnd, &index);
    // Restored by its program, it leaves; restored but hidden (a restore and a
    // hide that waited in a hung program's queue), it stays held with its icon.
    if (entry && (!desktop_.IsWindow(wnd) || SeenShown(desktop_, wnd))) RemoveEntry(entry, index);
  }
  // What the library did not report (a window of a program it cannot reach): a new title, an icon gone.
  for (Hwnd wnd : LastToFirstWindows()) {
    const TTrayIcon* entry = FindEntry(wnd);
    if (entry) RefreshEntry(wnd, !ports_.painter.IconExists(entry->hIcon));
  }
}

}  // namespace velmora
