#pragma once
// The shell and the file system in memory. Paths compare without regard to
// ASCII case, as on Windows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FakeDesktop.h"
#include "FakeLog.h"
#include "platform/Shell.h"

namespace velmora::fake {

struct Execution {
  std::string verb{};
  std::string file{};
  std::string parameters{};
  std::string directory{};
  int showCmd = 0;
  friend bool operator==(const Execution&, const Execution&) = default;
};

class FakeShell : public Shell {
 public:
  explicit FakeShell(CallLog* log = nullptr);

  std::string modulePath = "C:\\Apps\\Velmora\\Velmora.exe";

  std::vector<Execution> executions;
  // Runs inside ShellExecute, e.g. to start "a new copy" synchronously.
  std::function<void(const Execution&)> onExecute;
  bool executeResult = true;

  std::map<std::string, std::vector<std::uint8_t>, CaseLess> files;
  std::set<std::string, CaseLess> existingPaths;  // other paths FileExists reports (help file, folders)
  bool failRead = false;     // ReadFile gives nullopt
  bool failReplace = false;  // ReplaceFile fails and the old content stays
  std::size_t replaceCount = 0;     // successful replaces
  std::size_t replaceAttempts = 0;  // all calls

  std::vector<Hwnd> deletedTabs;  // every DeleteTaskbarTab call
  bool deleteTabResult = true;
  bool addTabResult = true;
  // The desktop whose windows lose and get back their taskbar buttons.
  FakeDesktop* desktop = nullptr;

  // Logged as "ShellExecute <verb> <file> <dir> <show>", or with the parameters after the file.
  bool ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                    std::string_view directory, int showCmd) override;
  std::string GetModuleFileName() override;
  std::string GetWindowsDirectory() override { return "C:\\Windows"; }
  bool FileExists(std::string_view path) override;
  std::optional<std::vector<std::uint8_t>> ReadFile(std::string_view path) override;
  bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) override;
  bool DeleteTaskbarTab(Hwnd wnd) override;
  bool AddTaskbarTab(Hwnd wnd) override;
  // The user's notification state, as the shell tells it: 0 as Wine (none told), 5 welcome, 4 a presentation, 6 quiet hours...
  std::uint32_t notificationState = 0;
  std::uint32_t QueryUserNotificationState() override { return notificationState; }

 private:
  CallLog* log_;
};

}  // namespace velmora::fake
