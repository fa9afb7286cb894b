#pragma once
// The command's own process: Velmora.exe started with arguments hands its
// command to the running Velmora over the command channel (starting Velmora
// first when none runs) and ends with the command's exit code. It hides no
// window itself and touches no window of Velmora's.
#include <string>
#include <vector>

namespace velmora {

// The arguments after the program's name, split as programs split them; empty: no command.
std::vector<std::wstring> CommandArguments();

// Carries out the command line; the process's exit code (CommandExit).
int RunCommandClient(const std::vector<std::wstring>& args) noexcept;

}  // namespace velmora
