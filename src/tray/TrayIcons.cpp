// What the notification area shows for the hidden windows, and the clicks on it.
#include <algorithm>
#include <utility>
#include <unordered_map>
#include <unordered_set>

#include "foreign/WindowKinds.h"
#include "platform/WinConst.h"
#include "tray/TListTrayIcon.h"

namespace velmora {

using namespace win;

namespace {

std::uint32_t InactiveMs(const TOptionsRecord& o) { return o.EveryHideMinutes * 60000u; }

}  // namespace

NotifyIconData TListTrayIcon::SharedData(std::uint32_t id, std::size_t count) const {
  NotifyIconData data;
  data.hWnd = TrayWnd;
  data.uID = id;
  data.uFlags = TrayFlags;
  data.uCallbackMessage = TrayCallbackMessage;
  data.SetTip(CountTip(Texts, count));
  return data;
}

bool TListTrayIcon::NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
  if (!ports_.tray.Shell_NotifyIcon(message, data)) return false;
  if (message != NIM_ADD) return true;
  // Every icon asks for version 3, so that it is reachable by keyboard. A shell
  // that refuses sends mouse messages only: its right click opens the menu.
  NotifyIconData version = data;
  version.uVersion = NOTIFYICON_VERSION;
  if (ports_.tray.Shell_NotifyIcon(NIM_SETVERSION, version))
    mouseOnlyIcons_.erase(data.uID);
  else
    mouseOnlyIcons_.insert(data.uID);
  return true;
}

// The tray calls are sends to the shell, which may let other messages in: each
// goes out with a copy of the entry's data, and the entry is found again after.
bool TListTrayIcon::AddOwnIcon(Hwnd wnd) {
  const TTrayIcon* entry = FindEntry(wnd);
  if (!entry) return false;
  const NotifyIconData data = OwnData(*entry);
  const bool shown = NotifyIcon(NIM_ADD, data);
  if (TTrayIcon* listed = FindEntry(wnd)) listed->IconFailed = !shown;
  return shown;
}

void TListTrayIcon::DeleteOwnIcon(Hwnd wnd) {
  NotifyIconData data = SharedData(TrayIdOf(wnd), 0);
  NotifyIcon(NIM_DELETE, data);
}

void TListTrayIcon::ModifyOwnIcon(Hwnd wnd) {
  const TTrayIcon* entry = FindEntry(wnd);
  if (!entry || entry->IconFailed || entry->Inactive) return;
  const int mode = Options.EffectiveTrayMode();
  if (mode == 1 || (mode == 2 && SlotOf(entry->WindowClass) != 0)) return;  // shown by a shared or group icon
  const NotifyIconData data = OwnData(*entry);
  NotifyIcon(NIM_MODIFY, data);
}

void TListTrayIcon::ArmInactiveTimer(Hwnd wnd, std::uint32_t ms) {
  TTrayIcon* entry = FindEntry(wnd);
  if (!entry || !entry->Timer) return;
  entry->Timer->SetEnabled(false);
  entry->Timer->SetInterval(ms);
  entry->Timer->SetEnabled(true);
}

bool TListTrayIcon::ShowNewEntry(Hwnd wnd) {
  const TTrayIcon* entry = FindEntry(wnd);
  if (!entry) return false;
  switch (Options.EffectiveTrayMode()) {
    case 1:
      return UpdateSharedIcon(true, false, false);
    case 2: {
      const std::string cls = entry->WindowClass;
      const Hicon icon = entry->hIcon;
      // A window whose class could not be read never forms or joins a group.
      if (cls.empty()) return AddOwnIcon(wnd);
      const std::size_t n = GroupCount(cls);
      if (n < Options.EffectiveGroupMinimum()) return AddOwnIcon(wnd);
      if (SlotOf(cls) != 0) {
        UpdateGroupIcon(true, false, static_cast<std::uint16_t>(n), icon, cls);
        return true;
      }
      // The group forms (or tries again, if it could not before).
      if (UpdateGroupIcon(true, true, static_cast<std::uint16_t>(n), icon, cls)) {
        for (Hwnd other : Windows()) {
          const TTrayIcon* e = FindEntry(other);
          if (other != wnd && e && e->WindowClass == cls) DeleteOwnIcon(other);
        }
        return true;
      }
      // No group icon to be had (every slot taken, or the shell refused it):
      // the windows keep icons of their own, so that each stays reachable.
      return AddOwnIcon(wnd);
    }
    default: {
      const bool added = AddOwnIcon(wnd);
      if (Options.EveryHideInactive) ArmInactiveTimer(wnd, InactiveMs(Options));
      return added;
    }
  }
}

