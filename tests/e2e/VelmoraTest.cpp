#include "VelmoraTest.h"

#include <algorithm>

namespace velmora::e2e {

namespace {

bool CopyBinary(const std::wstring& name, const std::wstring& toDir) {
  return CopyFileW(JoinPath(BinDir(), name).c_str(), JoinPath(toDir, name).c_str(), FALSE) != FALSE;
}

}  // namespace

void VelmoraTest::SetUp() {
  for (const wchar_t* name : {L"Velmora.exe", L"LibOrvane.dll", L"LibOrvane32.dll", L"VelmoraHook32.exe", L"probe.exe",
                              L"probe32.exe"})
    ASSERT_TRUE(FileExists(JoinPath(BinDir(), name))) << Narrow(name) << " missing in " << Narrow(BinDir());
  // A Velmora left over from an earlier case would answer this case's starts.
  ASSERT_TRUE(MainWindows().empty()) << "a Velmora main window exists before the case";

  // A folder name outside the ANSI code page (936 or 1252 here): every path of Velmora must take it.
  dir_ = MakeTempDir(L"velmora-case-\u0628\u064A\u062A\u0627-\u0E17\u0E14\u0E2A\u0E2D\u0E1A");
  ASSERT_FALSE(dir_.empty());
  ASSERT_TRUE(CopyBinary(L"Velmora.exe", dir_));
  ASSERT_TRUE(CopyBinary(L"LibOrvane.dll", dir_));
  ASSERT_FALSE(FileExists(ClassFilePath()));
  ASSERT_TRUE(DeleteRegTree(kSettingsKey));

  tray_ = std::make_unique<TrayRecorder>();
  ASSERT_TRUE(tray_->Start()) << "the recording tray did not come up";
}

void VelmoraTest::TearDown() {
  CloseVelmora();
  for (auto& p : probes_) p->Close();
  probes_.clear();
  if (tray_) tray_->Stop();
  tray_.reset();
  velmora_.handle.Reset();
  laterStarts_.clear();
  RemoveDir(dir_);
}

void VelmoraTest::AddHookHelper() {
  ASSERT_TRUE(CopyBinary(L"LibOrvane32.dll", dir_));
  ASSERT_TRUE(CopyBinary(L"VelmoraHook32.exe", dir_));
}

Process& VelmoraTest::StartVelmora() {
  Process p = Launch(ExePath(), L"", dir_);
  EXPECT_TRUE(p.handle) << "CreateProcess of Velmora.exe failed, error " << GetLastError();
  if (!velmora_.handle) {
    velmora_ = std::move(p);
    return velmora_;
  }
  laterStarts_.push_back(std::move(p));
  return laterStarts_.back();
}

std::vector<HWND> VelmoraTest::CaseMainWindows() const {
  const auto pids = RunningVelmoras();
  std::vector<HWND> mine;
  for (HWND w : MainWindows())
    if (std::find(pids.begin(), pids.end(), ProcessOf(w)) != pids.end()) mine.push_back(w);
  return mine;
}

HWND VelmoraTest::WaitForMainWindow(Millis timeout) {
  HWND w = nullptr;
  WaitUntil(
      [&] {
        const auto found = CaseMainWindows();
        w = found.empty() ? nullptr : found.front();
        return w != nullptr;
      },
      timeout);
  return w;
}

bool VelmoraTest::CloseVelmora(Millis timeout) {
  if (dir_.empty()) return true;
  // Also a main window whose caption is not set yet, so a case that failed early still closes cleanly.
  const auto pids = RunningVelmoras();
  for (HWND w : TopLevelWindows(kMainClass))
    if (std::find(pids.begin(), pids.end(), ProcessOf(w)) != pids.end()) PostMessageW(w, WM_CLOSE, 0, 0);
  if (WaitUntil([&] { return RunningVelmoras().empty(); }, timeout)) return true;

  // Something keeps it from ending: say what, then end it.
  const auto left = RunningVelmoras();
  for (HWND box : TopLevelWindows(kBoxClass, nullptr)) {
    if (IsWindowVisible(box) && std::find(left.begin(), left.end(), ProcessOf(box)) != left.end())
      ADD_FAILURE() << "Velmora still shows a dialog \"" << Narrow(TitleOf(box)) << "\": " << Narrow(MessageBoxText(box));
  }
  for (DWORD pid : RunningVelmoras()) {
    ADD_FAILURE() << "Velmora process " << pid << " did not end after WM_CLOSE; terminated";
    Handle h(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (h) {
      TerminateProcess(h.get(), 1);
      WaitForObject(h.get(), 5s);
    }
  }
  EXPECT_TRUE(RunningVelmoras().empty()) << "a Velmora process of the case is left";
  return false;
}

Probe& VelmoraTest::OpenProbe(const ProbeSpec& spec) {
  probes_.push_back(std::make_unique<Probe>(Probe::Open(spec, dir_)));
  EXPECT_TRUE(probes_.back()->Ok()) << "probe.exe did not open its windows (class " << Narrow(spec.cls) << ")";
  return *probes_.back();
}

void RunningVelmoraTest::SetUp() {
  VelmoraTest::SetUp();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(StartVelmora().handle);
  main_ = WaitForMainWindow();
  ASSERT_NE(main_, nullptr) << "no main window \"Velmora 4.6.3\" of class TFOrvane";
}

}  // namespace velmora::e2e
