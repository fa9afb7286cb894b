#pragma once
// Window classes that many programs share, and the key under which Velmora
// marks a window of one: "<program>|<family>", so that marking one program's
// windows marks no other program's. One table for the hook library and the
// program alike, so that the two always compute the same key. No system
// header and no heap: the library includes it too.
#include <cstddef>
#include <string_view>

#include "hook/KeyCase.h"

namespace velmora {

// What a store app's frame is keyed by: the app it hosts, not the frame's host.
inline constexpr std::string_view StoreFrameClass = "ApplicationFrameWindow";
// The child of a store app's frame that belongs to the app's own process.
inline constexpr std::string_view StoreAppWindowClass = "Windows.UI.Core.CoreWindow";

// ASCII letters of either case are the same letter, as Windows compares class names.
constexpr bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// The family of a shared class, or "" for a class of one program's own; the
// family is spelled one way whatever the case of the class name.
constexpr std::string_view SharedClassFamily(std::string_view cls) {
  // Only calls that cannot throw: the library links no exception support.
  auto at = [cls](std::size_t from, std::string_view part) {
    return from + part.size() <= cls.size() && SameNoCase(std::string_view(cls.data() + from, part.size()), part);
  };
  auto startsWith = [at](std::string_view prefix) { return at(0, prefix); };
  auto contains = [cls, at](std::string_view part) {
    for (std::size_t from = 0; from + part.size() <= cls.size(); ++from)
      if (at(from, part)) return true;
    return false;
  };
  constexpr std::string_view chrome = "Chrome_WidgetWin_";
  if (startsWith(chrome) && cls.size() > chrome.size() &&
      cls.find_first_not_of("0123456789", chrome.size()) == std::string_view::npos)
    return "Chrome_WidgetWin";
  if (startsWith("Qt") && contains("QWindow")) return "QtWindow";
  if (SameNoCase(cls, "SunAwtFrame") || SameNoCase(cls, "SunAwtDialog")) return "SunAwt";
  if (SameNoCase(cls, "MozillaWindowClass") || SameNoCase(cls, "MozillaDialogClass")) return "Mozilla";
  // Families named by the start of their classes (MFC's Afx:..., AfxWnd140u, AfxFrameOrView140u, ...).
  constexpr std::string_view byStart[] = {"Afx", "ATL:", "#32770", "HwndWrapper[", "WindowsForms10.", "wxWindow",
                                          "GlassWndClass"};
  constexpr std::string_view named[] = {"Afx", "ATL", "#32770", "HwndWrapper", "WindowsForms10", "wxWindow",
                                        "GlassWndClass"};
  for (std::size_t i = 0; i < sizeof byStart / sizeof byStart[0]; ++i)
    if (startsWith(byStart[i])) return named[i];
  // Families of one class each (GLFW, SDL, Tk, AutoHotkey, GTK, WinUI 3, Flutter, Unity, store apps' frames).
  constexpr std::string_view single[] = {"GLFW30",        "SDL_app",          "TkTopLevel",
                                         "AutoHotkeyGUI", "gdkWindowToplevel", "WinUIDesktopWin32WindowClass",
                                         "FLUTTER_RUNNER_WIN32_WINDOW", "UnityWndClass", StoreFrameClass};
  for (std::string_view name : single)
    if (SameNoCase(cls, name)) return name;
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
