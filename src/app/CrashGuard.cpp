#include "app/CrashGuard.h"

#include <cstdint>

#include "foreign/HiddenMark.h"
#include "win32/Win32Api.h"

namespace velmora {

namespace {

// Plain Win32 only, and nothing that waits: the heap and the program's objects
// may be damaged, the loader lock held. No COM (the taskbar list talks to
// Explorer): a window that lost only its taskbar button is hidden and shown
// again, and the shell gives it a new one.
BOOL CALLBACK ShowIfMarked(HWND wnd, LPARAM) noexcept {
  const auto how = static_cast<HiddenHow>(reinterpret_cast<std::uintptr_t>(::GetPropA(wnd, HiddenMarkName)));
  if (how == HiddenHow::None) return TRUE;
  ::RemovePropA(wnd, HiddenMarkName);
  if (how == HiddenHow::Showing) return TRUE;  // its show is on its way
  if (how == HiddenHow::TabOnly)
    ::ShowWindowAsync(wnd, SW_HIDE);
  else if (::IsWindowVisible(wnd) && !::IsIconic(wnd))
    return TRUE;  // back by other means; still minimized, its hide may wait in its program's queue
  ::ShowWindowAsync(wnd, SW_SHOWMINNOACTIVE);
  return TRUE;
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS*) noexcept {
  ShowMarkedWindows();
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void ShowMarkedWindows() noexcept { ::EnumWindows(ShowIfMarked, 0); }

void InstallCrashGuard() noexcept { ::SetUnhandledExceptionFilter(OnUnhandledException); }

}  // namespace velmora
