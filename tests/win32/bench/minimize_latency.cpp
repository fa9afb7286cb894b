// minimize_latency.exe: how long the real Velmora takes from a minimize to a
// hidden window with its tray icon, seen from outside as the e2e suite sees it.
//
//   minimize_latency.exe [--samples N] [--bin-dir DIR] [--live]
//
// --live: the live tray instead, with unmanaged windows under Wine: a hidden
// window's new title to its tip, its new icon to the tray, a flash to the mark.
//
// Velmora.exe and LibOrvane.dll (and probe.exe) are taken from DIR, by default
// this program's folder, and copied to a fresh folder. The settings are the
// defaults with the Excel rule on; the probe window has Excel's class "EXCEL7".
// One sample: post SC_MINIMIZE to the probe window, wait until it is invisible
// and its icon is in the recording tray; then click the icon as the shell
// would and wait until the window is back.
//
// Under Wine without a window manager, the thread of a managed window that is
// hidden waits about two seconds for one; so there it measures three desktops:
// managed windows, unmanaged windows (as the e2e suite runs), and a Wine
// virtual desktop, for which it starts itself again inside
// `explorer /desktop=bench,1024x768`.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Harness.h"
#include "Probe.h"
#include "TrayRecorder.h"
#include "settings/OptionsRecord.h"

namespace velmora::bench {
namespace {

using namespace std::chrono_literals;

constexpr double kHideTimerMs = 100;
constexpr double kTargetSlackMs = 10;
constexpr int kDefaultSamples = 20;
constexpr double kStepTimeoutMs = 10000;
constexpr UINT kTrayCallback = WM_USER + 1;  // the shell's click on a tray icon
constexpr char kSummaryTag[] = "#summary";

struct Sample {
  double icon = -1;       // ms after the minimize was posted: the icon is in the tray
  double invisible = -1;  // ... the window is invisible
  double restored = -1;   // ms after the click: the window is visible and not minimized
  double Hidden() const { return icon > invisible ? icon : invisible; }
};

struct Figures {
  std::string label;
  Summary hidden, restored;
  std::string error;
};

// The desktop this thread runs on ("Default", or the virtual desktop's name).
std::string DesktopName() {
  wchar_t name[256] = {};
  DWORD needed = 0;
  if (!GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name, sizeof name, &needed))
    return "?";
  return e2e::Narrow(name);
}

std::uint32_t TrayId(HWND wnd) { return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(wnd)); }

std::optional<e2e::TrayRecord> IconOf(const e2e::TrayRecorder& tray, HWND wnd) {
  for (const auto& icon : tray.Icons())
    if (icon.id == TrayId(wnd)) return icon;
  return std::nullopt;
}

