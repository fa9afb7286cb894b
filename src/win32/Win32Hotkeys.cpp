#include "win32/Win32Hotkeys.h"

#include <string>

#include "win32/Convert.h"

namespace velmora {

bool Win32Hotkeys::RegisterHotKey(Hwnd wnd, std::int32_t id, std::uint32_t modifiers, std::uint32_t key) {
  return ::RegisterHotKey(ToHwnd(wnd), id, modifiers, key) != FALSE;
}

bool Win32Hotkeys::UnregisterHotKey(Hwnd wnd, std::int32_t id) { return ::UnregisterHotKey(ToHwnd(wnd), id) != FALSE; }

std::uint16_t Win32Hotkeys::GlobalAddAtom(std::string_view name) {
  const std::string atom(name);
  return ::GlobalAddAtomA(atom.c_str());
}

void Win32Hotkeys::GlobalDeleteAtom(std::uint16_t atom) { ::GlobalDeleteAtom(atom); }

}  // namespace velmora
