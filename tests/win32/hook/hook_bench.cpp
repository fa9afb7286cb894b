// What Velmora's hooks cost a program for the events they ignore, beside empty
// hooks of the same kinds set the same way (from other processes) in the same
// run, and the size of what is shipped. Built as a 64-bit and as a 32-bit
// program (hook_bench32.exe): each measures a host of its own bitness, served
// by LibOrvane.dll or, through VelmoraHook32.exe, by LibOrvane32.dll.
//   hook_bench.exe [rounds]   (15 by default: fewer let a stray wake-up decide a figure)
// Under Wine a hook library that a program cannot load ends its hook chain, so
// each host meets the hooks as they stand for its bitness: the 64-bit host
// empty 64-bit hooks and Velmora alone; the 32-bit host empty hooks of both
// bitnesses, its own set last, and Velmora with its helper (which sets its
// hooks after Velmora's). Velmora runs from a folder of its own in %TEMP%.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "Harness.h"
#include "hook/MemBlock.h"
#include "OwnLevelSection.h"

namespace velmora {
namespace {

using namespace e2e;

constexpr UINT kIgnored = WM_USER + 7;
constexpr bool kHost32 = sizeof(void*) == 4;

double Now() {
  static const double ticksPerNs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1e9;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / ticksPerNs;
}

LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == kIgnored) return 0;
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Wine keeps a thread's view of which hooks are set and renews it only on some
// calls; setting and removing a hook of the thread's own renews it.
void RenewHookView() {
  if (HHOOK own = SetWindowsHookExA(WH_CBT, PassOn, nullptr, GetCurrentThreadId())) UnhookWindowsHookEx(own);
}

// ns per call of each event kind
struct Figures {
  double sent = 1e30, posted = 1e30, child = 1e30;
};

void Measure(HWND host, Figures& best) {
  constexpr int kSends = 2000, kPosts = 20000, kChildren = 300;
  MSG msg;
  RenewHookView();
  double t = Now();
  for (int i = 0; i < kSends; ++i) SendMessageA(host, kIgnored, 0, 0);
  best.sent = std::min(best.sent, (Now() - t) / kSends);

  t = Now();
  for (int i = 0; i < kPosts; ++i) {
    PostMessageA(host, kIgnored, 0, 0);
    PeekMessageA(&msg, host, 0, 0, PM_REMOVE);
  }
  best.posted = std::min(best.posted, (Now() - t) / kPosts);

  t = Now();
  for (int i = 0; i < kChildren; ++i) {
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, host, nullptr, nullptr, nullptr);
    DestroyWindow(child);
  }
  best.child = std::min(best.child, (Now() - t) / kChildren);
}

// Events of a bare hook host of a bitness: its hooks are set; they are to go.
std::string HooksSet(int bits) { return "VelmoraBenchHooksSet" + std::to_string(bits); }
std::string HooksEnd(int bits) { return "VelmoraBenchHooksEnd" + std::to_string(bits); }