// Polls every millisecond, pumping, until `done` or the time is up.
template <class Done>
bool Poll(Done done, double timeoutMs) {
  const double until = NowMs() + timeoutMs;
  for (;;) {
    e2e::PumpMessages();
    if (done()) return true;
    if (NowMs() >= until) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}

std::vector<std::uint8_t> ExcelSettings() {
  TOptionsRecord options;
  options.HandleExcel = 1;
  const auto image = EncodeOptions(options);
  return {image.begin(), image.end()};
}

// One Velmora with its recording tray and probe, closed again at the end.
class Session {
 public:
  ~Session() { Close(); }
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  std::string Open() {
    for (const wchar_t* name : {L"Velmora.exe", L"LibOrvane.dll", L"probe.exe"})
      if (!e2e::FileExists(e2e::JoinPath(e2e::BinDir(), name))) return e2e::Narrow(name) + " missing in " + e2e::Narrow(e2e::BinDir());
    if (!e2e::MainWindows().empty()) return "a Velmora is already running";
    dir_ = e2e::MakeTempDir(L"velmora-bench");
    if (dir_.empty()) return "no temporary folder";
    for (const wchar_t* name : {L"Velmora.exe", L"LibOrvane.dll"})
      if (!CopyFileW(e2e::JoinPath(e2e::BinDir(), name).c_str(), e2e::JoinPath(dir_, name).c_str(), FALSE))
        return "cannot copy " + e2e::Narrow(name);
    if (!tray_.Start()) return "the recording tray did not come up";
    velmora_ = e2e::Launch(e2e::JoinPath(dir_, L"Velmora.exe"), L"", dir_);
    if (!velmora_.handle) return "Velmora.exe did not start";
    const DWORD pid = velmora_.pid;
    if (!e2e::WaitUntil(
            [&] {
              for (HWND w : e2e::MainWindows())
                if (e2e::ProcessOf(w) == pid) return (main_ = w) != nullptr;
              return false;
            },
            10s))
      return "no main window \"Velmora 4.6.3\" of class TFOrvane";
    e2e::ProbeSpec workbook;
    workbook.cls = L"EXCEL7";
    workbook.title = L"Book1";
    probe_ = e2e::Probe::Open(workbook, dir_);
    if (!probe_.Ok()) return "probe.exe did not open its window";
    // The hooks are set with the caption; give the first events a moment.
    e2e::Sleep(300ms);
    return {};
  }

  // One minimize and restore; an empty text when both ended in time.
  std::string Cycle(Sample& s) {
    HWND wnd = probe_.Window();
    if (!IsWindowVisible(wnd) || IsIconic(wnd)) return "the probe window is not shown normally";
    const double start = NowMs();
    PostMessageW(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    std::optional<e2e::TrayRecord> icon;
    Poll(
        [&] {
          const double at = NowMs() - start;
          if (s.icon < 0 && (icon = IconOf(tray_, wnd))) s.icon = at;
          if (s.invisible < 0 && !IsWindowVisible(wnd)) s.invisible = at;
          return s.icon >= 0 && s.invisible >= 0;
        },
        kStepTimeoutMs);
    if (s.icon < 0 || s.invisible < 0)
      return s.icon < 0 ? "no tray icon for the minimized window" : "the window was not hidden";

    const auto owner = reinterpret_cast<HWND>(static_cast<UINT_PTR>(icon->owner));
    const double click = NowMs();
    PostMessageW(owner, kTrayCallback, icon->id, WM_LBUTTONUP);
    if (!Poll([&] { return IsWindowVisible(wnd) && !IsIconic(wnd); }, kStepTimeoutMs))
      return "the click on the icon did not bring the window back";
    s.restored = NowMs() - click;
    if (!Poll([&] { return !IconOf(tray_, wnd); }, kStepTimeoutMs)) return "the icon stayed after the restore";
    // Let the activation reports of the restore be handled before the next minimize.
    PumpFor(200);
    return {};
  }

  // The live tray, with the window hidden: ms until the tray shows a new title
  // in the tip, a new icon (a modification with NIF_ICON), a flash as the mark's tip.
  std::string LiveCycle(int n, double& title, double& icon, double& mark) {
    HWND wnd = probe_.Window();
    PostMessageW(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!Poll([&] { return IconOf(tray_, wnd) && !IsWindowVisible(wnd); }, kStepTimeoutMs)) return "not hidden";
    PumpFor(200);
    const std::wstring text = L"(" + std::to_wstring(n) + L") Book1";
    double start = NowMs();
    SetWindowTextW(wnd, text.c_str());
    if (!Poll([&] { return IconOf(tray_, wnd) && IconOf(tray_, wnd)->tip == text; }, kStepTimeoutMs))
      return "the new title did not reach the tip";
    title = NowMs() - start;
    PumpFor(200);  // past the library's quiet time and Velmora's second read
    const std::size_t before = tray_.Records().size();
    start = NowMs();
    const HICON next = LoadIconW(nullptr, n % 2 ? IDI_WARNING : IDI_INFORMATION);
    SendMessageTimeoutW(wnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(next), SMTO_NORMAL, 1000, nullptr);
    const auto iconModified = [&] {
      const auto records = tray_.Records();
      for (std::size_t i = before; i < records.size(); ++i)
        if (records[i].message == NIM_MODIFY && records[i].id == TrayId(wnd) && (records[i].flags & NIF_ICON)) return true;
      return false;
    };
    // Under Wine the shell cannot read an icon of another process: no modification reaches the tray.
    icon = Poll(iconModified, 1000) ? NowMs() - start : -1;
    start = NowMs();
    PostMessageW(main_, RegisterWindowMessageW(L"SHELLHOOK"), 0x8006 /* HSHELL_FLASH */, reinterpret_cast<LPARAM>(wnd));
    const auto asks = [&] {
      const auto shown = IconOf(tray_, wnd);
      return shown && (shown->tip.ends_with(L" - wants attention") || shown->tip.ends_with(L" - 需要注意"));
    };
    if (!Poll(asks, kStepTimeoutMs))
      return "the flash did not mark the icon";
    mark = NowMs() - start;
    const auto owner = IconOf(tray_, wnd)->OwnerWindow();
    PostMessageW(owner, kTrayCallback, TrayId(wnd), WM_LBUTTONUP);
    if (!Poll([&] { return IsWindowVisible(wnd) && !IsIconic(wnd) && !IconOf(tray_, wnd); }, kStepTimeoutMs))
      return "the click on the icon did not bring the window back";
    PumpFor(200);
    return {};
  }
  void Close() {
    if (velmora_.handle && velmora_.Running()) {
      if (main_) PostMessageW(main_, WM_CLOSE, 0, 0);
      if (!velmora_.WaitExit(10s)) TerminateProcess(velmora_.handle.get(), 1);
      velmora_.WaitExit(5s);
    }
    velmora_.handle.Reset();
    probe_.Close();
    tray_.Stop();
    e2e::RemoveDir(dir_);
    dir_.clear();
  }

 private:
  std::wstring dir_;
  e2e::TrayRecorder tray_;
  e2e::Process velmora_;
  HWND main_ = nullptr;
  e2e::Probe probe_;
};

void PrintSample(FILE* out, const char* name, const Sample& s) {
  std::fprintf(out, "  %-9s hidden %8.1f ms (icon at %7.1f, invisible at %8.1f), restored %7.1f ms\n", name,
               s.Hidden(), s.icon, s.invisible, s.restored);
}

Figures Measure(FILE* out, const std::string& label, int samples) {
  Figures f;
  f.label = label;
  std::fprintf(out, "\n[%s] on desktop \"%s\"\n", label.c_str(), DesktopName().c_str());
  std::fflush(out);
  SettingsValue settings;
  if (!settings.Write(ExcelSettings())) f.error = "cannot write the settings value";
  Session session;
  if (f.error.empty()) f.error = session.Open();
  std::vector<double> hidden, restored;
  if (f.error.empty()) {
    // The first minimize also loads the hook library into the probe.
    Sample warm;
    f.error = session.Cycle(warm);
    if (f.error.empty()) PrintSample(out, "warm-up", warm);
  }
  for (int i = 1; f.error.empty() && i <= samples; ++i) {
    Sample s;
    f.error = session.Cycle(s);
    if (!f.error.empty()) break;
    hidden.push_back(s.Hidden());
    restored.push_back(s.restored);
    const std::string name = "sample " + std::to_string(i);
    PrintSample(out, name.c_str(), s);
    std::fflush(out);
  }
  session.Close();
  f.hidden = Summarize(hidden);
  f.restored = Summarize(restored);
  if (!f.error.empty()) std::fprintf(out, "  stopped after %zu samples: %s\n", hidden.size(), f.error.c_str());
  if (f.hidden.count) {
    const bool onTarget = f.hidden.median >= kHideTimerMs - kTargetSlackMs && f.hidden.median <= kHideTimerMs + kTargetSlackMs;
    std::fprintf(out, "  minimize to hidden: median %.1f ms, worst %.1f ms, best %.1f ms (%zu samples; %s)\n",
                 f.hidden.median, f.hidden.worst, f.hidden.best, f.hidden.count,
                 onTarget ? "median within 10 ms of the 100 ms hide timer" : "median NOT within 10 ms of the 100 ms hide timer");
    std::fprintf(out, "  click to restored:  median %.1f ms, worst %.1f ms\n", f.restored.median, f.restored.worst);
  }
  std::fflush(out);
  return f;
}

// Title change to tip, icon change to tray icon, flash to mark: median and worst of `samples`.
int MeasureLive(int samples) {
  std::printf("\nlive tray (ms, target median under 200)        median    worst     best  samples\n");
  SettingsValue settings;
  if (!settings.Write(ExcelSettings())) return 1;
  Session session;
  std::string error = session.Open();
  std::vector<double> title, icon, mark;
  for (int i = 0; error.empty() && i <= samples; ++i) {
    double t = 0, c = 0, m = 0;
    error = session.LiveCycle(i, t, c, m);
    if (i == 0 || !error.empty()) continue;  // the first also loads the library into the probe
    title.push_back(t);
    if (c >= 0) icon.push_back(c);
    mark.push_back(m);
  }
  session.Close();
  const std::pair<const char*, std::vector<double>*> rows[] = {
      {"title change -> tip", &title}, {"icon change -> tray icon", &icon}, {"flash -> mark", &mark}};
  for (const auto& [name, values] : rows) {
    const Summary s = Summarize(*values);
    if (s.count == 0)
      std::printf("%-44s  no figures%s\n", name, UnderWine() ? ": under Wine no icon of another process reaches the tray" : "");
    else
      std::printf("%-44s %8.1f %8.1f %8.1f %8zu%s\n", name, s.median, s.worst, s.best, s.count,
                  s.median < 200 ? "" : "  NOT on target");
  }
  if (!error.empty()) std::printf("stopped: %s\n", error.c_str());
  return error.empty() ? 0 : 1;
}

std::wstring SelfPath() {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  return std::wstring(path, n);
}

// Runs this program again inside a Wine virtual desktop; it writes its figures
// to a file, which is printed here.
Figures MeasureInVirtualDesktop(const std::string& label, int samples, const std::wstring& binDirArg) {
  Figures f;
  f.label = label;
  const std::wstring dir = e2e::MakeTempDir(L"velmora-bench-desktop");
  const std::wstring outPath = e2e::JoinPath(dir, L"figures.txt");
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring explorer = e2e::JoinPath(windows, L"explorer.exe");
  std::wstring args = L"/desktop=bench,1024x768 " + e2e::Quote(SelfPath()) + L" --in-desktop " + e2e::Quote(outPath) +
                      L" --label " + e2e::Quote(e2e::Widen(label)) + L" --samples " + std::to_wstring(samples);
  if (!binDirArg.empty()) args += L" --bin-dir " + e2e::Quote(binDirArg);
  e2e::Process desktop = e2e::Launch(explorer, args, dir);
  if (!desktop.handle) {
    f.error = "explorer /desktop did not start";
  } else {
    // The inner run moves its file into place when it is done.
    double endedAt = -1;
    e2e::WaitUntil(
        [&] {
          if (e2e::FileExists(outPath)) return true;
          if (endedAt < 0 && !desktop.Running()) endedAt = NowMs();
          return endedAt >= 0 && NowMs() - endedAt > 30000;
        },
        std::chrono::milliseconds(60000 + samples * 30000), 100ms);
    if (!desktop.WaitExit(15s)) TerminateProcess(desktop.handle.get(), 1);
  }
  const auto bytes = e2e::ReadFileBytes(outPath);
  if (!bytes) {
    if (f.error.empty()) f.error = "the run inside the virtual desktop wrote no figures";
    std::printf("\n[%s]\n  %s\n", label.c_str(), f.error.c_str());
  } else {
    // Echo its report; its summary line fills the table.
    std::string text(bytes->begin(), bytes->end()), line;
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t end = text.find('\n', at);
      line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
      at = end == std::string::npos ? text.size() : end + 1;
      if (line.rfind(kSummaryTag, 0) == 0) {
        std::sscanf(line.c_str() + sizeof kSummaryTag - 1, "%zu %lf %lf %lf %zu %lf %lf", &f.hidden.count,
                    &f.hidden.median, &f.hidden.worst, &f.hidden.best, &f.restored.count, &f.restored.median,
                    &f.restored.worst);
        continue;
      }
      std::printf("%s\n", line.c_str());
    }
    if (f.hidden.count == 0) f.error = "no samples";
  }
  std::fflush(stdout);
  e2e::RemoveDir(dir);
  return f;
}

// Inside the virtual desktop: one measurement, written to `outPath`.
int RunInDesktop(const std::wstring& outPath, const std::string& label, int samples) {
  const std::wstring part = outPath + L".part";
  FILE* out = _wfopen(part.c_str(), L"w");
  if (!out) return 1;
  const Figures f = Measure(out, label, samples);
  std::fprintf(out, "%s %zu %.3f %.3f %.3f %zu %.3f %.3f\n", kSummaryTag, f.hidden.count, f.hidden.median,
               f.hidden.worst, f.hidden.best, f.restored.count, f.restored.median, f.restored.worst);
  std::fclose(out);
  return MoveFileExW(part.c_str(), outPath.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

void PrintTable(const std::vector<Figures>& all) {
  std::printf("\nminimize to hidden (ms)                              median    worst     best  samples   restore median\n");
  for (const auto& f : all) {
    if (f.hidden.count == 0) {
      std::printf("%-50s  no figures: %s\n", f.label.c_str(), f.error.c_str());
      continue;
    }
    std::printf("%-50s %8.1f %8.1f %8.1f %8zu %16.1f%s\n", f.label.c_str(), f.hidden.median, f.hidden.worst,
                f.hidden.best, f.hidden.count, f.restored.median, f.error.empty() ? "" : "  (stopped early)");
  }
  std::printf("target: median within %.0f ms of the %.0f ms hide timer\n", kTargetSlackMs, kHideTimerMs);
}

int Run(int argc, wchar_t** argv) {
  int samples = kDefaultSamples;
  std::wstring inDesktopOut, binDirArg;
  bool live = false;
  std::string label;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == L"--samples" && hasValue) samples = _wtoi(argv[++i]);
    else if (a == L"--bin-dir" && hasValue) binDirArg = argv[++i];
    else if (a == L"--in-desktop" && hasValue) inDesktopOut = argv[++i];
    else if (a == L"--live") live = true;
    else if (a == L"--label" && hasValue) label = e2e::Narrow(argv[++i]);
    else {
      std::fprintf(stderr, "usage: minimize_latency.exe [--samples N] [--bin-dir DIR]\n");
      return 2;
    }
  }
  if (samples < 1) samples = 1;
  if (!binDirArg.empty()) e2e::SetBinDir(binDirArg);
  if (!inDesktopOut.empty()) return RunInDesktop(inDesktopOut, label, samples);
  if (live) {
    ManagedWindows managed(false);
    return MeasureLive(samples);
  }

  std::printf("minimize_latency: the real Velmora.exe, %d samples per desktop, probe window of class EXCEL7\n", samples);
  std::printf("hidden = the window is invisible AND its icon is in the tray; restored = visible again after the icon click\n");
  std::fflush(stdout);
  std::vector<Figures> all;
  if (!UnderWine()) {
    all.push_back(Measure(stdout, "Windows desktop", samples));
  } else {
    {
      ManagedWindows managed(true);
      all.push_back(Measure(stdout, "Wine, no window manager, managed windows", samples));
    }
    {
      ManagedWindows managed(false);
      all.push_back(Measure(stdout, "Wine, no window manager, unmanaged windows", samples));
    }
    all.push_back(MeasureInVirtualDesktop("Wine virtual desktop (explorer /desktop)", samples, binDirArg));
  }
  PrintTable(all);
  for (const auto& f : all)
    if (f.hidden.count == 0) return 1;
  return 0;
}

}  // namespace
}  // namespace velmora::bench

int wmain(int argc, wchar_t** argv) {
  try {
    return velmora::bench::Run(argc, argv);
  } catch (...) {
    std::fprintf(stderr, "minimize_latency: unexpected failure\n");
    return 1;
  }
}
