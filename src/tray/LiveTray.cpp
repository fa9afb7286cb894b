// The live tray: what a held window does shows at once. A new title or icon
// reaches its tray icon within a tick or two of the library's report, and a
// window that flashes while held carries the attention mark until it leaves.
#include "foreign/WindowKinds.h"
#include "platform/Utf8.h"
#include "platform/WinConst.h"
#include "settings/OptionsStore.h"
#include "tray/TListTrayIcon.h"

namespace velmora {

using namespace win;

namespace {
constexpr std::uint32_t RefreshTickMs = 40;
// The library reports a window at most once in 100 ms: a read after that sees what it held back.
constexpr std::uint64_t QuietMs = 150;
constexpr char BalloonValue[] = "AttentionBalloon";  // beside "Options": the record's layout stays
}  // namespace

std::string TListTrayIcon::AttentionTipOf(std::string_view tip, bool asks) const {
  if (!asks) return std::string(tip);
  const std::string_view suffix = Texts[TextId::AttentionTip];
  return Utf8Prefix(tip, 63 - Utf16Length(suffix)) + std::string(suffix);
}

bool TListTrayIcon::AnyAsks(const std::function<bool(const TTrayIcon&)>& pred) const {
  for (const auto& e : Entries)
    if (e->Attention && pred(*e)) return true;
  return false;
}

NotifyIconData TListTrayIcon::OwnData(const TTrayIcon& entry) const {
  NotifyIconData data = entry;
  if (entry.Attention && entry.MarkedIcon) data.hIcon = entry.MarkedIcon.get();
  return data;
}

void TListTrayIcon::WindowChanged(Hwnd wnd) {
  // Anyone may post this: only a listed window is read, and each at most once a tick.
  if (!FindEntry(wnd)) return;
  const std::uint64_t now = ports_.timers.TickCount();
  Refresh& refresh = refreshes_[TrayIdOf(wnd)];
  if (refresh.first == 0) refresh.first = now;
  refresh.last = now + QuietMs;
  if (!refreshTimer_)
    refreshTimer_ = std::make_unique<velmora::Timer>(ports_.timers, RefreshTickMs, [this] { RefreshTick(); });
  if (!refreshTimer_->Enabled()) refreshTimer_->SetEnabled(true);
}

void TListTrayIcon::RefreshTick() {
  // Another event path is at work: the next tick tries again.
  form_.Paths().TryRun([this] {
    const std::uint64_t now = ports_.timers.TickCount();
    std::vector<Hwnd> due;
    for (auto it = refreshes_.begin(); it != refreshes_.end();) {
      bool read = false;
      if (it->second.first != 0 && now >= it->second.first) {
        read = true;
        it->second.first = 0;
      }
      if (now >= it->second.last) read = true;
      if (read) due.push_back(HwndOfTrayId(it->first));
      it = now >= it->second.last ? refreshes_.erase(it) : std::next(it);
    }
    if (refreshes_.empty() && refreshTimer_) refreshTimer_->SetEnabled(false);
    for (Hwnd wnd : due) RefreshEntry(wnd, true);
  });
}

void TListTrayIcon::RefreshEntry(Hwnd wnd, bool readIcon) {
  const TTrayIcon* entry = FindEntry(wnd);
  // A store app's icon is the app's, loaded by Velmora: its frame's icon is not.
  if (!entry) return;
  readIcon = readIcon && !entry->AppIcon;
  // Both reads may let other messages in: the entry is found again after them.
  const Hicon icon = readIcon ? WindowIcon(desktop_, ports_.painter, wnd) : Hicon{};
  const std::string title = WindowTitle(desktop_, wnd);
  TTrayIcon* listed = FindEntry(wnd);
  if (!listed) return;
  const std::string tip = AttentionTipOf(TipOf(title), listed->Attention);
  const bool newIcon = icon && icon != listed->hIcon;
  if (!newIcon && tip == listed->Tip()) return;
  listed->SetTip(tip);
  if (newIcon) {
    listed->hIcon = icon;
    if (listed->Attention) listed->MarkedIcon = OwnedIcon(ports_.painter, ports_.painter.DrawAttention(icon));
  }
  // Only this window's icon changes: a group's or the shared icon's tip names no window.
  ModifyOwnIcon(wnd);
}

void TListTrayIcon::Flash(Hwnd wnd) {
  if (!FindEntry(wnd)) return;
  // The title as it is now, for the balloon; it may let other messages in.
  const std::string title = WindowTitle(desktop_, wnd);
  TTrayIcon* entry = FindEntry(wnd);
  // Flashing goes on while the program waits: the mark and the balloon come once.
  if (!entry || entry->Attention) return;
  entry->Attention = true;
  entry->MarkedIcon = OwnedIcon(ports_.painter, ports_.painter.DrawAttention(entry->hIcon));
  entry->SetTip(AttentionTipOf(TipOf(title), true));
  ShowAttention(wnd);
  if (AttentionBalloon) ShowBalloon(wnd, title);
}

void TListTrayIcon::RedrawMarks() {
  for (const auto& e : Entries)
    if (e->Attention) e->MarkedIcon = OwnedIcon(ports_.painter, ports_.painter.DrawAttention(e->hIcon));
}

TListTrayIcon::ShownOn TListTrayIcon::IconShowing(const TTrayIcon& entry) const {
  const int mode = Options.EffectiveTrayMode();
  if (mode == 1 || (mode == 0 && entry.Inactive)) return {ShownOn::Shared, SharedIconId};
  if (const std::size_t slot = mode == 2 ? SlotOf(entry.WindowClass) : 0; slot != 0)
    return {ShownOn::Group, static_cast<std::uint32_t>(slot)};
  return {ShownOn::Own, TrayIdOf(entry.Window)};
}

void TListTrayIcon::ShowAttention(Hwnd wnd) {
  const TTrayIcon* entry = FindEntry(wnd);
  if (!entry || entry->IconFailed) return;
  switch (IconShowing(*entry).kind) {
    case ShownOn::Shared: {
      const bool inactiveOnly = Options.EffectiveTrayMode() == 0;
      OwnedIcon marked;
      const NotifyIconData data = SharedIconData(inactiveOnly, inactiveOnly ? InactiveCount() : Count(), marked);
      NotifyIcon(NIM_MODIFY, data);
      sharedMarked_ = std::move(marked);
      break;
    }
    case ShownOn::Group: {
      const std::string cls = entry->WindowClass;
      UpdateGroupIcon(true, false, static_cast<std::uint16_t>(GroupCount(cls)), entry->hIcon, cls);
      break;
    }
    case ShownOn::Own:
      ModifyOwnIcon(wnd);
      break;
  }
}

void TListTrayIcon::ShowBalloon(Hwnd wnd, const std::string& title) {
  const TTrayIcon* entry = FindEntry(wnd);
  if (!entry || entry->IconFailed) return;
  // Not in a presentation, over a program in full screen or in quiet hours: the icon's mark says it then.
  // A system that cannot tell (before Vista, Wine) is taken to welcome it.
  const std::uint32_t state = ports_.shell.QueryUserNotificationState();
  if (state != 0 && state != QUNS_ACCEPTS_NOTIFICATIONS) return;
  const std::uint32_t id = IconShowing(*entry).id;
  NotifyIconData data = SharedData(id, 0);
  data.uFlags = NIF_INFO;
  // The window's own icon and title: the user sees which program asks.
  data.dwInfoFlags = entry->hIcon ? NIIF_USER | NIIF_RESPECT_QUIET_TIME : NIIF_INFO | NIIF_RESPECT_QUIET_TIME;
  data.hBalloonIcon = entry->hIcon;
  data.SetInfo(title, Texts(TextId::AttentionBalloon, title));
  balloonFor_[id] = wnd;
  NotifyIcon(NIM_MODIFY, data);
}

void TListTrayIcon::BalloonClicked(std::uint32_t id) {
  const auto it = balloonFor_.find(id);
  if (it == balloonFor_.end()) return;
  const Hwnd wnd = it->second;
  balloonFor_.erase(it);
  if (FindEntry(wnd)) RestoreWindow(wnd);
}

void TListTrayIcon::LoadAttentionBalloon() {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  // Anything but a DWORD other than 0 leaves it off, as it is by default.
  AttentionBalloon = ports_.registry.QueryValue(OptionsKey, BalloonValue, type, data) == RegResult::Ok &&
                     type == REG_DWORD && data.size() == 4 && (data[0] | data[1] | data[2] | data[3]) != 0;
}

bool TListTrayIcon::SaveAttentionBalloon(bool on) {
  AttentionBalloon = on;
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(on ? 1 : 0), 0, 0, 0};
  return ports_.registry.SetValue(OptionsKey, BalloonValue, REG_DWORD, bytes);
}

}  // namespace velmora
