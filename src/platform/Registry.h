#pragma once
// HKEY_CURRENT_USER, as the settings store needs it.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace velmora {

enum class RegResult { Ok, NotFound, Failed };

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
};

}  // namespace velmora
