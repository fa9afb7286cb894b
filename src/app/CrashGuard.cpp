#include "app/CrashGuard.h"

#include <cstdint>

#include "foreign/HeldWindows.h"
#include "win32/Win32Api.h"

namespace velmora {

namespace {

// Plain Win32 only, and nothing that waits: the heap and the program's objects
// may be damaged, the loader lock held. No COM (the taskbar list talks to
// Explorer): a window that lost only its taskbar button is hidden and shown
// again, and the shell gives it a new one.
BOOL CALLBACK ShowIfMarked(HWND wnd, LPARAM) noexcept {
  const HeldMark how = HeldMarkOf(reinterpret_cast<std::uintptr_t>(::GetPropA(wnd, HeldMarkName)));
  const auto event = ExitEvent(how, ::IsWindowVisible(wnd) != FALSE, ::IsIconic(wnd) != FALSE);
  if (!event) return TRUE;  // no mark, or its show is on its way
  // The same moves as an orderly exit: after either event the mark goes.
  static_assert(NextMark(HeldMark::TabOnly, HeldEvent::LetGo) == HeldMark::None &&
                NextMark(HeldMark::AskedBack, HeldEvent::SeenShown) == HeldMark::None);
  ::RemovePropA(wnd, HeldMarkName);
  if (*event != HeldEvent::LetGo) return TRUE;
  if (how == HeldMark::TabOnly) ::ShowWindowAsync(wnd, SW_HIDE);
  // A dialog comes back as it was; its owner, minimized.
  ::ShowWindowAsync(wnd, how == HeldMark::WithOwner ? SW_SHOWNA : SW_SHOWMINNOACTIVE);
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
