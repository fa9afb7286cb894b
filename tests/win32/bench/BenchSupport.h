#pragma once
// What both Windows figures share: a millisecond clock, Wine detection, the
// X11 driver's "Managed" switch, and summaries of samples.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::bench {

// Milliseconds on the performance counter.
double NowMs();

// True when running under Wine (ntdll exports wine_get_version).
bool UnderWine();

// Pumps this thread's messages for the given time.
void PumpFor(double ms);

// Without a window manager, the thread of a managed window that is hidden
// waits up to two seconds for one. Programs started while this is set get managed or
// unmanaged windows as asked; the earlier value (or its absence) comes back
// at the end.
class ManagedWindows {
 public:
  explicit ManagedWindows(bool managed);
  ~ManagedWindows();
  ManagedWindows(const ManagedWindows&) = delete;
  ManagedWindows& operator=(const ManagedWindows&) = delete;

 private:
  std::optional<std::wstring> previous_;
};

// Velmora's settings value as it was before the run, put back at the end
// (removed again when there was none).
class SettingsValue {
 public:
  SettingsValue();
  ~SettingsValue();
  SettingsValue(const SettingsValue&) = delete;
  SettingsValue& operator=(const SettingsValue&) = delete;
  bool Write(const std::vector<std::uint8_t>& bytes);

 private:
  std::optional<std::vector<std::uint8_t>> previous_;
};

struct Summary {
  std::size_t count = 0;
  double median = 0, worst = 0, best = 0;
};
Summary Summarize(std::vector<double> values);

}  // namespace velmora::bench
