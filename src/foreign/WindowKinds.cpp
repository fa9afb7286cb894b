#include "foreign/WindowKinds.h"

#include "platform/WinConst.h"

namespace velmora {

bool IsWordClass(std::string_view cls) { return cls == "_WwB"; }
bool IsExcelClass(std::string_view cls) { return cls == "EXCEL7"; }
bool IsConsoleClass(std::string_view cls) { return cls == "ConsoleWindowClass"; }
bool IsGenericClass(std::string_view cls) { return cls.starts_with("Afx:") || cls.starts_with("#32770"); }
bool IsAppClass(std::string_view cls) { return cls == "TApplication"; }
bool IsBrowserFrameClass(std::string_view cls) { return cls == "IEFrame"; }
bool IsShellClass(std::string_view cls) {
  return cls == "Shell_TrayWnd" || cls == "Shell_SecondaryTrayWnd" || cls == "Progman" || cls == "WorkerW" ||
         cls == "#32769";  // the desktop window itself
}

bool IsWordWindow(Desktop& d, Hwnd w) { return IsWordClass(d.GetClassName(w)); }
bool IsExcelWindow(Desktop& d, Hwnd w) { return IsExcelClass(d.GetClassName(w)); }
bool IsConsoleWindow(Desktop& d, Hwnd w) { return IsConsoleClass(d.GetClassName(w)); }
bool HasGenericClass(Desktop& d, Hwnd w) { return IsGenericClass(d.GetClassName(w)); }
bool IsAppWindow(Desktop& d, Hwnd w) { return IsAppClass(d.GetClassName(w)); }
bool IsBrowserFrame(Desktop& d, Hwnd w) { return IsBrowserFrameClass(d.GetClassName(w)); }

std::vector<Hwnd> TopLevelWindows(Desktop& desktop) {
  std::vector<Hwnd> windows;
  desktop.EnumWindows([&](Hwnd wnd) {
    windows.push_back(wnd);
    return true;
  });
  return windows;
}

Hwnd OwningAppWindow(Desktop& desktop, Hwnd wnd) {
  if (IsAppWindow(desktop, wnd)) return wnd;
  const Hwnd owner = desktop.GetWindow(wnd, win::GW_OWNER);
  if (owner && IsAppWindow(desktop, owner)) return owner;
  return Hwnd{};
}

Hicon WindowIcon(Desktop& desktop, Painter& painter, Hwnd wnd) {
  auto asIcon = [](std::uintptr_t v) { return Hicon{static_cast<std::uint64_t>(v)}; };
  if (auto v = desktop.SendMessage(wnd, win::WM_QUERYDRAGICON, 0, 0)) return asIcon(static_cast<std::uintptr_t>(v));
  if (auto v = desktop.SendMessage(wnd, win::WM_GETICON, 0, 1)) return asIcon(static_cast<std::uintptr_t>(v));
  if (auto v = desktop.GetClassWord(wnd, win::GCL_HICONSM) & 0xFFFFu) return asIcon(v);
  if (auto v = desktop.GetClassLong(wnd, win::GCL_HICONSM)) return asIcon(v);
  return painter.LoadSystemIcon(win::IDI_APPLICATION);
}

}  // namespace velmora
