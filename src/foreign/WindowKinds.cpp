#include "foreign/WindowKinds.h"

#include "hook/ClassKeys.h"
#include "hook/HeldMark.h"
#include "platform/WinConst.h"

namespace velmora {

bool IsWordClass(std::string_view cls) { return cls == "_WwB"; }
bool IsExcelClass(std::string_view cls) { return cls == "EXCEL7"; }
// Wine's console has a class of its own; no Windows program uses it.
bool IsConsoleClass(std::string_view cls) { return cls == "ConsoleWindowClass" || cls == "WineConsoleClass"; }
bool IsGenericClass(std::string_view cls) { return !SharedClassFamily(cls).empty(); }
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

namespace {
Hwnd StoreAppWindow(Desktop& desktop, Hwnd frame) {
  if (desktop.GetClassName(frame) != StoreFrameClass) return Hwnd{};
  return desktop.FindChildWindow(frame, StoreAppWindowClass);
}
}  // namespace

std::string StoreAppId(Desktop& desktop, Hwnd frame) {
  // The app's own window names it; the frame itself does while the app is away.
  const Hwnd app = StoreAppWindow(desktop, frame);
  std::string id = app ? desktop.GetWindowAppId(app) : std::string();
  return id.empty() ? desktop.GetWindowAppId(frame) : id;
}

std::string WindowTitle(Desktop& desktop, Hwnd wnd) {
  std::string title = desktop.GetWindowText(wnd);
  if (const Hwnd app = title.empty() ? StoreAppWindow(desktop, wnd) : Hwnd{}) title = desktop.GetWindowText(app);
  return title;
}

Hicon StoreAppIcon(Desktop& desktop, Painter& painter, Hwnd frame) {
  if (desktop.GetClassName(frame) != StoreFrameClass) return Hicon{};
  return painter.LoadAppIcon(StoreAppWindow(desktop, frame), StoreAppId(desktop, frame));
}

std::string WindowClassKey(Desktop& desktop, Hwnd wnd) {
  const std::string cls = desktop.GetClassName(wnd);
  const std::string_view family = SharedClassFamily(cls);
  if (family.empty()) return cls;
  std::string owner;
  if (family == StoreFrameClass) {
    owner = StoreAppId(desktop, wnd);  // the app the frame hosts, not the frame's host
    if (owner.empty()) return {};      // no key to tell it by
  } else {
    owner = desktop.GetWindowProgramName(wnd);
    if (owner.empty()) return cls;
  }
  char key[256];
  return std::string(key, MakeClassKey(owner, family, key));
}

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

bool TravelsWithOwner(Desktop& desktop, Hwnd wnd) {
  const Hwnd owner = desktop.GetWindow(wnd, win::GW_OWNER);
  // A "TApplication" window owns every form of its program and stands for none of them.
  return owner && !IsAppWindow(desktop, owner) &&
         (desktop.IsWindowVisible(owner) || desktop.GetProp(owner, HeldMarkName) != 0);
}

Hwnd OwnerItTravelsWith(Desktop& desktop, Hwnd wnd) {
  // Owners form no cycle on Windows; the bound keeps a broken chain from looping.
  for (int depth = 0; depth < 32 && TravelsWithOwner(desktop, wnd); ++depth)
    wnd = desktop.GetWindow(wnd, win::GW_OWNER);
  return wnd;
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
