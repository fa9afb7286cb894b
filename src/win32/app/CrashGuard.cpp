#include "win32/app/CrashGuard.h"

#include <cstdint>

#include "foreign/HiddenMark.h"
#include "win32/Win32Api.h"
#include "win32/Win32Shell.h"

#include <objbase.h>

namespace velmora {

namespace {

// Plain Win32 only: the heap and the program's objects may be damaged.
BOOL CALLBACK ShowIfMarked(HWND wnd, LPARAM) noexcept {
  const auto how = static_cast<HiddenHow>(reinterpret_cast<std::uintptr_t>(::GetPropA(wnd, HiddenMarkName)));
  if (how == HiddenHow::None) return TRUE;
  ::RemovePropA(wnd, HiddenMarkName);
  if (how == HiddenHow::TabOnly) {
    // Its button back from the taskbar list; failing that, shown anew it gets a new one.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool added = SetTaskbarTab(reinterpret_cast<std::uintptr_t>(wnd), true);
    if (SUCCEEDED(com)) ::CoUninitialize();
    if (added) return TRUE;
    ::ShowWindowAsync(wnd, SW_HIDE);
  } else if (::IsWindowVisible(wnd)) {
    return TRUE;  // back by other means
  }
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
