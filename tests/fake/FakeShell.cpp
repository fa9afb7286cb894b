#include "FakeShell.h"

namespace velmora::fake {

FakeShell::FakeShell(CallLog* log) : log_(log) {}

bool FakeShell::ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                             std::string_view directory, int showCmd) {
  Execution e{std::string(verb), std::string(file), std::string(parameters), std::string(directory), showCmd};
  LogCall(log_, "ShellExecute " + e.verb + " " + e.file + (e.parameters.empty() ? "" : " " + e.parameters) + " " +
                    e.directory + " " + std::to_string(showCmd));
  executions.push_back(e);
  if (onExecute) onExecute(e);
  return executeResult;
}

std::string FakeShell::GetModuleFileName() { return modulePath; }

bool FakeShell::FileExists(std::string_view path) {
  return files.contains(path) || existingPaths.contains(path);
}

std::optional<std::vector<std::uint8_t>> FakeShell::ReadFile(std::string_view path) {
  if (failRead) return std::nullopt;
  auto it = files.find(path);
  if (it == files.end()) return std::nullopt;
  return it->second;
}

bool FakeShell::ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) {
  ++replaceAttempts;
  LogCall(log_, "ReplaceFile " + std::string(path));
  if (failReplace) return false;
  files.insert_or_assign(std::string(path), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  ++replaceCount;
  return true;
}

bool FakeShell::DeleteTaskbarTab(Hwnd wnd) {
  deletedTabs.push_back(wnd);
  LogCall(log_, "DeleteTaskbarTab " + Hex(wnd.value));
  if (deleteTabResult && desktop && desktop->IsWindow(wnd)) desktop->Window(wnd).tabDeleted = true;
  return deleteTabResult;
}

bool FakeShell::AddTaskbarTab(Hwnd wnd) {
  LogCall(log_, "AddTaskbarTab " + Hex(wnd.value));
  if (addTabResult && desktop && desktop->IsWindow(wnd)) desktop->Window(wnd).tabDeleted = false;
  return addTabResult;
}

}  // namespace velmora::fake
