#pragma once
// A program that /run-hidden starts: suspended until Velmora watches its
// process, and never left suspended. Whatever happens before it is let run
// (a failure, an exception, this process killed while it waits for Velmora),
// it is ended: by this object when it goes, and by the system through a job
// object that kills it when the job's last handle closes, which is also when
// this process ends.
#include <optional>
#include <string>

#include "win32/Raii.h"
#include "win32/Win32Api.h"

namespace velmora {

// The full path of the program a /run-hidden command names, found as
// CreateProcess finds it: a name with a folder from the current folder, a bare
// name in the folder of this program, the current folder, the system folders
// and PATH, with ".exe" added when it has no extension. nullopt, with error
// set, when there is no such file.
std::optional<std::wstring> ResolveProgram(const std::wstring& name, DWORD& error);

class HeldProgram {
 public:
  // Starts the program at path with the command line, suspended, in a job that
  // kills it on close: made inside it where the system allows (Windows 10 and
  // later), else put in it at once. nullopt, with error set, when it cannot be started.
  // Where this process's own job refuses another one (before Windows 8), the
  // program is held without a job.
  static std::optional<HeldProgram> Start(const std::wstring& path, std::wstring commandLine, DWORD& error);

  HeldProgram(HeldProgram&&) = default;
  HeldProgram& operator=(HeldProgram&&) = delete;
  HeldProgram(const HeldProgram&) = delete;
  HeldProgram& operator=(const HeldProgram&) = delete;
  // Not let run: ended.
  ~HeldProgram();

  DWORD ProcessId() const { return pid_; }
  bool InJob() const { return job_ != nullptr; }
  // Lets the program run, then out of the job's reach: it outlives this
  // process. False, with error set, when its thread could not be resumed or
  // the job not let go of it: then it has been ended (Ended() says whether that worked).
  bool Release(DWORD& error);
  // Ends the program and waits for it; false when it could not be ended.
  bool End();
  // The program has ended.
  bool Ended() const;

 private:
  HeldProgram() = default;

  UniqueHandle process_, thread_, job_;
  DWORD pid_ = 0;
  bool released_ = false;
};

}  // namespace velmora
