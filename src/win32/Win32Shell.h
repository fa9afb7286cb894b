#pragma once
// Shell on shell32, kernel32 and the taskbar list object.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Shell.h"

namespace velmora {

// The full path of Velmora.exe, any length; empty on failure.
std::wstring OwnModulePath();
// ITaskbarList on a window: its button taken away or given back. COM must be
// initialised on the calling thread.
bool SetTaskbarTab(std::uintptr_t wnd, bool present) noexcept;
// Runs the call on a thread of its own (COM initialised there) and waits for it
// at most boundMs: false when it fails or is late, and at once while an earlier
// one is still out. A late call finishes by itself. For calls into Explorer,
// which may hang and has no bound of its own.
bool CallBounded(std::function<bool()> call, unsigned long boundMs);

class Win32Shell final : public Shell {
 public:
  // An empty verb or directory is passed as null (the default verb, the
  // current directory).
  bool ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                    std::string_view directory, int showCmd) override;
  std::string GetModuleFileName() override;
  std::string GetWindowsDirectory() override;
  bool FileExists(std::string_view path) override;
  std::optional<std::vector<std::uint8_t>> ReadFile(std::string_view path) override;
  // Writes path + ".new" whole, then moves it over path. On any failure the
  // ".new" file is removed and the old file stays as it was.
  bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) override;
  // Bounded: false when Explorer does not answer in a moment (CallBounded).
  bool DeleteTaskbarTab(Hwnd wnd) override;
  bool AddTaskbarTab(Hwnd wnd) override;
  std::uint32_t QueryUserNotificationState() override;
};

}  // namespace velmora
