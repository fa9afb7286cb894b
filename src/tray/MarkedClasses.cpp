// The marked window classes: their windows always go to the tray.
#include <algorithm>
#include <functional>

#include "foreign/SystemMenuItems.h"
#include "foreign/WindowKinds.h"
#include "platform/WinConst.h"
#include "tray/ClassFile.h"
#include "tray/MarkRules.h"
#include "tray/TListTrayIcon.h"

namespace velmora {

using namespace win;

std::string TListTrayIcon::ClassFilePath() const { return classFilePath_; }

bool TListTrayIcon::HasClass(std::string_view name) const {
  return std::any_of(Classes.begin(), Classes.end(),
                     [&](const std::string& c) { return CompareClassNames(c, name) == 0; });
}

void TListTrayIcon::InsertClassSorted(const std::string& name) {
  auto at = std::lower_bound(Classes.begin(), Classes.end(), name, [](const std::string& a, const std::string& b) {
    return CompareClassNames(a, b) < 0;
  });
  Classes.insert(at, name);
}

bool TListTrayIcon::IsMarked(std::string_view key, std::string_view cls) const {
  // A mark stored under a plain shared class name still takes every window of that class.
  return (!key.empty() && HasClass(key)) || (!cls.empty() && HasClass(cls));
}

namespace {
// Windows found by enumeration: a plain class name matches exactly, a program's key as marks compare.
bool MarkTakes(std::string_view mark, const std::string& key, const std::string& cls) {
  return cls == mark || (key != cls && CompareClassNames(key, mark) == 0);
}
}  // namespace

bool TListTrayIcon::AnyMarkTakes(const std::string& key, const std::string& cls) const {
  return std::any_of(Classes.begin(), Classes.end(), [&](const std::string& mark) { return MarkTakes(mark, key, cls); });
}

void TListTrayIcon::TakeMarkedWindows(const std::function<bool(const std::string&, const std::string&)>& marked) {
  for (Hwnd wnd : TopLevelWindows(desktop_)) {
    const std::string cls = desktop_.GetClassName(wnd);
    if (!marked(WindowClassKey(desktop_, wnd), cls)) continue;
    const Hmenu menu = desktop_.GetSystemMenu(wnd, false);
    if (desktop_.IsMenu(menu) && desktop_.CheckMenuItem(menu, IDM_TRAY_ITEM, MF_CHECKED) == MENU_ITEM_MISSING)
      AddTrayMenuItem(desktop_, Options, menu, MF_CHECKED, Texts[TextId::SystemMinimize]);
    if (desktop_.IsIconic(wnd) && !FindEntry(wnd) && form_.Held().Look(wnd) != HeldWindows::Found::Waiting)
      form_.InsertIconAndHide(wnd);
  }
}

void TListTrayIcon::AddClass(const std::string& name) {
  if (name.empty() || HasClass(name)) return;
  InsertClassSorted(name);
  PublishMarks();
  if (Loading) return;  // the file's windows are taken once it is read whole
  SaveClassFile();
  TakeMarkedWindows([&](const std::string& key, const std::string& cls) { return MarkTakes(name, key, cls); });
}

void TListTrayIcon::RemoveClass(const std::string& name) {
  const auto it = std::find_if(Classes.begin(), Classes.end(),
                               [&](const std::string& c) { return CompareClassNames(c, name) == 0; });
  if (it == Classes.end()) return;
  rules_.erase(*it);
  Classes.erase(it);
  PublishMarks();
  SaveClassFile();
  // The windows the mark took, unless another mark still takes them.
  auto unmarked = [&](Hwnd wnd) {
    const std::string cls = desktop_.GetClassName(wnd), key = WindowClassKey(desktop_, wnd);
    return MarkTakes(name, key, cls) && !AnyMarkTakes(key, cls);
  };
  for (Hwnd wnd : TopLevelWindows(desktop_)) {
    if (!unmarked(wnd)) continue;
    const Hmenu menu = desktop_.GetSystemMenu(wnd, false);
    if (desktop_.IsMenu(menu) && desktop_.CheckMenuItem(menu, IDM_TRAY_ITEM, MF_UNCHECKED) == MENU_ITEM_MISSING)
      AddTrayMenuItem(desktop_, Options, menu, 0, Texts[TextId::SystemMinimize]);
  }
  // Hidden windows of the class go back to the taskbar, minimized.
  for (Hwnd wnd : LastToFirstWindows()) {
    if (!unmarked(wnd)) continue;
    std::size_t index = 0;
    if (TTrayIcon* still = FindEntry(wnd, &index)) RemoveEntry(still, index);
    form_.Held().LetGo(wnd);
  }
}

void TListTrayIcon::LoadClassFile() {
  Loading = true;
  const std::string path = ClassFilePath();
  if (ports_.shell.FileExists(path)) {
    if (auto bytes = ports_.shell.ReadFile(path)) {
      for (const ClassRecord& record : DecodeClassRecords(*bytes)) {
        AddClass(record.Name);
        if (record.Rules != 0 && HasClass(record.Name) && !rules_.contains(record.Name)) rules_[record.Name] = record.Rules;
      }
      PublishMarks();
    } else {
      classFileUnread_ = true;
    }
  }
  Loading = false;
  if (!Classes.empty())
    TakeMarkedWindows([this](const std::string& key, const std::string& cls) { return AnyMarkTakes(key, cls); });
}

bool TListTrayIcon::SaveClassFile() {
  const std::string path = ClassFilePath();
  if (classFileUnread_) {
    // The marks stored before must not be lost because the file could not be
    // read at start: merged in once it can be, never written over before.
    auto bytes = ports_.shell.ReadFile(path);
    if (!bytes) return false;
    for (const ClassRecord& record : DecodeClassRecords(*bytes)) {
      if (HasClass(record.Name)) continue;
      InsertClassSorted(record.Name);
      if (record.Rules != 0) rules_[record.Name] = record.Rules;
    }
    classFileUnread_ = false;
    PublishMarks();
  }
  std::vector<ClassRecord> records;
  for (const std::string& name : Classes) records.push_back({name, RulesOf(name)});
  return ports_.shell.ReplaceFile(path, EncodeClassRecords(records));
}

std::uint8_t TListTrayIcon::RulesOf(std::string_view mark) const {
  const auto it = std::find_if(Classes.begin(), Classes.end(),
                               [&](const std::string& c) { return CompareClassNames(c, mark) == 0; });
  if (it == Classes.end()) return 0;
  const auto found = rules_.find(*it);
  return found == rules_.end() ? 0 : found->second;
}

void TListTrayIcon::SetRules(const std::string& mark, std::uint8_t rules) {
  AddClass(mark);
  const auto it = std::find_if(Classes.begin(), Classes.end(),
                               [&](const std::string& c) { return CompareClassNames(c, mark) == 0; });
  if (it == Classes.end() || RulesOf(*it) == rules) return;
  if (rules == 0)
    rules_.erase(*it);
  else
    rules_[*it] = rules;
  PublishMarks();
  SaveClassFile();
}

std::uint8_t TListTrayIcon::RulesFor(std::string_view key, std::string_view cls) const {
  // As IsMarked takes a window: its class in any case, or its program's key.
  for (const std::string& mark : Classes)
    if (CompareClassNames(mark, cls) == 0 || (key != cls && CompareClassNames(mark, key) == 0)) return RulesOf(mark);
  return 0;
}

bool TListTrayIcon::WatchFirstWindow(std::uint32_t pid) {
  // The instance the id names now: a later process given the same id is never taken.
  if (!watches_.Add(pid, ports_.kernel.ProcessStartTime(pid), ports_.timers.TickCount())) return false;
  // Its end is watched, so that the watch goes with it.
  ports_.kernel.WatchProcess(pid, TrayWnd, ProcessEndedMessage);
  PublishMarks();
  return true;
}

bool TListTrayIcon::TakeWatched(std::uint32_t pid) {
  const std::uint64_t now = ports_.timers.TickCount();
  const bool taken = pid != 0 && watches_.Take(pid, ports_.kernel.ProcessStartTime(pid), now);
  if (watches_.Expire(now) || taken) PublishMarks();
  return taken;
}

void TListTrayIcon::WatchedProcessEnded(std::uint32_t pid) {
  const bool ended = watches_.Ended(pid, ports_.kernel.ProcessStartTime(pid));
  if (watches_.Expire(ports_.timers.TickCount()) || ended) PublishMarks();
}

void TListTrayIcon::PublishMarks() {
  if (sections_ == nullptr) return;
  std::vector<ClassRecord> records;
  for (const std::string& name : Classes) records.push_back({name, RulesOf(name)});
  sections_->PublishMarks(records, watches_.Slots());
}

}  // namespace velmora
