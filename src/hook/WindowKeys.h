#pragma once
// The names and keys of windows as the library reads them inside its host.
// Plain Win32 only: no exceptions, no heap.
#include <windows.h>

#include <cstddef>
#include <string_view>

namespace velmora::hook {

void ClassNameOf(HWND wnd, char (&name)[256]);
bool HasClass(HWND wnd, const char* expected);
// Top-level: not a child and not message-only.
bool IsTopLevel(HWND wnd);
// The host's file name as UTF-8, read once per process.
std::string_view ExeName();
// Windows of classes that many programs share are marked by program: their
// key goes into key (empty when the program cannot be told). False for a
// class of one program's own.
bool SharedClassKey(HWND wnd, const char* className, char (&key)[256], std::size_t& size);

}  // namespace velmora::hook
