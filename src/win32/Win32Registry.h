#pragma once
// Registry on advapi32, under HKEY_CURRENT_USER (and HKEY_LOCAL_MACHINE where
// a root is named). A leading backslash of a
// sub-key ("\SOFTWARE\Velmora") is dropped, as the API wants none.
#include "platform/Registry.h"

namespace velmora {

class Win32Registry final : public Registry {
 public:
  bool CreateKey(std::string_view subKey) override;
  // NotFound when the key or the value is missing; the whole value is read,
  // whatever its size.
  RegResult QueryValue(std::string_view subKey, std::string_view name, std::uint32_t& type,
                       std::vector<std::uint8_t>& data) override;
  bool SetValue(std::string_view subKey, std::string_view name, std::uint32_t type,
                std::span<const std::uint8_t> data) override;
  bool SetExistingKeyValue(RegRoot root, std::string_view subKey, std::string_view name, std::uint32_t type,
                           std::span<const std::uint8_t> data) override;
  bool DeleteValue(RegRoot root, std::string_view subKey, std::string_view name) override;
};

}  // namespace velmora
