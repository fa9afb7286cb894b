#pragma once
// Strong handles of the logic <-> Win32 handles, at the adapters' boundary.
#include <cstdint>
#include <string>

#include "platform/Handles.h"
#include "win32/Win32Api.h"

namespace velmora {

inline HWND ToHwnd(Hwnd wnd) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(wnd.value)); }
inline Hwnd FromHwnd(HWND wnd) { return Hwnd{reinterpret_cast<std::uintptr_t>(wnd)}; }

inline HMENU ToHmenu(Hmenu menu) { return reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(menu.value)); }
inline Hmenu FromHmenu(HMENU menu) { return Hmenu{reinterpret_cast<std::uintptr_t>(menu)}; }

inline HICON ToHicon(Hicon icon) { return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(icon.value)); }
inline Hicon FromHicon(HICON icon) { return Hicon{reinterpret_cast<std::uintptr_t>(icon)}; }

// A number as wide text. std::to_wstring would link in the whole printf machinery, floats included.
inline std::wstring WideNumber(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  return std::wstring(digits.begin(), digits.end());
}

}  // namespace velmora
