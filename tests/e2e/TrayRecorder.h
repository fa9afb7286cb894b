#pragma once
// A stand-in for the taskbar's notification area. Wine's shell finds the tray
// by class "Shell_TrayWnd" and sends it every Shell_NotifyIcon call as
// WM_COPYDATA; this window, created after explorer's own and kept topmost, is
// found first. It records each call and hands it on unchanged to explorer.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::e2e {

struct TrayRecord {
  DWORD message = 0;             // NIM_ADD, NIM_MODIFY, NIM_DELETE, ...
  std::uint32_t owner = 0;       // window that owns the icon
  std::uint32_t id = 0;          // icon id under that window
  std::uint32_t flags = 0;       // NIF_MESSAGE | NIF_ICON | NIF_TIP ...
  std::uint32_t callback = 0;    // callback message
  std::uint32_t version = 0;     // NIM_SETVERSION's uVersion
  std::wstring tip;
  std::uint32_t iconWidth = 0;
  std::uint32_t iconHeight = 0;
  std::uint32_t iconBpp = 0;
  std::vector<std::uint8_t> maskBits;    // 1 bit per pixel, rows padded to 16 bits
  std::vector<std::uint8_t> colourBits;  // iconBpp bits per pixel, rows padded to 16 bits

  // Window handles travel as 32 bits and widen by sign extension.
  HWND OwnerWindow() const {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<std::int32_t>(owner)));
  }
  bool HasIcon() const { return iconWidth > 0 && iconHeight > 0 && !colourBits.empty(); }
  // Colour 0x00RRGGBB of a pixel of a 32- or 24-bit icon, top row first.
  std::optional<std::uint32_t> Pixel(std::uint32_t x, std::uint32_t y) const;
  // Whether the mask leaves the pixel opaque (mask bit 0).
  std::optional<bool> Opaque(std::uint32_t x, std::uint32_t y) const;
};

class TrayRecorder {
 public:
  TrayRecorder();
  ~TrayRecorder();
  TrayRecorder(const TrayRecorder&) = delete;
  TrayRecorder& operator=(const TrayRecorder&) = delete;

  // Waits for explorer's tray, then opens the recording window on a thread
  // of its own. False when either does not come up in time.
  bool Start();
  void Stop();
  HWND Window() const { return window_; }
  HWND ExplorerTray() const { return explorer_; }

  // Every call seen, in order.
  std::vector<TrayRecord> Records() const;
  // The icons shown now: adds, modifications and deletions applied in order.
  std::vector<TrayRecord> Icons() const;
  std::optional<TrayRecord> Icon(std::uint32_t owner, std::uint32_t id) const;
  std::vector<TrayRecord> IconsOf(std::uint32_t owner) const;
  void Clear();
  // A shell that refuses new icons (as one that is not ready yet): NIM_ADD is
  // recorded, not applied, not passed on, and answered FALSE.
  void RefuseAdds(bool refuse);

 private:
  static DWORD WINAPI ThreadMain(LPVOID self);
  static LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  void Run();
  LRESULT OnCopyData(WPARAM wp, const COPYDATASTRUCT* cds);

  mutable CRITICAL_SECTION lock_;
  std::vector<TrayRecord> records_;
  std::vector<TrayRecord> icons_;
  HANDLE thread_ = nullptr;
  HANDLE ready_ = nullptr;
  DWORD threadId_ = 0;
  HWND window_ = nullptr;
  HWND explorer_ = nullptr;
  bool failed_ = false;
  bool refuseAdds_ = false;
};

}  // namespace velmora::e2e