// --empty or --library: the empty hooks, or LibOrvane's with Velmora not
// running (a block without a main window), of this bitness set from this
// process, which pumps messages as Velmora's hook thread and its helper do,
// until told to end; then it removes them (Wine keeps the global hooks of a
// process that was ended). The library is loaded here only, so that the host
// loads it as it loads LibOrvane from Velmora.
int RunHooks(bool libOrvane) {
  const int bits = sizeof(void*) * 8;
  Handle end(OpenEventA(SYNCHRONIZE, FALSE, HooksEnd(bits).c_str()));
  // Made as Velmora makes it: the library uses no block that another user made.
  Handle block(libOrvane ? test::CreateOwnLevelSection(MemBlockName, sizeof(TMemBlock)) : nullptr);
  const wchar_t* file = libOrvane ? (kHost32 ? L"LibOrvane32.dll" : L"LibOrvane.dll")
                                  : (kHost32 ? L"hook_empty32.dll" : L"hook_empty.dll");
  HMODULE library = LoadLibraryW(file);
  auto entry = [library](const char* name) {
    return reinterpret_cast<void (*)()>(reinterpret_cast<void*>(library ? GetProcAddress(library, name) : nullptr));
  };
  auto install = reinterpret_cast<int (*)()>(entry(libOrvane ? "SetHook" : "InstallEmptyHooks"));
  auto remove = entry(libOrvane ? "UnSetHook" : "RemoveEmptyHooks");
  if (!end || install == nullptr || remove == nullptr || !install()) return 1;
  Handle set(CreateEventA(nullptr, TRUE, TRUE, HooksSet(bits).c_str()));
  HANDLE wait = end.get();
  MSG msg;
  while (MsgWaitForMultipleObjects(1, &wait, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  remove();
  return 0;
}

// A bare hook host of one bitness; its hooks go when this goes.
class HookHost {
 public:
  HookHost(int bits, const wchar_t* mode) : end_(CreateEventA(nullptr, TRUE, FALSE, HooksEnd(bits).c_str())) {
    process_ = Launch(JoinPath(BinDir(), bits == 32 ? L"hook_bench32.exe" : L"hook_bench.exe"), mode);
    up_ = WaitUntil([bits] { return Handle(OpenEventA(SYNCHRONIZE, FALSE, HooksSet(bits).c_str())).get(); }, 10s);
  }
  HookHost(const HookHost&) = delete;
  HookHost& operator=(const HookHost&) = delete;
  ~HookHost() {
    SetEvent(end_.get());
    if (!process_.WaitExit(5s)) TerminateProcess(process_.handle.get(), 1);
  }
  bool Up() const { return up_; }

 private:
  Handle end_;
  Process process_;
  bool up_ = false;
};

// Velmora from a folder of its own (with the helper for a 32-bit host), its
// hooks set; closed, as the user closes it, when this goes.
class RunningVelmora {
 public:
  RunningVelmora() : dir_(MakeTempDir(L"velmora-hook-bench")) {
    for (const wchar_t* name : {L"Velmora.exe", L"LibOrvane.dll", L"LibOrvane32.dll", L"VelmoraHook32.exe"})
      if (kHost32 || !std::wcsstr(name, L"32"))
        CopyFileW(JoinPath(BinDir(), name).c_str(), JoinPath(dir_, name).c_str(), FALSE);
    process_ = Launch(JoinPath(dir_, L"Velmora.exe"), L"");
    up_ = WaitUntil([&] { return !Mine().empty() && (!kHost32 || !ProcessesIn(dir_, L"VelmoraHook32.exe").empty()); },
                    15s);
    Sleep(300ms);  // the start's own work is over
  }
  RunningVelmora(const RunningVelmora&) = delete;
  RunningVelmora& operator=(const RunningVelmora&) = delete;
  ~RunningVelmora() {
    for (HWND main : Mine()) PostMessageW(main, WM_CLOSE, 0, 0);
    if (!process_.WaitExit(10s)) TerminateProcess(process_.handle.get(), 1);
    WaitUntil([&] { return ProcessesIn(dir_, L"VelmoraHook32.exe").empty(); }, 5s);
    RemoveDir(dir_);
  }
  bool Up() const { return up_; }

 private:
  std::vector<HWND> Mine() const {
    std::vector<HWND> mine;
    for (HWND w : MainWindows())
      if (ProcessOf(w) == process_.pid) mine.push_back(w);
    return mine;
  }
  std::wstring dir_;
  Process process_;
  bool up_ = false;
};

void PrintSize(const wchar_t* name, long long& total) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(JoinPath(BinDir(), name).c_str(), GetFileExInfoStandard, &data)) {
    const long long size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    total += size;
    std::printf("%-18ls %8lld bytes\n", name, size);
  } else {
    std::printf("%-18ls not present\n", name);
  }
}

// --measure <file>: one measurement in a fresh program (a program that has
// loaded hook libraries before pays more for its later hooked events under
// Wine); the three figures go to the file.
int RunMeasure(const char* file) {
  WNDCLASSEXA cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = HostProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = "VelmoraBenchHost";
  RegisterClassExA(&cls);
  HWND host = CreateWindowExA(0, cls.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, cls.hInstance, nullptr);
  if (host == nullptr) return 1;
  Figures figures;
  Measure(host, figures);
  DestroyWindow(host);
  std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(file, "w"), std::fclose);
  return out && std::fprintf(out.get(), "%f %f %f\n", figures.sent, figures.posted, figures.child) > 0 ? 0 : 1;
}

