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
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "hook/MemBlock.h"

extern "C" __declspec(dllimport) int InstallEmptyHooks(void);
extern "C" __declspec(dllimport) void RemoveEmptyHooks(void);

namespace velmora {
namespace {

struct CloseHandleDeleter {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
struct UnmapDeleter {
  void operator()(TMemBlock* view) const { UnmapViewOfFile(view); }
};
using Handle = std::unique_ptr<void, CloseHandleDeleter>;

constexpr UINT kIgnored = WM_USER + 7;
constexpr char kEmptyReady[] = "VelmoraBenchEmptyHooks";

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

// ns per call of each event kind
struct Figures {
  double sent = 1e30, posted = 1e30, child = 1e30;
};

LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Wine keeps a thread's view of which hooks are set and renews it only on some
// calls; setting and removing a hook of the thread's own renews it.
void RenewHookView() {
  if (HHOOK own = SetWindowsHookExA(WH_CBT, PassOn, nullptr, GetCurrentThreadId())) UnhookWindowsHookEx(own);
}

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

template <class Done>
bool WaitUntil(Done done, DWORD ms) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20)) {
    if (done()) return true;
  }
  return done();
}

bool HelperRunning() {
  Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, "VelmoraHook32.exe") == 0) return true;
  }
  return false;
}

HWND VelmoraMainWindow() {
  Handle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, MemBlockName));
  if (!mapping) return nullptr;
  std::unique_ptr<TMemBlock, UnmapDeleter> block(
      static_cast<TMemBlock*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(TMemBlock))));
  return block ? reinterpret_cast<HWND>(static_cast<std::uintptr_t>(block->MainWindow)) : nullptr;
}

// A program started from this folder, ended when this goes: asked to quit, then terminated.
class Child {
 public:
  Child(const std::string& folder, const char* exe, const std::string& args) {
    std::string commandLine = "\"" + folder + exe + "\" " + args;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                       &started)) {
      CloseHandle(started.hThread);
      process_.reset(started.hProcess);
      thread_ = started.dwThreadId;
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (!process_) return;
    // Velmora closes by its main window, the hook hosts by WM_QUIT.
    if (HWND main = VelmoraMainWindow()) PostMessageA(main, WM_CLOSE, 0, 0);
    PostThreadMessageA(thread_, WM_QUIT, 0, 0);
    if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 1);
  }
  explicit operator bool() const { return process_ != nullptr; }

 private:
  Handle process_;
  DWORD thread_ = 0;
};

// --empty <pid>: empty hooks of this bitness, set from this process until
// WM_QUIT or the bench ends, as Velmora and its helper set theirs.
int RunEmptyHooks(DWORD bench) {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  Handle benchProcess(OpenProcess(SYNCHRONIZE, FALSE, bench));
  const std::string ready = std::string(kEmptyReady) + std::to_string(sizeof(void*) * 8);
  Handle readyEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, ready.c_str()));
  if (!benchProcess || !readyEvent || !InstallEmptyHooks()) return 1;
  SetEvent(readyEvent.get());
  HANDLE wait = benchProcess.get();
  for (bool running = true; running && MsgWaitForMultipleObjects(1, &wait, FALSE, INFINITE, QS_ALLINPUT) ==
                                           WAIT_OBJECT_0 + 1;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) running = running && msg.message != WM_QUIT;
  }
  RemoveEmptyHooks();
  return 0;
}

constexpr bool kHost32 = sizeof(void*) == 4;

// Velmora's files (with the helper's for a 32-bit host) in a fresh folder.
std::string VelmoraFolder(const std::string& bin) {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp, length) + "velmora-hook-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* name : {"Velmora.exe", "LibOrvane.dll", "LibOrvane32.dll", "VelmoraHook32.exe"}) {
    const std::string target = folder + name;
    DeleteFileA(target.c_str());
    if (kHost32 || std::strstr(name, "32") == nullptr) CopyFileA((bin + name).c_str(), target.c_str(), FALSE);
  }
  return folder;
}

void PrintSize(const std::string& folder, const char* name, long long& total) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA((folder + name).c_str(), GetFileExInfoStandard, &data)) {
    const long long size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    total += size;
    std::printf("%-18s %8lld bytes\n", name, size);
  } else {
    std::printf("%-18s not present\n", name);
  }
}

int Run(int rounds) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  const std::string self = std::to_string(GetCurrentProcessId());
  const std::string velmoraFolder = VelmoraFolder(folder);
  Handle ready64(CreateEventA(nullptr, TRUE, FALSE, (std::string(kEmptyReady) + "64").c_str()));
  Handle ready32(CreateEventA(nullptr, TRUE, FALSE, (std::string(kEmptyReady) + "32").c_str()));
  auto readyWithin = [](const Handle& event) { return WaitForSingleObject(event.get(), 10000) == WAIT_OBJECT_0; };

  WNDCLASSEXA cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = HostProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = "VelmoraBenchHost";
  RegisterClassExA(&cls);
  HWND host = CreateWindowExA(0, cls.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, cls.hInstance, nullptr);
  if (host == nullptr || !ready64 || !ready32) return 1;

  Figures none, empty, velmora;
  for (int round = 0; round < rounds; ++round) {
    Measure(host, none);
    {
      ResetEvent(ready64.get());
      ResetEvent(ready32.get());
      Child hooks64(folder, "hook_bench.exe", "--empty " + self);
      const bool up64 = readyWithin(ready64);
      std::unique_ptr<Child> hooks32;
      if (kHost32) hooks32 = std::make_unique<Child>(folder, "hook_bench32.exe", "--empty " + self);
      if (!up64 || (kHost32 && !readyWithin(ready32))) {
        std::printf("the empty hooks did not come up\n");
        return 2;
      }
      Measure(host, empty);
    }
    Child running(velmoraFolder, "Velmora.exe", "");
    if (!running || !WaitUntil([] { return VelmoraMainWindow() != nullptr && (!kHost32 || HelperRunning()); }, 15000)) {
      std::printf("Velmora.exe did not come up\n");
      return 3;
    }
    Sleep(300);  // the start's own work is over
    Measure(host, velmora);
  }
  DestroyWindow(host);
  for (const char* name : {"Velmora.exe", "LibOrvane.dll", "LibOrvane32.dll", "VelmoraHook32.exe"})
    DeleteFileA((velmoraFolder + name).c_str());
  RemoveDirectoryA(velmoraFolder.c_str());

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
  std::printf(
              "Targets: PostMessage+PeekMessage c/a within 1.10 (no hook of Velmora's sees posted messages); "
              "the others c/b within 1.05\n");

  long long total = 0;
  for (const char* name : {"Velmora.exe", "LibOrvane.dll", "LibOrvane32.dll", "VelmoraHook32.exe"})
    PrintSize(folder, name, total);
  std::printf("%-18s %8lld bytes (%.1f KB)\n", "together", total, static_cast<double>(total) / 1024.0);
  return 0;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--empty") == 0)
    return velmora::RunEmptyHooks(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  return velmora::Run(rounds);
}
