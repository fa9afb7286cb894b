#include "win32/Dpi.h"

#include "win32/Raii.h"

namespace velmora {

namespace {
template <class F>
F User32Function(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), name)));
}
}  // namespace

int WindowDpi(HWND wnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpi && wnd) {
    if (const UINT dpi = getDpi(wnd)) return static_cast<int>(dpi);
  }
  const ScreenDc screen(::GetDC(nullptr));
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

int SmallIconSize(int dpi) {
  using GetMetricFn = int(WINAPI*)(int, UINT);
  static const auto metric = User32Function<GetMetricFn>("GetSystemMetricsForDpi");
  if (metric) return metric(SM_CXSMICON, static_cast<UINT>(dpi));
  // Before Windows 10 the metric is already at the screen's DPI: scaled from that, not from 96.
  const ScreenDc screen(::GetDC(nullptr));
  const int systemDpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return MulDiv(::GetSystemMetrics(SM_CXSMICON), dpi, systemDpi > 0 ? systemDpi : 96);
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
  using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = User32Function<AdjustFn>("AdjustWindowRectExForDpi");
  if (!adjust || !adjust(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
    ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

}  // namespace velmora
