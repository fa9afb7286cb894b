#pragma once
// The registry: HKEY_CURRENT_USER for the settings, and the Run keys of both
// roots for run-at-login.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace velmora {

enum class RegResult { Ok, NotFound, Failed };
enum class RegRoot { CurrentUser, LocalMachine };

class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  virtual ~Registry() = default;

  // RegCreateKeyEx under HKCU: opens the key, creating it when missing.
  virtual bool CreateKey(std::string_view subKey) = 0;
  // RegQueryValueEx: the value's type and all of its bytes.
  virtual RegResult QueryValue(std::string_view subKey, std::string_view name, std::uint32_t& type,
                               std::vector<std::uint8_t>& data) = 0;
  // RegSetValueEx (the key is created when missing).
  virtual bool SetValue(std::string_view subKey, std::string_view name, std::uint32_t type,
                        std::span<const std::uint8_t> data) = 0;
  // RegOpenKeyEx, then RegSetValueExW: false when the key does not exist, which
  // is never created. String data is UTF-16LE with its terminating zero.
  virtual bool SetExistingKeyValue(RegRoot root, std::string_view subKey, std::string_view name, std::uint32_t type,
                                   std::span<const std::uint8_t> data) = 0;
  // RegOpenKeyEx, then RegDeleteValue: false when the key or the value is missing.
  virtual bool DeleteValue(RegRoot root, std::string_view subKey, std::string_view name) = 0;
};

}  // namespace velmora
