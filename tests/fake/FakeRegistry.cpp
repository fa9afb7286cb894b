#include "FakeRegistry.h"

namespace velmora::fake {

FakeRegistry::FakeRegistry(CallLog* log) : log_(log) {}

std::string_view FakeRegistry::KeyPath(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  return key;
}

void FakeRegistry::Put(std::string_view key, std::string_view name, std::uint32_t type,
                       std::vector<std::uint8_t> bytes) {
  auto k = keys_.try_emplace(std::string(KeyPath(key))).first;
  k->second.insert_or_assign(std::string(name), RegValue{type, std::move(bytes)});
}

std::optional<RegValue> FakeRegistry::Get(std::string_view key, std::string_view name) const {
  auto k = keys_.find(KeyPath(key));
  if (k == keys_.end()) return std::nullopt;
  auto v = k->second.find(name);
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

bool FakeRegistry::KeyExists(std::string_view key) const { return keys_.contains(KeyPath(key)); }

bool FakeRegistry::CreateKey(std::string_view subKey) {
  ++createKeyCalls;
  if (failAll) return false;
  keys_.try_emplace(std::string(KeyPath(subKey)));
  return true;
}

RegResult FakeRegistry::QueryValue(std::string_view subKey, std::string_view name, std::uint32_t& type,
                                   std::vector<std::uint8_t>& data) {
  ++queryCalls;
  if (failAll) return RegResult::Failed;
  auto value = Get(subKey, name);
  if (!value) return RegResult::NotFound;
  type = value->type;
  data = std::move(value->bytes);
  return RegResult::Ok;
}

bool FakeRegistry::SetValue(std::string_view subKey, std::string_view name, std::uint32_t type,
                            std::span<const std::uint8_t> data) {
  ++setValueCalls;
  LogCall(log_, "SetValue " + std::string(KeyPath(subKey)) + " " + std::string(name));
  if (failAll) return false;
  Put(subKey, name, type, std::vector<std::uint8_t>(data.begin(), data.end()));
  return true;
}

namespace {
std::string Rooted(RegRoot root, std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  return (root == RegRoot::LocalMachine ? "HKLM\\" : "") + std::string(key);
}
}  // namespace

bool FakeRegistry::SetExistingKeyValue(RegRoot root, std::string_view subKey, std::string_view name,
                                       std::uint32_t type, std::span<const std::uint8_t> data) {
  LogCall(log_, "SetValue " + Rooted(root, subKey) + " " + std::string(name));
  const std::string key = Rooted(root, subKey);
  if (failAll || !KeyExists(key)) return false;
  Put(key, name, type, std::vector<std::uint8_t>(data.begin(), data.end()));
  return true;
}

bool FakeRegistry::DeleteValue(RegRoot root, std::string_view subKey, std::string_view name) {
  LogCall(log_, "DeleteValue " + Rooted(root, subKey) + " " + std::string(name));
  auto k = keys_.find(Rooted(root, subKey));
  return !failAll && k != keys_.end() && k->second.erase(std::string(name)) > 0;
}

}  // namespace velmora::fake
