#pragma once
// Owners of the handles the adapters create. Each frees its handle exactly
// once; all are move-only.
#include <memory>
#include <type_traits>
#include <utility>

#include "hook/Owners.h"
#include "win32/Win32Api.h"

namespace velmora {

struct IconDeleter {
  void operator()(HICON icon) const noexcept { ::DestroyIcon(icon); }
};
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const noexcept { ::DeleteObject(object); }
};
struct DcDeleter {
  void operator()(HDC dc) const noexcept { ::DeleteDC(dc); }
};
// The screen's DC from GetDC(nullptr).
struct ScreenDcReleaser {
  void operator()(HDC dc) const noexcept { ::ReleaseDC(nullptr, dc); }
};
struct KeyDeleter {
  void operator()(HKEY key) const noexcept { ::RegCloseKey(key); }
};
// A wait of RegisterWaitForSingleObject, ended once its callback, if running, is done.
struct WaitDeleter {
  void operator()(HANDLE wait) const noexcept { ::UnregisterWaitEx(wait, INVALID_HANDLE_VALUE); }
};
struct WindowDeleter {
  void operator()(HWND wnd) const noexcept { ::DestroyWindow(wnd); }
};
struct ModuleDeleter {
  void operator()(HMODULE module) const noexcept { ::FreeLibrary(module); }
};
struct ComDeleter {
  void operator()(IUnknown* object) const noexcept { object->Release(); }
};

template <class H, class D>
using UniqueOf = std::unique_ptr<std::remove_pointer_t<H>, D>;

using UniqueIcon = UniqueOf<HICON, IconDeleter>;
using UniqueBitmap = UniqueOf<HBITMAP, GdiObjectDeleter>;
using UniqueFont = UniqueOf<HFONT, GdiObjectDeleter>;
using UniqueBrush = UniqueOf<HBRUSH, GdiObjectDeleter>;
using UniquePen = UniqueOf<HPEN, GdiObjectDeleter>;
using UniqueDc = UniqueOf<HDC, DcDeleter>;
using ScreenDc = UniqueOf<HDC, ScreenDcReleaser>;
using UniqueKey = UniqueOf<HKEY, KeyDeleter>;
using UniqueWindow = UniqueOf<HWND, WindowDeleter>;
using UniqueModule = UniqueOf<HMODULE, ModuleDeleter>;
using UniqueWait = std::unique_ptr<void, WaitDeleter>;
template <class I>
using UniqueCom = std::unique_ptr<I, ComDeleter>;

// CreateFile answers INVALID_HANDLE_VALUE, not null, on failure.
inline UniqueHandle OwnFile(HANDLE file) {
  return UniqueHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// Selects an object into a device context and puts the previous one back on
// scope exit, so that nothing is deleted while still selected. Declare it
// after the owner of the object it selects.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectGuard() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

  bool ok() const { return previous_ && previous_ != HGDI_ERROR; }
  HGDIOBJ previous() const { return previous_; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace velmora
