#pragma once
// Window classes that many programs share, and the key under which Velmora
// marks a window of one: "<program>|<family>", so that marking one program's
// windows marks no other program's. One table for the hook library and the
// program alike, so that the two always compute the same key. No system
// header and no heap: the library includes it too.
#include <cstddef>
#include <string_view>

namespace velmora {

// What a store app's frame is keyed by: the app it hosts, not the frame's host.
inline constexpr std::string_view StoreFrameClass = "ApplicationFrameWindow";
// The child of a store app's frame that belongs to the app's own process.
inline constexpr std::string_view StoreAppWindowClass = "Windows.UI.Core.CoreWindow";

// The family of a shared class, or "" for a class of one program's own.
constexpr std::string_view SharedClassFamily(std::string_view cls) {
  // Only calls that cannot throw: the library links no exception support.
  auto startsWith = [cls](std::string_view prefix) { return cls.starts_with(prefix); };
  constexpr std::string_view chrome = "Chrome_WidgetWin_";
  if (startsWith(chrome) && cls.size() > chrome.size() &&
      cls.find_first_not_of("0123456789", chrome.size()) == std::string_view::npos)
    return "Chrome_WidgetWin";
  if (startsWith("Afx:")) return "Afx";
  if (startsWith("#32770")) return "#32770";
  if (startsWith("HwndWrapper[")) return "HwndWrapper";
  if (startsWith("WindowsForms10.")) return "WindowsForms10";
  if (startsWith("Qt") && cls.find("QWindow") != std::string_view::npos) return "QtWindow";
  if (cls == "SunAwtFrame" || cls == "SunAwtDialog") return "SunAwt";
  if (cls == "MozillaWindowClass" || cls == "MozillaDialogClass") return "Mozilla";
  if (cls == "GLFW30" || cls == "SDL_app" || cls == "TkTopLevel" || cls == "AutoHotkeyGUI") return cls;
  if (startsWith("wxWindow")) return "wxWindow";
  if (cls == StoreFrameClass) return StoreFrameClass;
  return {};
}

// "<owner>|<family>" into key (at most 255 bytes, no terminator), the owner
// (a program's file name, or a store app's id, as UTF-8) cut between
// characters so that the whole key fits. Returns the key's length.
constexpr std::size_t MakeClassKey(std::string_view owner, std::string_view family, char (&key)[256]) {
  std::size_t room = 255 - (family.size() + 1 < 255 ? family.size() + 1 : 255);
  if (owner.size() > room) {
    while (room > 0 && (static_cast<unsigned char>(owner[room]) & 0xC0) == 0x80) --room;  // not inside a character
    owner = std::string_view(owner.data(), room);
  }
  std::size_t size = 0;
  for (char c : owner) key[size++] = c;
  key[size++] = '|';
  for (char c : family)
    if (size < 255) key[size++] = c;
  return size;
}

}  // namespace velmora
