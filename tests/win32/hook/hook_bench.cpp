// What Velmora's hooks cost a program for the events they ignore, beside empty
// hooks of the same kinds set the same way (from other processes) in the same
// run, and the size of what is shipped. Built as a 64-bit and as a 32-bit
// program (hook_bench32.exe): each measures a host of its own bitness, served
// by LibOrvane.dll or, through VelmoraHook32.exe, by LibOrvane32.dll.
//   hook_bench.exe [rounds]
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

// Exists while the empty hooks of a bitness are set.
std::string EmptyHooksMark(int bits) { return "VelmoraBenchEmptyHooks" + std::to_string(bits); }

// --empty: empty hooks of this bitness set from this process, which pumps
// messages as Velmora's hook thread and its helper do, until it is ended. The
// library is loaded here only, so that the host loads it as it loads LibOrvane.
int RunEmptyHooks() {
  HMODULE library = LoadLibraryW(kHost32 ? L"hook_empty32.dll" : L"hook_empty.dll");
  auto install = reinterpret_cast<int (*)()>(
      reinterpret_cast<void*>(library ? GetProcAddress(library, "InstallEmptyHooks") : nullptr));
  if (install == nullptr || !install()) return 1;
  Handle mark(CreateEventA(nullptr, TRUE, TRUE, EmptyHooksMark(sizeof(void*) * 8).c_str()));
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

// The empty hooks of one bitness, from a process of their own; ended (and
// their hooks with them) when this goes.
class EmptyHooks {
 public:
  EmptyHooks(const wchar_t* exe, int bits) : process_(Launch(JoinPath(BinDir(), exe), L"--empty")) {
    up_ = WaitUntil([bits] { return Handle(OpenEventA(SYNCHRONIZE, FALSE, EmptyHooksMark(bits).c_str())).get(); }, 10s);
  }
  EmptyHooks(const EmptyHooks&) = delete;
  EmptyHooks& operator=(const EmptyHooks&) = delete;
  ~EmptyHooks() {
    TerminateProcess(process_.handle.get(), 0);
    process_.WaitExit(5s);
  }
  bool Up() const { return up_; }

 private:
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

int Run(int rounds) {
  WNDCLASSEXA cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = HostProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = "VelmoraBenchHost";
  RegisterClassExA(&cls);
  HWND host = CreateWindowExA(0, cls.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, cls.hInstance, nullptr);
  if (host == nullptr) return 1;

  Figures none, empty, velmora;
  for (int round = 0; round < rounds; ++round) {
    Measure(host, none);
    {
      // The host's own bitness last, at the head of the chain, as the helper's hooks come after Velmora's.
      EmptyHooks hooks64(L"hook_bench.exe", 64);
      std::unique_ptr<EmptyHooks> hooks32;
      if (kHost32) hooks32 = std::make_unique<EmptyHooks>(L"hook_bench32.exe", 32);
      if (!hooks64.Up() || (hooks32 && !hooks32->Up())) {
        std::printf("the empty hooks did not come up\n");
        return 2;
      }
      Measure(host, empty);
    }
    RunningVelmora running;
    if (!running.Up()) {
      std::printf("Velmora.exe did not come up\n");
      return 3;
    }
    Measure(host, velmora);
  }
  DestroyWindow(host);

  std::printf("Hook cost in a %d-bit program for ignored events, ns per call, best of %d rounds\n",
              static_cast<int>(sizeof(void*) * 8), rounds);
  std::printf("%-28s %10s %12s %11s %10s %10s\n", "event", "no hook", "empty hooks", "Velmora", "c/a", "c/b");
  auto row = [](const char* name, double a, double b, double c) {
    std::printf("%-28s %10.0f %12.0f %11.0f %10.2f %10.2f\n", name, a, b, c, a > 0 ? c / a : 0.0,
                b > 0 ? c / b : 0.0);
  };
  row("SendMessage", none.sent, empty.sent, velmora.sent);
  row("PostMessage+PeekMessage", none.posted, empty.posted, velmora.posted);
  row("child window create+destroy", none.child, empty.child, velmora.child);
  std::printf(kHost32 ? "empty hooks: set by a 64-bit, then a 32-bit process; Velmora: with VelmoraHook32.exe.\n"
                      : "empty hooks: set by a 64-bit process; Velmora: without its 32-bit helper.\n");
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
  if (argc > 1 && std::strcmp(argv[1], "--empty") == 0) return velmora::RunEmptyHooks();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  return velmora::Run(rounds);
}
