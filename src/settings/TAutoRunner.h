#pragma once
// Run at login: the value that names the program in a Run key of the
// registry, kept in line with AutoRun. Keys are never created; every registry
// error is swallowed.
#include <cstdint>
#include <string>

#include "platform/Registry.h"
#include "platform/Shell.h"

namespace velmora {

enum class TRegLocation : std::uint8_t { CurrentUser, LocalMachine };
enum class TAutoRunWhere : std::uint8_t { Run, RunOnce, RunServices, RunServicesOnce };

class TAutoRunner {
 public:
  // Made and loaded as the options dialog stores it: CurrentUser, Run, AutoRun,
  // AppName "Velmora". Loading reads the current user's Run key once: AutoRun
  // then tells whether it holds a non-empty value of that name.
  TAutoRunner(Registry& registry, Shell& shell, const std::string& appName = "Velmora");

  TRegLocation RegLocation() const { return regLocation_; }
  TAutoRunWhere AutoRunWhere() const { return autoRunWhere_; }
  bool AutoRun() const { return autoRun_; }
  const std::string& AppName() const { return appName_; }
  const std::string& RunKey() const { return runKey_; }

  void SetRegLocation(TRegLocation value);
  void SetAutoRunWhere(TAutoRunWhere value);
  // Acts only on a change: writes or removes the entry.
  void SetAutoRun(bool value);
  // Taken only while loading; at run time a new name is ignored.
  void SetAppName(const std::string& value);

  // Brings the value named AppName in line with AutoRun.
  void WriteEntry(TRegLocation location);

 private:
  bool IsRuntime() const { return !loading_; }
  void CoerceWhere();

  Registry& registry_;
  Shell& shell_;
  bool loading_ = true;
  TRegLocation regLocation_ = TRegLocation::CurrentUser;
  TAutoRunWhere autoRunWhere_ = TAutoRunWhere::Run;
  bool autoRun_ = false;
  std::string appName_;
  std::string runKey_ = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
};

// The command that starts the program: quoted when the path holds a space.
std::string RunCommand(const std::string& programPath);

}  // namespace velmora