void TListTrayIcon::TakeOutOfTray(std::unique_ptr<TTrayIcon> entry) {
  // The entry has left the list already; what remains is counted without it.
  switch (Options.EffectiveTrayMode()) {
    case 1:
      UpdateSharedIcon(false, false, false);
      break;
    case 2: {
      const std::string& cls = entry->WindowClass;
      const std::size_t remaining = GroupCount(cls);
      if (SlotOf(cls) == 0) {
        DeleteOwnIcon(entry->Window);
      } else if (remaining + 1 <= Options.EffectiveGroupMinimum()) {
        // The group dissolves: the others get their own icons back.
        UpdateGroupIcon(false, true, static_cast<std::uint16_t>(remaining), entry->hIcon, cls);
        for (Hwnd other : Windows()) {
          const TTrayIcon* e = FindEntry(other);
          if (!e || e->WindowClass != cls) continue;
          const std::string tip = TipOf(WindowTitle(desktop_, other));
          if (TTrayIcon* listed = FindEntry(other)) {
            listed->SetTip(AttentionTipOf(tip, listed->Attention));
            listed->Caption = tip;
            AddOwnIcon(other);
          }
        }
      } else {
        UpdateGroupIcon(false, false, static_cast<std::uint16_t>(remaining), entry->hIcon, cls);
      }
      BringBackUnreachable();
      break;
    }
    default:
      if (!entry->Inactive)
        DeleteOwnIcon(entry->Window);
      else
        UpdateSharedIcon(false, false, true);
      break;
  }
}

bool TListTrayIcon::UpdateSharedIcon(bool adding, bool force, bool inactiveOnly) {
  const std::size_t n = inactiveOnly ? InactiveCount() : Count();
  OwnedIcon marked;
  const NotifyIconData data = SharedIconData(inactiveOnly, n, marked);
  std::uint32_t message;
  if (adding)
    message = (force || n == 1) ? NIM_ADD : NIM_MODIFY;
  else
    message = (force || n == 0) ? NIM_DELETE : NIM_MODIFY;
  const bool done = NotifyIcon(message, data);
  sharedMarked_ = std::move(marked);
  return done;
}

NotifyIconData TListTrayIcon::SharedIconData(bool inactiveOnly, std::size_t n, OwnedIcon& marked) {
  const bool showCount = inactiveOnly ? Options.EveryShowHiddenCount != 0 : Options.AllShowCount != 0;
  NotifyIconData data = SharedData(SharedIconId, n);
  if (showCount && n < 10)
    data.hIcon = n == 0 ? Hicon{} : Icons[n];
  else
    data.hIcon = Icons[inactiveOnly ? 11 : 10];
  if (n > 0 && AnyAsks([inactiveOnly](const TTrayIcon& e) { return !inactiveOnly || e.Inactive; })) {
    // A count icon is the count, whole: the mark would cover part of it ("4" read as "1"). With the
    // mark, the count goes to the top right of Velmora's own icon, as on group icons, clear of it.
    OwnedIcon counted;
    if (showCount && n < 10)
      counted = OwnedIcon(ports_.painter, ports_.painter.DrawCount(Icons[inactiveOnly ? 11 : 10],
                                                                   static_cast<std::uint16_t>(n), true, Options.CountColor));
    marked = OwnedIcon(ports_.painter, ports_.painter.DrawAttention(counted ? counted.get() : data.hIcon));
    if (marked) data.hIcon = marked.get();
    data.SetTip(AttentionTipOf(data.szTip.data(), true));
  }
  return data;
}

