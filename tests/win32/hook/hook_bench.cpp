// What LibOrvane costs a host for the events it ignores, beside empty hooks of
// the same kinds measured in the same run, and the size of what is shipped.
//   hook_bench.exe [rounds]
// This process is the host: it maps the block as Velmora would and, once the
// hooks are in, clears HookOwnerPid so that the library treats it as a host.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "hook/LibOrvane.h"
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

constexpr UINT kIgnored = WM_USER + 7;

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

void Measure(HWND host, Figures& best) {
  constexpr int kSends = 200000, kPosts = 100000, kChildren = 2000;
  double t = Now();
  for (int i = 0; i < kSends; ++i) SendMessageA(host, kIgnored, 0, 0);
  best.sent = std::min(best.sent, (Now() - t) / kSends);

  MSG msg;
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

void PrintSize(const std::string& folder, const char* name, long long& total) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA((folder + name).c_str(), GetFileExInfoStandard, &data)) {
    const long long size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    total += size;
    std::printf("%-14s %8lld bytes\n", name, size);
  } else {
    std::printf("%-14s not present\n", name);
  }
}

int Run(int rounds) {
  std::unique_ptr<void, CloseHandleDeleter> mapping(
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(TMemBlock), MemBlockName));
  if (!mapping) return 1;
  std::unique_ptr<TMemBlock, UnmapDeleter> block(static_cast<TMemBlock*>(
      MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TMemBlock))));
  WNDCLASSEXA cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = HostProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = "VelmoraBenchHost";
  RegisterClassExA(&cls);
  HWND host = CreateWindowExA(0, cls.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, cls.hInstance, nullptr);
  if (!block || host == nullptr) return 1;
  block->MainWindow = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(host));

  Figures none, empty, lib;
  for (int round = 0; round < rounds; ++round) {
    Measure(host, none);
    if (!InstallEmptyHooks()) return 2;
    Measure(host, empty);
    RemoveEmptyHooks();
    if (!SetHook()) return 3;
    block->HookOwnerPid = 0;
    Measure(host, lib);
    UnSetHook();
  }
  DestroyWindow(host);

  std::printf("Hook cost in a host for ignored events, ns per call, best of %d rounds\n", rounds);
  std::printf("%-28s %10s %12s %11s %10s %10s\n", "event", "no hook", "empty hooks", "LibOrvane", "c/a",
              "c/b");
  auto row = [](const char* name, double a, double b, double c) {
    std::printf("%-28s %10.0f %12.0f %11.0f %10.2f %10.2f\n", name, a, b, c, a > 0 ? c / a : 0.0,
                b > 0 ? c / b : 0.0);
  };
  row("SendMessage", none.sent, empty.sent, lib.sent);
  row("PostMessage+PeekMessage", none.posted, empty.posted, lib.posted);
  row("child window create+destroy", none.child, empty.child, lib.child);
  std::printf("targets: PostMessage+PeekMessage c/a within 1.10 (no hook of Velmora's sees posted messages); "
              "the others c/b within 1.05\n");

  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  long long total = 0;
  PrintSize(folder, "LibOrvane.dll", total);
  PrintSize(folder, "Velmora.exe", total);
  std::printf("%-14s %8lld bytes (%.1f KB)\n", "together", total, static_cast<double>(total) / 1024.0);
  return 0;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  return velmora::Run(rounds);
}
