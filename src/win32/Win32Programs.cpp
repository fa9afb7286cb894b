#include "win32/Win32Programs.h"

#include <objbase.h>
#include <propidl.h>
#include <propsys.h>

#include "win32/Raii.h"

namespace velmora {

namespace {

// Both calls are newer than the oldest system Velmora runs on: looked up, not linked.
using GetAppIdFn = LONG(WINAPI*)(HANDLE, UINT32*, PWSTR);
using GetWindowStoreFn = HRESULT(WINAPI*)(HWND, REFIID, void**);

// PKEY_AppUserModel_ID, spelled out so that no GUID library is linked for it.
constexpr IID IidPropertyStore = {0x886D8EEB, 0x8CF2, 0x4446, {0x8D, 0x02, 0xCD, 0xBA, 0x1D, 0xBD, 0xCF, 0x99}};
constexpr PROPERTYKEY AppUserModelIdKey = {{0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3}}, 5};

template <class Fn>
Fn Lookup(const wchar_t* module, const char* name) {
  const HMODULE loaded = ::GetModuleHandleW(module);
  return loaded ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}

UniqueHandle OpenForQuery(DWORD processId) {
  return UniqueHandle(processId ? ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId) : nullptr);
}

std::wstring ProcessAppId(HWND wnd) {
  static const auto getAppId = Lookup<GetAppIdFn>(L"kernel32.dll", "GetApplicationUserModelId");
  DWORD processId = 0;
  ::GetWindowThreadProcessId(wnd, &processId);
  const UniqueHandle process = OpenForQuery(processId);
  if (!getAppId || !process) return {};
  wchar_t id[130] = {};  // APPLICATION_USER_MODEL_ID_MAX_LENGTH
  UINT32 length = 130;
  return getAppId(process.get(), &length, id) == ERROR_SUCCESS ? std::wstring(id) : std::wstring();
}

std::wstring AppIdProperty(HWND wnd) {
  static const auto getStore = Lookup<GetWindowStoreFn>(L"shell32.dll", "SHGetPropertyStoreForWindow");
  IPropertyStore* raw = nullptr;
  if (!getStore || FAILED(getStore(wnd, IidPropertyStore, reinterpret_cast<void**>(&raw))) || !raw) return {};
  UniqueCom<IPropertyStore> store(raw);
  PROPVARIANT value;
  ::PropVariantInit(&value);
  std::wstring id;
  if (SUCCEEDED(store->GetValue(AppUserModelIdKey, &value)) && value.vt == VT_LPWSTR && value.pwszVal) id = value.pwszVal;
  ::PropVariantClear(&value);
  return id;
}

}  // namespace

std::wstring ProcessImagePath(DWORD processId) {
  const UniqueHandle process = OpenForQuery(processId);
  if (!process) return {};
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = static_cast<DWORD>(path.size());
    if (::QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) {
      path.resize(length);
      return path;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::wstring WindowAppId(HWND wnd) {
  std::wstring id = ProcessAppId(wnd);
  return id.empty() ? AppIdProperty(wnd) : id;
}

}  // namespace velmora
