#include "settings/TAutoRunner.h"

#include <vector>

#include "platform/Utf8.h"

namespace velmora {

namespace {
constexpr std::uint32_t REG_SZ = 1;
constexpr const char* WhereNames[] = {"Run", "RunOnce", "RunServices", "RunServicesOnce"};
}  // namespace

std::string RunCommand(const std::string& programPath) {
  // Unquoted, Windows would try "C:\Program.exe" first for "C:\Program Files\...".
  return programPath.find(' ') == std::string::npos ? programPath : "\"" + programPath + "\"";
}

TAutoRunner::TAutoRunner(Registry& registry, Shell& shell, const std::string& appName)
    : registry_(registry), shell_(shell) {
  // The stored properties, in their order; AutoRun = true is ignored while loading.
  SetRegLocation(TRegLocation::CurrentUser);
  SetAutoRunWhere(TAutoRunWhere::Run);
  SetAutoRun(true);
  SetAppName(appName);
  loading_ = false;
}

void TAutoRunner::CoerceWhere() {
  if (regLocation_ == TRegLocation::CurrentUser &&
      (autoRunWhere_ == TAutoRunWhere::RunServices || autoRunWhere_ == TAutoRunWhere::RunServicesOnce))
    autoRunWhere_ = TAutoRunWhere::Run;
}

void TAutoRunner::SetRegLocation(TRegLocation value) {
  if (value == regLocation_) return;
  WriteEntry(value);
  regLocation_ = value;
  CoerceWhere();
}

void TAutoRunner::SetAutoRunWhere(TAutoRunWhere value) {
  if (value == autoRunWhere_) return;
  autoRunWhere_ = value;
  CoerceWhere();
  runKey_ = std::string("\\Software\\Microsoft\\Windows\\CurrentVersion\\") +
            WhereNames[static_cast<std::size_t>(autoRunWhere_)];
}

void TAutoRunner::SetAutoRun(bool value) {
  if (value == autoRun_ || !IsRuntime()) return;
  autoRun_ = value;
  CoerceWhere();
  WriteEntry(regLocation_);
}

void TAutoRunner::SetAppName(const std::string& value) {
  if (!loading_) return;
  appName_ = value;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  std::string stored;
  if (registry_.QueryValue(runKey_, appName_, type, data) == RegResult::Ok)
    for (std::uint8_t byte : data)
      if (byte != 0) stored.push_back(static_cast<char>(byte));
  if (!stored.empty()) regLocation_ = TRegLocation::CurrentUser;
  autoRun_ = !stored.empty();
}

void TAutoRunner::WriteEntry(TRegLocation location) {
  if (!IsRuntime()) return;
  registry_.DeleteValue(RegRoot::CurrentUser, runKey_, appName_);
  if (!autoRun_) return;
  const std::vector<std::uint8_t> data = Utf16LeBytes(RunCommand(shell_.GetModuleFileName()));
  registry_.SetExistingKeyValue(location == TRegLocation::LocalMachine ? RegRoot::LocalMachine : RegRoot::CurrentUser,
                                runKey_, appName_, REG_SZ, data);
}

}  // namespace velmora
