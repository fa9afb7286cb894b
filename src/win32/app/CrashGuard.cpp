#include "win32/app/CrashGuard.h"

#include <cstdint>

#include "foreign/HiddenMark.h"
#include "win32/Win32Api.h"

namespace velmora {

namespace {

// Plain Win32 only: the heap and the program's objects may be damaged.
BOOL CALLBACK ShowIfMarked(HWND wnd, LPARAM) noexcept {
  const auto how = static_cast<HiddenHow>(reinterpret_cast<std::uintptr_t>(::GetPropA(wnd, HiddenMarkName)));
  if (how == HiddenHow::None) return TRUE;
  ::RemovePropA(wnd, HiddenMarkName);
  // A window that lost only its taskbar button gets it back by being shown anew.
  if (how == HiddenHow::TabOnly) ::ShowWindowAsync(wnd, SW_HIDE);
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
