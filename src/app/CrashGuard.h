#pragma once
// The last duty of a Velmora that fails: every window it hid comes back
// before the process ends. Works from the marks on the windows alone, so that
// nothing of the failed program's state is trusted.
namespace velmora {

// Shows every window that carries Velmora's mark, and removes the mark.
void ShowMarkedWindows() noexcept;
// Calls ShowMarkedWindows for an exception nobody handles.
void InstallCrashGuard() noexcept;

}  // namespace velmora