bool TListTrayIcon::UpdateGroupIcon(bool adding, bool create, std::uint16_t count, Hicon baseIcon,
                                    const std::string& group) {
  if (group.empty()) return false;  // "" marks a free slot: it never names a group
  std::size_t slot = 0;
  if (adding && create) {
    for (std::size_t i = 1; i <= GroupSlots && slot == 0; ++i)
      if (Groups[i].GroupName.empty()) slot = i;
    if (slot == 0) return false;
    Groups[slot] = TInstanceRecord{group, OwnedIcon{}};
  } else {
    slot = SlotOf(group);
    if (slot == 0) return false;
  }
  NotifyIconData data = SharedData(static_cast<std::uint32_t>(slot), count);
  // The mark beside the count while any of the group's windows asks for attention.
  const bool asks = AnyAsks([&group](const TTrayIcon& e) { return e.WindowClass == group; });
  const std::string tail = AttentionTipOf(CountTip(Texts, count), asks);
  // A group of one program's windows of a shared class names the program, cut before the count is.
  if (const auto bar = group.find('|'); bar != std::string::npos)
    data.SetTip(Utf8Prefix(group.substr(0, bar) + " - ", 63 - Utf16Length(tail)) + tail);
  else
    data.SetTip(tail);
  if (!adding && create) {
    // The group ends: its icon goes, nothing needs drawing.
    Groups[slot] = {};
    NotifyIcon(NIM_DELETE, data);
    return true;
  }
  OwnedIcon drawn(ports_.painter, DrawCountIcon(Hicon{}, count, baseIcon));
  if (asks)
    if (OwnedIcon marked(ports_.painter, ports_.painter.DrawAttention(drawn.get())); marked) drawn = std::move(marked);
  data.hIcon = drawn.get();
  // The shell keeps its own copy of the icon: the old drawing may go once the new one is in.
  const bool shown = NotifyIcon(adding && create ? NIM_ADD : NIM_MODIFY, data);
  TInstanceRecord& record = Groups[slot];
  if (record.GroupName != group) return false;  // the slot changed meanwhile; the drawing goes
  if (adding && create && !shown) {
    // No icon, no group: the slot is free again.
    record = {};
    return false;
  }
  record.Icon = std::move(drawn);
  return true;
}

void TListTrayIcon::RemoveGroupIcons() {
  for (std::size_t slot = 1; slot <= GroupSlots; ++slot) {
    if (Groups[slot].GroupName.empty()) continue;
    Groups[slot] = {};
    NotifyIcon(NIM_DELETE, SharedData(static_cast<std::uint32_t>(slot), 0));
  }
}

std::size_t TListTrayIcon::SlotOf(const std::string& group) const {
  if (group.empty()) return 0;
  for (std::size_t i = 1; i <= GroupSlots; ++i)
    if (Groups[i].GroupName == group) return i;
  return 0;
}

Hicon TListTrayIcon::DrawCountIcon(Hicon prevIcon, std::uint16_t count, Hicon baseIcon) {
  const bool digit = Options.GroupShowCount != 0 && count < 10;
  const Hicon icon = ports_.painter.DrawCount(baseIcon, count, digit, Options.CountColor);
  if (prevIcon) ports_.painter.DestroyIcon(prevIcon);
  return icon;
}

void TListTrayIcon::InactiveTimerTimer(Hwnd wnd) {
  if (!FindEntry(wnd)) return;
  if (form_.Paths().TryRun([this, wnd] { InactiveTimerPath(wnd); })) return;
  // Another event path is at work: again in a second.
  if (TTrayIcon* entry = FindEntry(wnd); entry && entry->Timer) entry->Timer->SetInterval(1000);
}

