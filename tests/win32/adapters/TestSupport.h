#pragma once
// Helpers of the adapter tests: threads, message pumping, bitmap pixels.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "win32/Raii.h"
#include "win32/Win32Api.h"

namespace velmora::test {

// A thread running fn; joined (and its handle closed) on destruction.
class Thread {
 public:
  explicit Thread(std::function<void()> fn) : fn_(std::move(fn)) {
    handle_.reset(::CreateThread(nullptr, 0, &Thread::Run, this, 0, nullptr));
  }
  ~Thread() {
    if (handle_) ::WaitForSingleObject(handle_.get(), INFINITE);
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  bool started() const { return handle_ != nullptr; }

 private:
  static DWORD WINAPI Run(void* self) noexcept {
    try {
      static_cast<Thread*>(self)->fn_();
    } catch (...) {
    }
    return 0;
  }
  std::function<void()> fn_;
  UniqueHandle handle_;
};

// Dispatches this thread's messages until done() holds or ms have passed.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const ULONGLONG deadline = ::GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    if (done()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    // Short slices: done() may turn true without a message.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)),
                                QS_ALLINPUT);
  }
}

inline void Pump(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// A bitmap's pixels as 0x00RRGGBB, top row first.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> data;
  std::uint32_t at(int x, int y) const { return data[static_cast<std::size_t>(y * width + x)] & 0xFFFFFFu; }
};

inline Pixels ReadPixels(HBITMAP bitmap) {
  Pixels out;
  BITMAP bm{};
  if (!bitmap || !::GetObjectA(bitmap, sizeof bm, &bm)) return out;
  out.width = bm.bmWidth;
  out.height = bm.bmHeight;
  out.data.resize(static_cast<std::size_t>(bm.bmWidth * bm.bmHeight));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  UniqueDc dc(::CreateCompatibleDC(nullptr));
  if (!::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), out.data.data(), &bi, DIB_RGB_COLORS))
    out.data.clear();
  return out;
}

// 0x00BBGGRR -> 0x00RRGGBB, as ReadPixels answers.
constexpr std::uint32_t Rgb(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

}  // namespace velmora::test
