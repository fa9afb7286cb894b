#include "Probe.h"

#include <cstdlib>
#include <sstream>

namespace velmora::e2e {

namespace {

HWND ParseHandle(const std::string& text) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text.c_str(), nullptr, 16)));
}

}  // namespace

Probe Probe::Open(const ProbeSpec& spec, const std::wstring& workDir) {
  static unsigned serial = 0;
  const std::wstring stem = JoinPath(workDir, L"probe-" + std::to_wstring(++serial));
  const std::wstring outPath = stem + L".out";
  std::wstring args = L"--class " + Quote(spec.cls) + L" --title " + Quote(spec.title) + L" --count " +
                      std::to_wstring(spec.count) + L" --out " + Quote(outPath);
  if (spec.minimized) args += L" --minimized";
  if (spec.hidden) args += L" --hidden";
  if (spec.alphaIcon) args += L" --alpha-icon";
  if (!spec.dialog.empty()) args += L" --dialog " + spec.dialog;
  if (!spec.ownerClass.empty())
    args += L" --owner-class " + Quote(spec.ownerClass) + L" --owner-title " + Quote(spec.ownerTitle);
  if (!spec.parentClass.empty())
    args += L" --parent-class " + Quote(spec.parentClass) + L" --parent-title " + Quote(spec.parentTitle);
  if (spec.lifetimeMs) args += L" --lifetime " + std::to_wstring(spec.lifetimeMs);
  if (spec.hangMs) args += L" --hang-on " + Quote(spec.hangOn) + L" --hang-ms " + std::to_wstring(spec.hangMs);

  Probe p;
  if (spec.log) {
    p.logPath_ = stem + L".log";
    args += L" --log " + Quote(p.logPath_);
  }
  const std::wstring probe = JoinPath(BinDir(), spec.x86 ? L"probe32.exe" : L"probe.exe");
  const std::wstring exe = spec.exeName.empty() ? probe : JoinPath(workDir, spec.exeName);
  if (!FileExists(exe)) CopyFileW(probe.c_str(), exe.c_str(), TRUE);
  p.process_ = Launch(exe, args, workDir);
  if (!p.process_.handle) return p;
  std::optional<std::vector<std::uint8_t>> out;
  WaitUntil([&] { return (out = ReadFileBytes(outPath)).has_value() || !p.process_.Running(); }, 10s);
  if (!out) out = ReadFileBytes(outPath);
  if (!out) return p;
  std::istringstream lines(std::string(out->begin(), out->end()));
  std::string role, handle;
  while (lines >> role >> handle) {
    if (role == "window") p.windows_.push_back(ParseHandle(handle));
    else if (role == "owner") p.owner_ = ParseHandle(handle);
    else if (role == "parent") p.parent_ = ParseHandle(handle);
    else if (role == "dialog") p.dialog_ = ParseHandle(handle);
  }
  return p;
}

std::vector<std::string> Probe::LogLines() const {
  std::vector<std::string> out;
  if (logPath_.empty()) return out;
  const auto bytes = ReadFileBytes(logPath_);
  if (!bytes) return out;
  std::istringstream in(std::string(bytes->begin(), bytes->end()));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

bool Probe::Close(Millis timeout) {
  if (!process_.handle) return true;
  bool clean = true;
  if (process_.Running()) {
    for (HWND w : windows_)
      if (IsWindow(w)) PostMessageW(w, WM_CLOSE, 0, 0);
    if (!process_.WaitExit(timeout)) {
      TerminateProcess(process_.handle.get(), 1);
      process_.WaitExit(5s);
      clean = false;
    }
  }
  process_.handle.Reset();
  windows_.clear();
  return clean;
}

}  // namespace velmora::e2e
