#pragma once
// The shell and the file system: ShellExecute, the program's own path, the
// class file, and the taskbar list object.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"

namespace velmora {

class Shell {
 public:
  Shell() = default;
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;
  virtual ~Shell() = default;

  virtual bool ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                            std::string_view directory, int showCmd) = 0;
  // Full path of Velmora.exe, ANSI, with backslashes.
  virtual std::string GetModuleFileName() = 0;
  // The Windows folder (GetWindowsDirectory), UTF-8, without a trailing backslash; empty on failure.
  virtual std::string GetWindowsDirectory() = 0;
  virtual bool FileExists(std::string_view path) = 0;
  // The whole file; nullopt when it is missing or cannot be read.
  virtual std::optional<std::vector<std::uint8_t>> ReadFile(std::string_view path) = 0;
  // Writes a new file beside the old one, then replaces the old one with it, so
  // that a failure at any point leaves either the old or the new file whole.
  virtual bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) = 0;
  // ITaskbarList: HrInit, then DeleteTab(wnd). False when any step fails, and
  // when Explorer does not answer in a moment: never waits on a hung Explorer.
  virtual bool DeleteTaskbarTab(Hwnd wnd) = 0;
  // ITaskbarList: HrInit, then AddTab(wnd): the button comes back. Bounded as DeleteTaskbarTab.
  virtual bool AddTaskbarTab(Hwnd wnd) = 0;
  // SHQueryUserNotificationState: a QUNS_* value (5: notifications are welcome;
  // presentation, full screen, quiet hours and the others: they are not), 0
  // when the system cannot tell. Bounded as DeleteTaskbarTab.
  virtual std::uint32_t QueryUserNotificationState() = 0;
};

}  // namespace velmora