void TListTrayIcon::InactiveTimerPath(Hwnd wnd) {
  TTrayIcon* entry = FindEntry(wnd);
  if (!entry) return;
  if (entry->Timer) entry->Timer->SetEnabled(false);
  // A tick that was due before the settings changed, or came twice: nothing to collect.
  if (Options.EffectiveTrayMode() != 0 || !Options.EveryHideInactive || entry->Inactive) return;
  if (!desktop_.IsWindow(wnd)) return;
  DeleteOwnIcon(wnd);
  entry = FindEntry(wnd);
  if (!entry) return;
  entry->Inactive = true;
  if (!UpdateSharedIcon(true, false, true) && InactiveCount() == 1) {
    // No "inactive" icon to collect it under: it keeps its own.
    if (TTrayIcon* again = FindEntry(wnd)) {
      again->Inactive = false;
      AddOwnIcon(wnd);
    }
    BringBackUnreachable();
  }
}

void TListTrayIcon::ApplySettings(const TOptionsRecord& newOptions) {
  Options = newOptions;
  if (Entries.empty()) return;
  for (const auto& entry : Entries) {
    if (entry->Timer) entry->Timer->SetEnabled(false);
    entry->Inactive = false;
  }
  for (Hwnd wnd : Windows()) DeleteOwnIcon(wnd);
  UpdateSharedIcon(false, true, false);
  RemoveGroupIcons();
  switch (Options.EffectiveTrayMode()) {
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
      for (Hwnd wnd : Windows()) {
        const TTrayIcon* entry = FindEntry(wnd);
        if (!entry) continue;
        const std::string cls = entry->WindowClass;
        const std::size_t n = counts[cls];
        if (cls.empty() || n < Options.EffectiveGroupMinimum() || ungroupable.contains(cls)) {
          AddOwnIcon(wnd);
        } else if (grouped.contains(cls) ||
                   UpdateGroupIcon(true, true, static_cast<std::uint16_t>(n), entry->hIcon, cls)) {
          grouped.insert(cls);
          if (TTrayIcon* listed = FindEntry(wnd)) listed->IconFailed = false;
        } else {
          ungroupable.insert(cls);
          AddOwnIcon(wnd);
        }
      }
      break;
    }
    default: {
      const std::uint64_t now = ports_.timers.TickCount();
      const std::uint64_t limit = InactiveMs(Options);
      if (Options.EveryHideInactive) {
        bool first = true, sharedShown = true;
        for (Hwnd wnd : Windows()) {
          TTrayIcon* entry = FindEntry(wnd);
          if (!entry || now - entry->HiddenAt < limit) continue;
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
      for (Hwnd wnd : Windows()) {
        const TTrayIcon* entry = FindEntry(wnd);
        if (!entry || entry->Inactive) continue;
        const std::uint64_t hiddenAt = entry->HiddenAt;
        AddOwnIcon(wnd);
        if (Options.EveryHideInactive) {
          const std::uint64_t elapsed = now - hiddenAt;
          const std::uint32_t left = elapsed >= limit ? 0 : static_cast<std::uint32_t>(limit - elapsed);
          ArmInactiveTimer(wnd, left == 0 ? 1000 : left);
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
    // Also when still visible but minimized: a hide may wait in its program's queue.
    form_.Held().LetGo(wnd);
  }
  bringingBack_ = false;
}

std::optional<std::intptr_t> TListTrayIcon::TrayWndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg == TrayIgnoredMessage) return 0;
  if (msg == ProcessEndedMessage) {
    // Its windows are gone with it: their entries and icons leave now, not at the next sweep; a watch of it ends.
    form_.Paths().RunOrDefer([this, pid = static_cast<std::uint32_t>(wParam)] {
      WatchedProcessEnded(pid);
      CheckWindows();
    });
    return 0;
  }
  if (msg != TrayCallbackMessage) return std::nullopt;
  const auto event = static_cast<std::uint32_t>(lParam);
  const auto id = static_cast<std::uint32_t>(wParam);
  // A version 3 icon reports a click twice: the button, then NIN_SELECT or
  // WM_CONTEXTMENU. The pair is one click, acted on once; tracked here, as
  // it arrives, since the second may come inside the first one's menu.
  const bool versioned = !mouseOnlyIcons_.contains(id);
  bool fromKeyboard = false;
  switch (event) {
    case WM_LBUTTONUP:
      if (versioned) selectFollows_ = id;
      break;
    case NIN_SELECT:
      if (std::exchange(selectFollows_, std::nullopt) == id) return 0;
      break;
    case WM_RBUTTONUP:
      if (versioned) {
        contextMenuFollows_ = id;
        return 0;
      }
      break;
    case WM_CONTEXTMENU:
      // Without the button before it, it came from Shift+F10 or the menu key.
      fromKeyboard = std::exchange(contextMenuFollows_, std::nullopt) != id;
      break;
    case NIN_KEYSELECT:
      // Enter may be reported twice: once its path is waiting or running, a second is the same key.
      if (!keySelects_.insert(id).second) return 0;
      fromKeyboard = true;
      break;
    case WM_LBUTTONDBLCLK:
      break;
    case NIN_BALLOONUSERCLICK:
      form_.Paths().RunOrDefer([this, id] { BalloonClicked(id); });
      return 0;
    default:
      return 0;
  }
  // A click while another path is at work is carried out when that one ends.
  const bool queued = form_.Paths().RunOrDefer([this, id, event, fromKeyboard] {
    struct KeyDone {
      TListTrayIcon& list;
      std::uint32_t id;
      bool key;
      ~KeyDone() {
        if (key) list.keySelects_.erase(id);
      }
    } done{*this, id, event == NIN_KEYSELECT};
    ClickPath(id, event, fromKeyboard);
  });
  if (!queued && event == NIN_KEYSELECT) keySelects_.erase(id);
  return 0;
}

void TListTrayIcon::ClickPath(std::uint32_t id, std::uint32_t event, bool fromKeyboard) {
  const Hwnd wnd = HwndOfTrayId(id);
  const int mode = Options.EffectiveTrayMode();
  const bool groupId = id < 128;
  auto groupName = [&]() { return id >= 1 && id <= GroupSlots ? Groups[id].GroupName : std::string(); };
  // A menu the keyboard opened and left without a choice gives the focus back to its icon.
  auto menuEnded = [&](bool chosen) {
    if (chosen || !fromKeyboard || form_.Paths().Closing()) return;
    NotifyIconData focus;
    focus.hWnd = TrayWnd;
    focus.uID = id;
    ports_.tray.Shell_NotifyIcon(NIM_SETFOCUS, focus);
  };
  auto listMenu = [&](const std::string& group, MenuMode menuMode) {
    if (menus_) menuEnded(menus_->ShowListMenu(group, menuMode, false, fromKeyboard));
  };
  switch (event) {
    case WM_LBUTTONUP:
    case NIN_SELECT:
    case NIN_KEYSELECT: {
      // A key has no double click: it is the click that acts, whichever the option asks for.
      const bool key = event == NIN_KEYSELECT;
      if (id == SharedIconId)
        listMenu("", MenuMode::Restore);
      else if (mode == 0 && (key || !Options.EveryDoubleClick))
        RestoreWindow(wnd);
      else if (mode == 2 && !groupId && (key || !Options.GroupDoubleClick))
        RestoreWindow(wnd);
      else if (mode == 2 && groupId)
        listMenu(groupName(), MenuMode::Restore);
      break;
    }
    case WM_LBUTTONDBLCLK:
      if (id == SharedIconId) break;
      if ((mode == 0 && Options.EveryDoubleClick) || (mode == 2 && !groupId && Options.GroupDoubleClick))
        RestoreWindow(wnd);
      break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
      if (id != SharedIconId) {
        if (FindEntry(wnd)) {
          if (menus_) menuEnded(menus_->ShowWindowMenu(wnd, fromKeyboard));
        } else if (mode == 2 && groupId) {
          listMenu(groupName(), MenuMode::Close);
        }
      } else if (Options.AllRightClick || mode == 0) {
        listMenu("", MenuMode::Close);
      }
      break;
  }
}

}  // namespace velmora
