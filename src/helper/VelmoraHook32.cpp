// VelmoraHook32.exe <process id of Velmora>
// A 32-bit hook library serves only 32-bit programs, so Velmora starts this
// helper once its own hooks are in: it sets LibOrvane32.dll's hooks over the
// same shared block and keeps them, pumping messages (Windows runs hooks of
// the other bitness on this thread), until Velmora asks it to end (WM_QUIT)
// or Velmora's process ends, killed or not.
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "hook/LibOrvane.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  MSG msg;
  // The queue exists from here on, so that Velmora's WM_QUIT is never lost.
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  const auto pid = static_cast<DWORD>(std::strtoul(commandLine, nullptr, 10));
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
