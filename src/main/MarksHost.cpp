// What the marks page of the options reads and changes: the marks with their
// rules, and the windows that could be marked.
#include <algorithm>

#include "foreign/WindowKinds.h"
#include "main/TFOrvane.h"

namespace velmora {

namespace {

const ClassRecord* Find(const std::vector<ClassRecord>& marks, const std::string& name) {
  const auto it = std::find_if(marks.begin(), marks.end(),
                               [&](const ClassRecord& m) { return CompareClassNames(m.Name, name) == 0; });
  return it == marks.end() ? nullptr : &*it;
}

}  // namespace

std::vector<ClassRecord> TFOrvane::Marks() {
  std::vector<ClassRecord> marks;
  if (!TrayList) return marks;
  for (const std::string& name : TrayList->Classes) marks.push_back({name, TrayList->RulesOf(name)});
  return marks;
}

void TFOrvane::StoreMarks(const std::vector<ClassRecord>& shown, const std::vector<ClassRecord>& edited) {
  if (!TrayList || closed_) return;
  // Only what the page changed: a mark the system menu made or took meanwhile stays as it is.
  for (const ClassRecord& mark : shown)
    if (!Find(edited, mark.Name)) TrayList->RemoveClass(mark.Name);
  for (const ClassRecord& mark : edited) {
    const ClassRecord* before = Find(shown, mark.Name);
    if (!before || before->Rules != mark.Rules) TrayList->SetRules(mark.Name, mark.Rules);
  }
}

std::vector<OpenWindow> TFOrvane::OpenWindows() {
  std::vector<OpenWindow> windows;
  for (Hwnd wnd : TopLevelWindows(desktop_)) {
    // What the user sees and could mean: shown, titled, someone else's, not the shell.
    if (!desktop_.IsWindowVisible(wnd) || !MayHide(wnd)) continue;
    std::string title = WindowTitle(desktop_, wnd), key = WindowClassKey(desktop_, wnd);
    if (title.empty() || key.empty()) continue;
    windows.push_back({std::move(title), desktop_.GetWindowProgramName(wnd), std::move(key), desktop_.GetClassName(wnd)});
  }
  return windows;
}

}  // namespace velmora
