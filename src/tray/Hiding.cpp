// Hiding, restoring and closing windows: the life of an entry.

#include "foreign/HiddenMark.h"
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
  // The window keeps its mark until it is shown again: one that is still
  // hidden (a slip, or a report of a window that did not go away) is taken
  // back by the next sweep.
  TakeOutOfTray(std::move(owned));
}

bool TListTrayIcon::RestoreWindow(Hwnd wnd) {
  std::size_t index = 0;
  TTrayIcon* entry = FindEntry(wnd, &index);
  if (!entry) return false;
  RemoveEntry(entry, index);
  ClearHiddenMark(desktop_, wnd);
  // Nothing here waits for the window's program: a hung one comes back when it answers again.
  if (const Hwnd app = OwningAppWindow(desktop_, wnd)) {
    desktop_.ShowWindowAsync(app, SW_SHOW);
    desktop_.ShowWindowAsync(app, SW_RESTORE);
  } else {
    desktop_.ShowWindowAsync(wnd, SW_SHOW);
    desktop_.SendNotifyMessage(wnd, WM_CHILDACTIVATE, 0, 0);
    desktop_.SendNotifyMessage(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  }
  return ForceForegroundWindow(wnd);
}

bool TListTrayIcon::ForceForegroundWindow(Hwnd wnd) {
  Desktop& d = desktop_;
  if (d.IsIconic(wnd)) d.ShowWindowAsync(wnd, SW_RESTORE);
  if (d.GetForegroundWindow() == wnd) return true;
  if (d.HasForegroundLock()) {
    const std::uint32_t foregroundThread = d.GetWindowThreadId(d.GetForegroundWindow());
    const std::uint32_t ownThread = d.GetWindowThreadId(wnd);
    bool inFront = false;
    if (d.AttachThreadInput(ownThread, foregroundThread, true)) {
      d.BringWindowToTop(wnd);
      d.SetForegroundWindow(wnd);
      d.AttachThreadInput(ownThread, foregroundThread, false);
      inFront = d.GetForegroundWindow() == wnd;
    }
    if (!inFront) {
      const std::uint32_t timeout = d.GetForegroundLockTimeout();
      d.SetForegroundLockTimeout(0);
      d.BringWindowToTop(wnd);
      d.SetForegroundWindow(wnd);
      d.SetForegroundLockTimeout(timeout);
    }
  } else {
    d.BringWindowToTop(wnd);
    d.SetForegroundWindow(wnd);
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
    desktop_.ShowWindowAsync(wnd, SW_SHOW);
    desktop_.SendNotifyMessage(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
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
    if (entry && (!desktop_.IsWindow(wnd) || !desktop_.IsIconic(wnd))) RemoveEntry(entry, index);
  }
  for (Hwnd wnd : LastToFirstWindows()) {
    const TTrayIcon* entry = FindEntry(wnd);
    if (!entry) continue;
    const bool iconGone = !ports_.painter.IconExists(entry->hIcon);
    // Both reads may let other messages in: the entry is found again after them.
    const Hicon icon = iconGone ? WindowIcon(desktop_, ports_.painter, wnd) : Hicon{};
    const std::string tip = TipOf(desktop_.GetWindowText(wnd));
    TTrayIcon* listed = FindEntry(wnd);
    if (!listed || (!iconGone && tip == listed->Tip())) continue;
    if (iconGone) listed->hIcon = icon;
    listed->SetTip(tip);
    // Only this window's icon changes.
    ModifyOwnIcon(wnd);
  }
}

}  // namespace velmora
