#include "win32/Win32Registry.h"

#include <limits>
#include <string>

#include "win32/Raii.h"
#include "win32/Win32Api.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

namespace {

std::string KeyPath(std::string_view subKey) {
  if (!subKey.empty() && subKey.front() == '\\') subKey.remove_prefix(1);
  return std::string(subKey);
}

UniqueKey CreateOrOpen(std::string_view subKey, REGSAM access) {
  HKEY key = nullptr;
  const std::string path = KeyPath(subKey);
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    return nullptr;
  return UniqueKey(key);
}

UniqueKey OpenExisting(RegRoot root, std::string_view subKey, REGSAM access) {
  HKEY key = nullptr;
  const std::string path = KeyPath(subKey);
  const HKEY base = root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  if (::RegOpenKeyExA(base, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return UniqueKey(key);
}

RegResult ResultOf(LONG status) { return status == ERROR_FILE_NOT_FOUND ? RegResult::NotFound : RegResult::Failed; }

}  // namespace

bool Win32Registry::CreateKey(std::string_view subKey) { return CreateOrOpen(subKey, KEY_READ) != nullptr; }

RegResult Win32Registry::QueryValue(std::string_view subKey, std::string_view name, std::uint32_t& type,
                                    std::vector<std::uint8_t>& data) {
  HKEY raw = nullptr;
  const std::string path = KeyPath(subKey);
  LONG status = ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &raw);
  if (status != ERROR_SUCCESS) return ResultOf(status);
  UniqueKey key(raw);

  const std::string value(name);
  // The value may grow between asking its size and reading it: ask again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD kind = 0, size = 0;
    status = ::RegQueryValueExA(key.get(), value.c_str(), nullptr, &kind, nullptr, &size);
    if (status != ERROR_SUCCESS) return ResultOf(status);
    std::vector<std::uint8_t> bytes(size);
    status = ::RegQueryValueExA(key.get(), value.c_str(), nullptr, &kind, bytes.empty() ? nullptr : bytes.data(),
                                &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return ResultOf(status);
    bytes.resize(size);
    type = kind;
    data = std::move(bytes);
    return RegResult::Ok;
  }
  return RegResult::Failed;
}

bool Win32Registry::SetValue(std::string_view subKey, std::string_view name, std::uint32_t type,
                             std::span<const std::uint8_t> data) {
  if (data.size() > std::numeric_limits<DWORD>::max()) return false;
  UniqueKey key = CreateOrOpen(subKey, KEY_SET_VALUE);
  if (!key) return false;
  const std::string value(name);
  return ::RegSetValueExA(key.get(), value.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) ==
         ERROR_SUCCESS;
}

bool Win32Registry::SetExistingKeyValue(RegRoot root, std::string_view subKey, std::string_view name,
                                       std::uint32_t type, std::span<const std::uint8_t> data) {
  if (data.size() > std::numeric_limits<DWORD>::max()) return false;
  UniqueKey key = OpenExisting(root, subKey, KEY_SET_VALUE);
  if (!key) return false;
  // Strings go as UTF-16, which the data already is, so any path can be named.
  const std::wstring value = ToWide(name, CP_UTF8);
  return ::RegSetValueExW(key.get(), value.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) ==
         ERROR_SUCCESS;
}

bool Win32Registry::DeleteValue(RegRoot root, std::string_view subKey, std::string_view name) {
  UniqueKey key = OpenExisting(root, subKey, KEY_SET_VALUE);
  if (!key) return false;
  const std::string value(name);
  return ::RegDeleteValueA(key.get(), value.c_str()) == ERROR_SUCCESS;
}

}  // namespace velmora
