// VelmoraHook32.exe <process id of Velmora>
// A 32-bit hook library serves only 32-bit programs, so Velmora starts this
// helper once its own hooks are in: it sets LibOrvane32.dll's hooks over the
// same shared block and keeps them, pumping messages (Windows runs hooks of
// the other bitness on this thread), until Velmora asks it to end (WM_QUIT)
// or Velmora's process ends, killed or not.
// Linked without the C runtime's start-up code: it needs none of it.
#include <windows.h>

#include <memory>

#include "hook/LibOrvane.h"

namespace {

// The number after the program's own name, as Velmora writes the command
// line: "path\VelmoraHook32.exe" <id>. 0 when there is none.
DWORD VelmoraProcessId(const char* line) {
  if (*line == '"') {
    for (++line; *line != '\0' && *line != '"'; ++line) {
    }
    if (*line == '"') ++line;
  } else {
    while (*line > ' ') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  DWORD pid = 0;
  for (; *line >= '0' && *line <= '9'; ++line) {
    if (pid > (MAXDWORD - 9) / 10) return 0;
    pid = pid * 10 + static_cast<DWORD>(*line - '0');
  }
  return *line == '\0' || *line == ' ' ? pid : 0;
}

UINT KeepHooks() {
  MSG msg;
  // The queue exists from here on, so that Velmora's WM_QUIT is never lost.
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  const DWORD pid = VelmoraProcessId(GetCommandLineA());
  const std::unique_ptr<void, decltype(&CloseHandle)> velmora(pid != 0 ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr,
                                                              &CloseHandle);
  if (!velmora) return 1;
  if (!SetHook()) return 2;
  HANDLE wait = velmora.get();
  bool running = true;
  while (running) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &wait, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) break;  // Velmora ended, or the wait failed
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) running = false;
      DispatchMessageA(&msg);
    }
  }
  UnSetHook();
  return 0;
}

}  // namespace

// The process's entry point.
extern "C" DWORD WINAPI HelperStart(void*) { ExitProcess(KeepHooks()); }
