#pragma once
// Base of the end-to-end cases: every case gets its own copy of Velmora.exe
// and LibOrvane.dll in a fresh folder (so no class file exists yet), no
// settings in the registry, a recording tray, and at the end a check that
// every Velmora of the case closed normally.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Harness.h"
#include "Probe.h"
#include "TrayRecorder.h"

namespace velmora::e2e {

class VelmoraTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // LibOrvane32.dll and VelmoraHook32.exe beside Velmora.exe, for the cases
  // of 32-bit programs. Under Wine a hook library that a program cannot load
  // ends its hook chain, so with the helper's hooks set last 64-bit programs
  // see none of Velmora's; every other case runs without the helper.
  void AddHookHelper();
  // Starts the case's Velmora.exe; the first start is kept as `velmora_`.
  Process& StartVelmora();
  // Waits for the main window (after its initial timer has given it its caption).
  HWND WaitForMainWindow(Millis timeout = 10s);
  // Closes Velmora as the user would (WM_CLOSE to every main window of the
  // case) and waits for its processes to end. Adds a failure when one had to be
  // terminated. True when all ended by themselves.
  bool CloseVelmora(Millis timeout = 10s);
  // Velmora processes of this case still running.
  std::vector<DWORD> RunningVelmoras() const { return ProcessesIn(dir_, L"Velmora.exe"); }
  std::vector<DWORD> RunningHelpers() const { return ProcessesIn(dir_, L"VelmoraHook32.exe"); }
  // Main windows that belong to this case's processes.
  std::vector<HWND> CaseMainWindows() const;

  Probe& OpenProbe(const ProbeSpec& spec);

  const std::wstring& Dir() const { return dir_; }
  std::wstring ExePath() const { return JoinPath(dir_, L"Velmora.exe"); }
  std::wstring ClassFilePath() const { return JoinPath(dir_, L"Velmora.vlm"); }
  TrayRecorder& Tray() { return *tray_; }

  std::wstring dir_;
  std::unique_ptr<TrayRecorder> tray_;
  Process velmora_;
  std::vector<Process> laterStarts_;
  std::vector<std::unique_ptr<Probe>> probes_;
};

// A case that begins with Velmora running and its main window up.
class RunningVelmoraTest : public VelmoraTest {
 protected:
  void SetUp() override;
  HWND main_ = nullptr;
};

}  // namespace velmora::e2e
