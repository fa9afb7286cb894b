// Hiding, restoring and closing windows: the life of an entry.

#include "main/WindowKinds.h"
#include "platform/WinConst.h"
#include "tray/TListTrayIcon.h"

namespace velmora {

using namespace win;

bool TListTrayIcon::AddEntry(std::unique_ptr<TTrayIcon> owned) {
  TTrayIcon& entry = *owned;
  PrepareEntry(entry);
  if (!entry.Timer) {
    const Hwnd wnd = entry.Window;
    entry.Timer = std::make_unique<velmora::Timer>(ports_.timers, Options.EveryHideMinutes * 60000u,
                                                   [this, wnd] { InactiveTimerTimer(wnd); });
  }
  entry.HiddenAt = ports_.timers.TickCount();
  entry.Timer->SetEnabled(false);
  Entries.push_back(std::move(owned));
  entry.IconFailed = !ShowNewEntry(entry);
  return true;
}

void TListTrayIcon::RemoveEntry(TTrayIcon* entry, std::size_t index) {
  if (index >= Entries.size() || Entries[index].get() != entry) return;
  entry->cbSize = NotifyIconDataV1Size;
  entry->hWnd = TrayWnd;
  entry->uFlags = TrayFlags;
  entry->uCallbackMessage = TrayCallbackMessage;
  entry->Timer.reset();
  TakeOutOfTray(index);
}

bool TListTrayIcon::RestoreWindow(Hwnd wnd) {
  std::size_t index = 0;
  TTrayIcon* entry = FindEntry(wnd, &index);
  if (!entry) return false;
  RemoveEntry(entry, index);
  if (const Hwnd app = OwningAppWindow(desktop_, wnd)) {
    desktop_.ShowWindow(app, SW_SHOW);
    desktop_.ShowWindow(app, SW_RESTORE);
  } else {
    desktop_.ShowWindow(wnd, SW_SHOW);
    desktop_.SendMessage(wnd, WM_CHILDACTIVATE, 0, 0);
    desktop_.SendMessage(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  }
  return ForceForegroundWindow(wnd);
}

bool TListTrayIcon::ForceForegroundWindow(Hwnd wnd) {
  Desktop& d = desktop_;
  if (d.IsIconic(wnd)) d.ShowWindow(wnd, SW_RESTORE);
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

namespace {
// The windows of the list, last hidden first: bulk operations work on handles,
// so that entries removed meanwhile (nested requests, message boxes) are simply skipped.
std::vector<Hwnd> LastToFirst(const std::vector<std::unique_ptr<TTrayIcon>>& entries) {
  std::vector<Hwnd> out;
  out.reserve(entries.size());
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) out.push_back((*it)->Window);
  return out;
}
}  // namespace

void TListTrayIcon::RestoreAll() {
  for (Hwnd wnd : LastToFirst(Entries)) RestoreWindow(wnd);
}

void TListTrayIcon::CloseAll() {
  for (Hwnd wnd : LastToFirst(Entries))
    if (FindEntry(wnd)) form_.UserCloseWindow(wnd, Options.ConfirmClose != 0);
}

void TListTrayIcon::CheckWindows() {
  for (Hwnd wnd : LastToFirst(Entries)) {
    std::size_t index = 0;
    TTrayIcon* entry = FindEntry(wnd, &index);
    if (entry && (!desktop_.IsWindow(wnd) || !desktop_.IsIconic(wnd))) RemoveEntry(entry, index);
  }
  if (Entries.empty()) return;
  bool changed = false;
  for (Hwnd wnd : LastToFirst(Entries)) {
    TTrayIcon* entry = FindEntry(wnd);
    if (!entry) continue;
    if (!ports_.painter.IconExists(entry->hIcon)) {
      entry->hIcon = WindowIcon(desktop_, ports_.painter, wnd);
      changed = true;
    }
    const std::string tip = TipOf(desktop_.GetWindowText(wnd));
    if (tip != entry->Tip()) {
      entry->SetTip(tip);
      changed = true;
    }
  }
  if (changed) ApplySettings(Options);
}

}  // namespace velmora
