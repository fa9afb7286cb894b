#pragma once
// Whether this process may run: the installer and uninstaller windows and the
// single instance.
#include "platform/Ports.h"

namespace velmora {

inline constexpr char MainMutexName[] = "VelmoraMutex";
inline constexpr char InstallMutexName[] = "VelmoraMutexInstall";
// Signalled by the copy that the installer interplay started, once it has seen
// "VelmoraMutexInstall"; the starting copy holds the mutex until then.
inline constexpr char InstallSeenEventName[] = "VelmoraMutexInstallSeen";
inline constexpr std::uint32_t InstallHandOverMs = 10000;

struct EntryDecision {
  bool run = false;             // false: end the process now, exit code 0
  KernelObject mainMutex;       // held for the whole run when run is true
};

// The steps before the forms exist: installer interplay, single instance, uninstaller.
EntryDecision RunEntrySequence(Ports& ports);

// The start-up copy of the settings; loading it also writes the defaults on a first start.
// True when the splash should show (installer window absent and ShowSplash set).
bool WantsSplash(Ports& ports);

}  // namespace velmora
