#pragma once
// What a command's process, the running Velmora and the channel between them
// agree on: the largest message and the exit codes.
#include <cstddef>

namespace velmora {

// The most the channel carries: the arguments as UTF-8, each ended by a zero byte.
inline constexpr std::size_t CommandLimit = 8192;
// The most text an answer carries after its exit code (/list): UTF-8, whole lines.
inline constexpr std::size_t AnswerTextLimit = 1 << 20;

enum CommandExit : int {
  ExitDone = 0,
  ExitNoMatch = 1,      // nothing matched: no window, no such mark, no program started
  ExitBadCommand = 2,   // a bad command line; the usage is shown
  ExitUnreachable = 3,  // Velmora could not be reached, or gave up on the command
};

}  // namespace velmora
