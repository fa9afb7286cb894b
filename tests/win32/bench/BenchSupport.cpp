#include "BenchSupport.h"

#include <algorithm>

#include "Harness.h"

namespace velmora::bench {

namespace {
constexpr wchar_t kX11Key[] = L"Software\\Wine\\X11 Driver";
constexpr wchar_t kManaged[] = L"Managed";
}  // namespace

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / ticksPerMs;
}

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void PumpFor(double ms) {
  const double until = NowMs() + ms;
  for (;;) {
    e2e::PumpMessages();
    const double left = until - NowMs();
    if (left <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 1 ? 1 : static_cast<DWORD>(left < 10 ? left : 10),
                              QS_ALLINPUT);
  }
}

ManagedWindows::ManagedWindows(bool managed) {
  previous_ = e2e::ReadRegString(kX11Key, kManaged);
  e2e::WriteRegString(kX11Key, kManaged, managed ? L"Y" : L"N");
}

ManagedWindows::~ManagedWindows() {
  if (previous_) {
    e2e::WriteRegString(kX11Key, kManaged, *previous_);
    return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kX11Key, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, kManaged);
    RegCloseKey(key);
  }
}

SettingsValue::SettingsValue() : previous_(e2e::ReadRegBinary(e2e::kSettingsKey, L"Options")) {}

SettingsValue::~SettingsValue() {
  if (previous_) e2e::WriteRegBinary(e2e::kSettingsKey, L"Options", *previous_);
  else e2e::DeleteRegTree(e2e::kSettingsKey);
}

bool SettingsValue::Write(const std::vector<std::uint8_t>& bytes) {
  return e2e::WriteRegBinary(e2e::kSettingsKey, L"Options", bytes);
}

Summary Summarize(std::vector<double> values) {
  Summary s;
  s.count = values.size();
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  s.best = values.front();
  s.worst = values.back();
  return s;
}

}  // namespace velmora::bench
