// What the notification area shows for the hidden windows, and the clicks on it.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "platform/WinConst.h"
#include "tray/TListTrayIcon.h"

namespace velmora {

using namespace win;

namespace {

// Out-of-range settings fall back to what keeps every window reachable.
int ModeOf(const TOptionsRecord& o) { return o.TrayMode <= 2 ? o.TrayMode : 0; }
std::size_t GroupMinimumOf(const TOptionsRecord& o) { return std::max<std::size_t>(1, o.GroupMinimum); }
std::uint32_t InactiveMs(const TOptionsRecord& o) { return o.EveryHideMinutes * 60000u; }

}  // namespace

NotifyIconData TListTrayIcon::SharedData(std::uint32_t id, std::size_t count) const {
  NotifyIconData data;
  data.hWnd = TrayWnd;
  data.uID = id;
  data.uFlags = TrayFlags;
  data.uCallbackMessage = TrayCallbackMessage;
  data.SetTip(CountTip(count));
  return data;
}

bool TListTrayIcon::AddOwnIcon(TTrayIcon& entry) {
  entry.IconFailed = !ports_.tray.Shell_NotifyIcon(NIM_ADD, entry);
  return !entry.IconFailed;
}

void TListTrayIcon::DeleteOwnIcon(const TTrayIcon& entry) { ports_.tray.Shell_NotifyIcon(NIM_DELETE, entry); }

void TListTrayIcon::ArmInactiveTimer(TTrayIcon& entry, std::uint32_t ms) {
  if (!entry.Timer) return;
  entry.Timer->SetEnabled(false);
  entry.Timer->SetInterval(ms);
  entry.Timer->SetEnabled(true);
}

bool TListTrayIcon::ShowNewEntry(TTrayIcon& entry) {
  switch (ModeOf(Options)) {
    case 1:
      return UpdateSharedIcon(true, false, false);
    case 2: {
      const std::size_t n = GroupCount(entry.WindowClass);
      if (n < GroupMinimumOf(Options)) return AddOwnIcon(entry);
      if (SlotOf(entry.WindowClass) != 0) {
        UpdateGroupIcon(true, false, static_cast<std::uint16_t>(n), entry.hIcon, entry.WindowClass);
        return true;
      }
      // The group forms (or tries again, if it could not before).
      if (UpdateGroupIcon(true, true, static_cast<std::uint16_t>(n), entry.hIcon, entry.WindowClass)) {
        for (const auto& other : Entries)
          if (other.get() != &entry && other->WindowClass == entry.WindowClass) DeleteOwnIcon(*other);
        return true;
      }
      // No group icon to be had (every slot taken, or the shell refused it):
      // the windows keep icons of their own, so that each stays reachable.
      return AddOwnIcon(entry);
    }
    default: {
      const bool added = AddOwnIcon(entry);
      if (Options.EveryHideInactive) ArmInactiveTimer(entry, InactiveMs(Options));
      return added;
    }
  }
}

void TListTrayIcon::TakeOutOfTray(std::size_t index) {
  TTrayIcon* entry = Entries[index].get();
  auto erase = [this](TTrayIcon* e) { std::erase_if(Entries, [e](const auto& p) { return p.get() == e; }); };
  switch (ModeOf(Options)) {
    case 1:
      erase(entry);
      UpdateSharedIcon(false, false, false);
      break;
    case 2: {
      const std::string cls = entry->WindowClass;
      const Hicon icon = entry->hIcon;
      const std::size_t n = GroupCount(cls);
      if (SlotOf(cls) == 0) {
        DeleteOwnIcon(*entry);
      } else if (n <= GroupMinimumOf(Options)) {
        // The group dissolves: the others get their own icons back.
        UpdateGroupIcon(false, true, static_cast<std::uint16_t>(n - 1), icon, cls);
        for (const auto& other : Entries) {
          if (other.get() == entry || other->WindowClass != cls) continue;
          PrepareEntry(*other);
          AddOwnIcon(*other);
        }
      } else {
        UpdateGroupIcon(false, false, static_cast<std::uint16_t>(n - 1), icon, cls);
      }
      erase(entry);
      BringBackUnreachable();
      break;
    }
    default:
      if (!entry->Inactive) {
        DeleteOwnIcon(*entry);
        erase(entry);
      } else {
        erase(entry);
        UpdateSharedIcon(false, false, true);
      }
      break;
  }
}

bool TListTrayIcon::UpdateSharedIcon(bool adding, bool force, bool inactiveOnly) {
  const std::size_t n = inactiveOnly ? InactiveCount() : Count();
  const bool showCount = inactiveOnly ? Options.EveryShowHiddenCount != 0 : Options.AllShowCount != 0;
  NotifyIconData data = SharedData(SharedIconId, n);
  if (showCount && n < 10)
    data.hIcon = n == 0 ? Hicon{} : Icons[n];
  else
    data.hIcon = Icons[inactiveOnly ? 11 : 10];
  std::uint32_t message;
  if (adding)
    message = (force || n == 1) ? NIM_ADD : NIM_MODIFY;
  else
    message = (force || n == 0) ? NIM_DELETE : NIM_MODIFY;
  return ports_.tray.Shell_NotifyIcon(message, data);
}

bool TListTrayIcon::UpdateGroupIcon(bool adding, bool create, std::uint16_t count, Hicon baseIcon,
                                    const std::string& group) {
  std::size_t slot = 0;
  if (adding && create) {
    for (std::size_t i = 1; i <= GroupSlots && slot == 0; ++i)
      if (Groups[i].GroupName.empty()) slot = i;
    if (slot == 0) return false;
    Groups[slot].GroupName = group;
    Groups[slot].Icon = Hicon{};
  } else {
    slot = SlotOf(group);
    if (slot == 0) return false;
  }
  NotifyIconData data = SharedData(static_cast<std::uint32_t>(slot), count);
  TInstanceRecord& record = Groups[slot];
  if (!adding && create) {
    // The group ends: its icon goes, nothing needs drawing.
    ports_.tray.Shell_NotifyIcon(NIM_DELETE, data);
    if (record.Icon) ports_.painter.DestroyIcon(record.Icon);
    record = {};
    return true;
  }
  record.Icon = DrawCountIcon(record.Icon, count, baseIcon);
  data.hIcon = record.Icon;
  const bool shown = ports_.tray.Shell_NotifyIcon(adding && create ? NIM_ADD : NIM_MODIFY, data);
  if (adding && create && !shown) {
    // No icon, no group: the slot is free again.
    if (record.Icon) ports_.painter.DestroyIcon(record.Icon);
    record = {};
    return false;
  }
  return true;
}

void TListTrayIcon::RemoveGroupIcons() {
  for (std::size_t slot = 1; slot <= GroupSlots; ++slot) {
    TInstanceRecord& record = Groups[slot];
    if (record.GroupName.empty()) continue;
    NotifyIconData data = SharedData(static_cast<std::uint32_t>(slot), 0);
    ports_.tray.Shell_NotifyIcon(NIM_DELETE, data);
    if (record.Icon) ports_.painter.DestroyIcon(record.Icon);
    record = {};
  }
}

std::size_t TListTrayIcon::SlotOf(const std::string& group) const {
  for (std::size_t i = 1; i <= GroupSlots; ++i)
    if (!Groups[i].GroupName.empty() && Groups[i].GroupName == group) return i;
  return 0;
}

Hicon TListTrayIcon::DrawCountIcon(Hicon prevIcon, std::uint16_t count, Hicon baseIcon) {
  const bool digit = Options.GroupShowCount != 0 && count < 10;
  const Hicon icon = ports_.painter.DrawCount(baseIcon, count, digit, Options.CountColor);
  if (prevIcon) ports_.painter.DestroyIcon(prevIcon);
  return icon;
}

void TListTrayIcon::InactiveTimerTimer(Hwnd wnd) {
  TTrayIcon* entry = FindEntry(wnd);
  if (!entry) return;
  bool& busy = form_.Busy();
  if (busy) {
    entry->Timer->SetInterval(1000);  // another event path is at work: again in a second
    return;
  }
  entry->Timer->SetEnabled(false);
  if (!desktop_.IsWindow(wnd)) return;
  busy = true;
  DeleteOwnIcon(*entry);
  entry->Inactive = true;
  if (!UpdateSharedIcon(true, false, true) && InactiveCount() == 1) {
    // No "inactive" icon to collect it under: it keeps its own.
    entry->Inactive = false;
    AddOwnIcon(*entry);
    BringBackUnreachable();
  }
  busy = false;
}

void TListTrayIcon::ApplySettings(const TOptionsRecord& newOptions) {
  Options = newOptions;
  if (Entries.empty()) return;
  for (const auto& entry : Entries) {
    if (entry->Timer) entry->Timer->SetEnabled(false);
    entry->Inactive = false;
    DeleteOwnIcon(*entry);
  }
  UpdateSharedIcon(false, true, false);
  RemoveGroupIcons();
  switch (ModeOf(Options)) {
    case 1: {
      const bool shown = UpdateSharedIcon(true, true, false);
      for (const auto& entry : Entries) entry->IconFailed = !shown;
      break;
    }
    case 2: {
      // Counted once per class: the rebuild stays linear in the number of hidden windows.
      std::unordered_map<std::string, std::size_t> counts;
      for (const auto& entry : Entries) ++counts[entry->WindowClass];
      std::unordered_set<std::string> grouped, ungroupable;
      for (const auto& entry : Entries) {
        const std::string& cls = entry->WindowClass;
        const std::size_t n = counts[cls];
        if (n < GroupMinimumOf(Options) || ungroupable.contains(cls)) {
          AddOwnIcon(*entry);
        } else if (grouped.contains(cls)) {
          entry->IconFailed = false;
        } else if (UpdateGroupIcon(true, true, static_cast<std::uint16_t>(n), entry->hIcon, cls)) {
          grouped.insert(cls);
          entry->IconFailed = false;
        } else {
          ungroupable.insert(cls);
          AddOwnIcon(*entry);
        }
      }
      break;
    }
    default: {
      const std::uint64_t now = ports_.timers.TickCount();
      const std::uint64_t limit = InactiveMs(Options);
      if (Options.EveryHideInactive) {
        bool first = true, sharedShown = true;
        for (const auto& entry : Entries) {
          if (now - entry->HiddenAt < limit) continue;
          entry->Inactive = true;
          entry->IconFailed = false;
          const bool shown = UpdateSharedIcon(true, false, true);
          if (first) sharedShown = shown;
          first = false;
        }
        // No "inactive" icon: every window keeps an icon of its own instead.
        if (!sharedShown)
          for (const auto& entry : Entries) entry->Inactive = false;
      }
      for (const auto& entry : Entries) {
        if (entry->Inactive) continue;
        AddOwnIcon(*entry);
        if (Options.EveryHideInactive) {
          const std::uint64_t elapsed = now - entry->HiddenAt;
          const std::uint32_t left = elapsed >= limit ? 0 : static_cast<std::uint32_t>(limit - elapsed);
          ArmInactiveTimer(*entry, left == 0 ? 1000 : left);
        }
      }
      break;
    }
  }
  BringBackUnreachable();
}

void TListTrayIcon::BringBackUnreachable() {
  // A window whose icon could not be shown would be hidden with no way back:
  // it returns to the taskbar, minimized, and leaves the list.
  if (bringingBack_) return;
  bringingBack_ = true;
  for (;;) {
    auto it = std::find_if(Entries.begin(), Entries.end(), [](const auto& e) { return e->IconFailed; });
    if (it == Entries.end()) break;
    const Hwnd wnd = (*it)->Window;
    const auto index = static_cast<std::size_t>(it - Entries.begin());
    RemoveEntry(it->get(), index);
    if (desktop_.IsWindow(wnd) && !desktop_.IsWindowVisible(wnd)) desktop_.ShowWindow(wnd, SW_SHOWMINNOACTIVE);
  }
  bringingBack_ = false;
}

std::optional<std::intptr_t> TListTrayIcon::TrayWndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg == TrayIgnoredMessage) return 0;
  if (msg != TrayCallbackMessage) return std::nullopt;
  const auto mouse = static_cast<std::uint32_t>(lParam);
  if (mouse != WM_LBUTTONUP && mouse != WM_LBUTTONDBLCLK && mouse != WM_RBUTTONUP) return 0;
  bool& busy = form_.Busy();
  if (busy) return 0;
  busy = true;
  const auto id = static_cast<std::uint32_t>(wParam);
  const Hwnd wnd = HwndOfTrayId(id);
  const int mode = ModeOf(Options);
  const bool groupId = id < 128;
  auto groupName = [&]() { return id >= 1 && id <= GroupSlots ? Groups[id].GroupName : std::string(); };
  auto listMenu = [&](const std::string& group, MenuMode menuMode) {
    if (menus_) menus_->ShowListMenu(group, menuMode, false);
  };
  switch (mouse) {
    case WM_LBUTTONUP:
      if (id == SharedIconId)
        listMenu("", MenuMode::Restore);
      else if (mode == 0 && !Options.EveryDoubleClick)
        RestoreWindow(wnd);
      else if (mode == 2 && !groupId && !Options.GroupDoubleClick)
        RestoreWindow(wnd);
      else if (mode == 2 && groupId)
        listMenu(groupName(), MenuMode::Restore);
      break;
    case WM_LBUTTONDBLCLK:
      if (id == SharedIconId) break;
      if ((mode == 0 && Options.EveryDoubleClick) || (mode == 2 && !groupId && Options.GroupDoubleClick))
        RestoreWindow(wnd);
      break;
    case WM_RBUTTONUP:
      if (id != SharedIconId) {
        if (FindEntry(wnd)) {
          if (menus_) menus_->ShowWindowMenu(wnd);
        } else if (mode == 2 && groupId) {
          listMenu(groupName(), MenuMode::Close);
        }
      } else if (Options.AllRightClick || mode == 0) {
        listMenu("", MenuMode::Close);
      }
      break;
  }
  busy = false;
  return 0;
}

}  // namespace velmora
