#pragma once
// Foreign windows for the cases: probe.exe started with a class and title,
// its window handles read back from the list it writes.
#include <windows.h>

#include <string>
#include <vector>

#include "Harness.h"

namespace velmora::e2e {

struct ProbeSpec {
  std::wstring cls;
  std::wstring title = L"Probe";
  int count = 1;
  bool minimized = false;
  bool hidden = false;
  std::wstring ownerClass, ownerTitle;
  std::wstring parentClass, parentTitle;
  unsigned lifetimeMs = 0;
  bool log = false;
  std::wstring hangOn;  // "minimize" or "hide": the window's thread then stops answering
  unsigned hangMs = 0;  // keep a log of WM_CLOSE / WM_SYSCOMMAND / WM_SHOWWINDOW / WM_DESTROY
  bool x86 = false;     // a 32-bit program: probe32.exe
  bool alphaIcon = false;  // a class icon with an alpha channel
  std::wstring exeName;    // runs as a copy of the probe by this file name, in the case's folder
  std::wstring dialog;     // "modal" or "modeless": the first window owns a dialog, shown in front
};

class Probe {
 public:
  Probe() = default;
  Probe(Probe&&) = default;
  Probe& operator=(Probe&&) = default;
  ~Probe() { Close(); }

  // Starts probe.exe (from BinDir) and waits until its windows exist; check Ok().
  static Probe Open(const ProbeSpec& spec, const std::wstring& workDir);

  bool Ok() const { return !windows_.empty(); }
  const std::vector<HWND>& Windows() const { return windows_; }
  HWND Window(std::size_t i = 0) const { return i < windows_.size() ? windows_[i] : nullptr; }
  HWND Owner() const { return owner_; }
  HWND Dialog() const { return dialog_; }
  HWND Parent() const { return parent_; }
  const Process& Proc() const { return process_; }
  // Lines of the message log so far ("WM_CLOSE 0x1234 0x0", ...).
  std::vector<std::string> LogLines() const;

  // Asks every window to close; ends the process if it stays. True when it ended by itself.
  bool Close(Millis timeout = 5s);

 private:
  Process process_;
  std::vector<HWND> windows_;
  HWND owner_ = nullptr;
  HWND parent_ = nullptr;
  HWND dialog_ = nullptr;
  std::wstring logPath_;
};

}  // namespace velmora::e2e
