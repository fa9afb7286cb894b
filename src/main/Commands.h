#pragma once
// The commands of the command line as the running Velmora carries them out
// (TFOrvane::RunCommand): which windows a target names.
#include "main/CommandLine.h"
#include "platform/Desktop.h"

namespace velmora {

// The window is one of the target's: of its program (the file name without
// regard to case), of its key as marks take windows (the window's key or its
// plain class name), or the window of that handle.
bool TargetTakes(Desktop& desktop, const CommandTarget& target, Hwnd wnd);

}  // namespace velmora
