#pragma once
// HKEY_CURRENT_USER in memory. Key paths (leading backslashes dropped) and
// value names compare without regard to ASCII case, as in the registry.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FakeLog.h"
#include "platform/Registry.h"

namespace velmora::fake {

struct RegValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes{};
  friend bool operator==(const RegValue&, const RegValue&) = default;
};

class FakeRegistry : public Registry {
 public:
  explicit FakeRegistry(CallLog* log = nullptr);

  // ---- Test API ----
  void Put(std::string_view key, std::string_view name, std::uint32_t type, std::vector<std::uint8_t> bytes);
  std::optional<RegValue> Get(std::string_view key, std::string_view name) const;
  bool KeyExists(std::string_view key) const;

  bool failAll = false;  // every call fails: CreateKey/SetValue false, QueryValue Failed
  std::size_t createKeyCalls = 0;
  std::size_t queryCalls = 0;
  std::size_t setValueCalls = 0;  // attempts, failed ones included

  // ---- Registry ----
  bool CreateKey(std::string_view subKey) override;
  RegResult QueryValue(std::string_view subKey, std::string_view name, std::uint32_t& type,
                       std::vector<std::uint8_t>& data) override;
  // Logged as "SetValue <key> <name>".
  bool SetValue(std::string_view subKey, std::string_view name, std::uint32_t type,
                std::span<const std::uint8_t> data) override;
  // Keys of HKEY_LOCAL_MACHINE are kept under "HKLM\" in the same map.
  bool SetExistingKeyValue(RegRoot root, std::string_view subKey, std::string_view name, std::uint32_t type,
                           std::span<const std::uint8_t> data) override;
  bool DeleteValue(RegRoot root, std::string_view subKey, std::string_view name) override;

 private:
  using Values = std::map<std::string, RegValue, CaseLess>;
  static std::string_view KeyPath(std::string_view key);

  CallLog* log_;
  std::map<std::string, Values, CaseLess> keys_;
};

}  // namespace velmora::fake