// A fresh program of this bitness measures; its figures join the best so far.
bool MeasureInFreshProgram(Figures& best) {
  const std::wstring file = JoinPath(MakeTempDir(L"velmora-hook-bench-figures"), L"figures.txt");
  Process measurer = Launch(JoinPath(BinDir(), kHost32 ? L"hook_bench32.exe" : L"hook_bench.exe"),
                            L"--measure " + Quote(file));
  Figures got;
  bool ok = measurer.WaitExit(120s) && measurer.ExitCode() == 0u;
  if (std::unique_ptr<FILE, int (*)(FILE*)> in(_wfopen(file.c_str(), L"r"), std::fclose); ok && in)
    ok = std::fscanf(in.get(), "%lf %lf %lf", &got.sent, &got.posted, &got.child) == 3;
  RemoveDir(file.substr(0, file.find_last_of(L'\\')));
  best.sent = std::min(best.sent, got.sent);
  best.posted = std::min(best.posted, got.posted);
  best.child = std::min(best.child, got.child);
  return ok;
}

int Run(int rounds) {
  // The host's own bitness last, at the head of the chain, as the helper's hooks come after Velmora's.
  auto withHosts = [](const wchar_t* mode, Figures& figures) {
    HookHost hooks64(64, mode);
    std::unique_ptr<HookHost> hooks32;
    if (kHost32) hooks32 = std::make_unique<HookHost>(32, mode);
    return hooks64.Up() && (!hooks32 || hooks32->Up()) && MeasureInFreshProgram(figures);
  };
  auto withVelmora = [](Figures& figures) {
    RunningVelmora running;
    return running.Up() && MeasureInFreshProgram(figures);
  };
  Figures none, empty, library, velmora;
  for (int round = 0; round < rounds; ++round) {
    if (!MeasureInFreshProgram(none) || !withHosts(L"--empty", empty) || !withHosts(L"--library", library) ||
        !withVelmora(velmora)) {
      std::printf("a measurement, the hook hosts or Velmora.exe failed\n");
      return 2;
    }
  }

  std::printf("Hook cost in a %d-bit program for ignored events, ns per call, best of %d rounds\n",
              static_cast<int>(sizeof(void*) * 8), rounds);
  std::printf("%-28s %9s %9s %9s %9s %6s %6s %6s\n", "event", "a no hook", "b empty", "l library", "c Velmora",
              "l/b", "c/a", "c/b");
  auto row = [](const char* name, double a, double b, double l, double c) {
    std::printf("%-28s %9.0f %9.0f %9.0f %9.0f %6.2f %6.2f %6.2f\n", name, a, b, l, c, l / b, c / a, c / b);
  };
  row("SendMessage", none.sent, empty.sent, library.sent, velmora.sent);
  row("PostMessage+PeekMessage", none.posted, empty.posted, library.posted, velmora.posted);
  row("child window create+destroy", none.child, empty.child, library.child, velmora.child);
  std::printf(kHost32 ? "b and l: hooks set by a 64-bit, then a 32-bit bare host; c: Velmora with VelmoraHook32.exe.\n"
                      : "b and l: hooks set by a 64-bit bare host; c: Velmora without its 32-bit helper.\n");
  std::printf("Targets: PostMessage+PeekMessage c/a within 1.10 (no hook of Velmora's sees posted messages); "
              "the others c/b within 1.05\n");

  long long total = 0;
  for (const wchar_t* name : {L"Velmora.exe", L"LibOrvane.dll", L"LibOrvane32.dll", L"VelmoraHook32.exe"})
    PrintSize(name, total);
  std::printf("%-18s %8lld bytes (%.1f KB)\n", "together", total, static_cast<double>(total) / 1024.0);
  return 0;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--measure") == 0) return velmora::RunMeasure(argv[2]);
  if (argc > 1 && (std::strcmp(argv[1], "--empty") == 0 || std::strcmp(argv[1], "--library") == 0))
    return velmora::RunHooks(argv[1][2] == 'l');
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  return velmora::Run(rounds);
}
