// probe.exe: opens top-level windows of a given class and title in a process
// of their own, so that the end-to-end tests have foreign windows for Velmora
// to find, hide and restore.
//
//   probe.exe --class C [--title T] [--count N] [--minimized] [--hidden]
//             [--owner-class C [--owner-title T]] [--parent-class C [--parent-title T]]
//             [--out FILE] [--log FILE] [--lifetime MS] [--hang-on minimize|hide --hang-ms MS]
//             [--alpha-icon] [--dialog modal|modeless]
//
// --owner-class: one hidden window of that class owns every window (as a
//   framework's application window owns its forms).
// --parent-class: the windows are children of one visible top-level window of
//   that class (as a workbook inside its spreadsheet frame).
// --out: written once all windows exist (else printed), one line per window:
//   "window 0x<handle>", then "owner 0x<handle>" / "parent 0x<handle>".
// --log: appends "<message> 0x<handle> 0x<wParam>" for WM_CLOSE, WM_SYSCOMMAND,
//   WM_SHOWWINDOW and WM_DESTROY of the windows.
// --hang-on: once a window has been minimized (or hidden), its thread stops
//   answering for --hang-ms, as a program that hangs would.
// --alpha-icon: the class icon has an alpha channel, as most programs' icons
//   have: opaque green, its top right quarter see-through.
// --dialog: the first window gets an owned dialog ("Probe Dialog"), shown in
//   front of it; a modal one disables its owner, as a program's Open box does.
//   Its handle is written as "dialog 0x<handle>".
// The process ends, exit code 0, when all windows are closed (WM_CLOSE) or
// the lifetime is over; 2 for bad arguments, 3 when a window cannot be made.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace velmora::probe {
namespace {

struct Options {
  std::wstring cls, title = L"Probe";
  int count = 1;
  bool minimized = false, hidden = false;
  std::wstring ownerClass, ownerTitle = L"";
  std::wstring parentClass, parentTitle = L"Probe Frame";
  std::wstring out, log;
  DWORD lifetime = 0;
  std::wstring hangOn;
  DWORD hangMs = 0;
  bool alphaIcon = false;
  std::wstring dialog;
};

int g_open = 0;
std::wstring g_log;
std::wstring g_hangOn;
DWORD g_hangMs = 0;
constexpr UINT WM_APP_HANG = WM_APP + 7;

// The hang starts after the event has been handled, from the message queue.
void HangLater(HWND w, const wchar_t* event) {
  if (g_hangMs != 0 && g_hangOn == event) {
    g_hangOn.clear();  // once
    PostMessageW(w, WM_APP_HANG, 0, 0);
  }
}

void Log(const wchar_t* what, HWND w, WPARAM wp) {
  if (g_log.empty()) return;
  HANDLE f = CreateFileW(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  char line[128];
  const int n = std::snprintf(line, sizeof line, "%ls 0x%llX 0x%llX\r\n", what,
                              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(w)),
                              static_cast<unsigned long long>(wp));
  DWORD put = 0;
  if (n > 0) WriteFile(f, line, static_cast<DWORD>(n), &put, nullptr);
  CloseHandle(f);
}

// The probe's own windows: closing one ends the process once all are gone.
LRESULT CALLBACK ProbeProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_CLOSE:
      Log(L"WM_CLOSE", w, wp);
      break;
    case WM_SYSCOMMAND:
      Log(L"WM_SYSCOMMAND", w, wp & 0xFFF0);
      break;
    case WM_SHOWWINDOW:
      Log(L"WM_SHOWWINDOW", w, wp);
      if (!wp) HangLater(w, L"hide");
      break;
    case WM_SIZE:
      if (wp == SIZE_MINIMIZED) HangLater(w, L"minimize");
      break;
    case WM_APP_HANG:
      Sleep(g_hangMs);
      return 0;
    case WM_DESTROY:
      Log(L"WM_DESTROY", w, wp);
      if (--g_open <= 0) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

// Owner and parent windows: they go with the last probe window.
LRESULT CALLBACK HostProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  return DefWindowProcW(w, msg, wp, lp);
}

HICON AlphaIcon() {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  const std::vector<BYTE> opaque(32 * 4, 0);
  HBITMAP mask = CreateBitmap(32, 32, 1, 1, opaque.data());
  for (int i = 0; bits && i < 32 * 32; ++i)
    static_cast<DWORD*>(bits)[i] = i % 32 < 16 || i / 32 >= 16 ? 0xFF008000 : 0;  // ARGB
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = color && mask ? CreateIconIndirect(&info) : nullptr;
  DeleteObject(mask);
  DeleteObject(color);
  return icon;
}

bool Register(const std::wstring& cls, WNDPROC proc, HICON icon = nullptr) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = icon ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = cls.c_str();
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Parse(int argc, wchar_t** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    auto next = [&](std::wstring& v) {
      if (i + 1 >= argc) return false;
      v = argv[++i];
      return true;
    };
    std::wstring v;
    if (a == L"--class") { if (!next(o.cls)) return false; }
    else if (a == L"--title") { if (!next(o.title)) return false; }
    else if (a == L"--count") { if (!next(v)) return false; o.count = _wtoi(v.c_str()); }
    else if (a == L"--minimized") o.minimized = true;
    else if (a == L"--hidden") o.hidden = true;
    else if (a == L"--owner-class") { if (!next(o.ownerClass)) return false; }
    else if (a == L"--owner-title") { if (!next(o.ownerTitle)) return false; }
    else if (a == L"--parent-class") { if (!next(o.parentClass)) return false; }
    else if (a == L"--parent-title") { if (!next(o.parentTitle)) return false; }
    else if (a == L"--out") { if (!next(o.out)) return false; }
    else if (a == L"--log") { if (!next(o.log)) return false; }
    else if (a == L"--lifetime") { if (!next(v)) return false; o.lifetime = static_cast<DWORD>(_wtoi(v.c_str())); }
    else if (a == L"--hang-on") { if (!next(o.hangOn)) return false; }
    else if (a == L"--hang-ms") { if (!next(v)) return false; o.hangMs = static_cast<DWORD>(_wtoi(v.c_str())); }
    else if (a == L"--alpha-icon") o.alphaIcon = true;
    else if (a == L"--dialog") { if (!next(o.dialog)) return false; }
    else return false;
  }
  return !o.cls.empty() && o.count >= 1 && o.count <= 100;
}

// Written beside and then moved into place, so a reader never sees half a list.
bool WriteOut(const std::wstring& path, const std::string& text) {
  const std::wstring tmp = path + L".part";
  HANDLE f = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const bool ok = WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &put, nullptr) && put == text.size();
  CloseHandle(f);
  return ok && MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string Line(const char* role, HWND w) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s 0x%llX\n", role, static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(w)));
  return buf;
}

int Run(int argc, wchar_t** argv) {
  Options o;
  if (!Parse(argc, argv, o)) {
    std::fwprintf(stderr, L"usage: probe.exe --class C [--title T] [--count N] [--minimized] [--hidden] "
                          L"[--owner-class C] [--owner-title T] [--parent-class C] [--parent-title T] "
                          L"[--out FILE] [--log FILE] [--lifetime MS] [--hang-on minimize|hide --hang-ms MS] [--alpha-icon] [--dialog modal|modeless]\n");
    return 2;
  }
  g_log = o.log;
  g_hangOn = o.hangOn;
  g_hangMs = o.hangMs;
  const HINSTANCE inst = GetModuleHandleW(nullptr);
  if (!Register(o.cls, ProbeProc, o.alphaIcon ? AlphaIcon() : nullptr)) return 3;

  std::string out;
  HWND owner = nullptr, parent = nullptr;
  if (!o.ownerClass.empty()) {
    if (!Register(o.ownerClass, HostProc)) return 3;
    owner = CreateWindowExW(0, o.ownerClass.c_str(), o.ownerTitle.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0,
                            0, 0, 0, nullptr, nullptr, inst, nullptr);
    if (!owner) return 3;
  }
  if (!o.parentClass.empty()) {
    if (!Register(o.parentClass, HostProc)) return 3;
    parent = CreateWindowExW(0, o.parentClass.c_str(), o.parentTitle.c_str(),
                             WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 520, 400, owner, nullptr, inst, nullptr);
    if (!parent) return 3;
    ShowWindow(parent, SW_SHOWNOACTIVATE);
  }

  std::vector<HWND> windows;
  for (int i = 0; i < o.count; ++i) {
    const int at = 60 + 30 * i;
    const DWORD style = parent ? (WS_CHILD | WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS) : WS_OVERLAPPEDWINDOW;
    HWND w = CreateWindowExW(0, o.cls.c_str(), o.title.c_str(), style, parent ? 10 + 20 * i : at, parent ? 10 + 20 * i : at,
                             parent ? 300 : 360, parent ? 200 : 240, parent ? parent : owner, nullptr, inst, nullptr);
    if (!w) return 3;
    ++g_open;
    windows.push_back(w);
    if (!o.hidden) ShowWindow(w, o.minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
    UpdateWindow(w);
    out += Line("window", w);
  }
  if (!o.dialog.empty()) {
    if (!Register(L"ProbeDialog", HostProc)) return 3;
    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, L"ProbeDialog", L"Probe Dialog",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU, 120, 120, 240, 140, windows.front(), nullptr,
                                  inst, nullptr);
    if (!dialog) return 3;
    if (o.dialog == L"modal") EnableWindow(windows.front(), FALSE);
    ShowWindow(dialog, SW_SHOW);
    out += Line("dialog", dialog);
  }
  if (owner) out += Line("owner", owner);
  if (parent) out += Line("parent", parent);
  if (o.out.empty()) {
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
  } else if (!WriteOut(o.out, out)) {
    return 3;
  }

  if (o.lifetime) SetTimer(nullptr, 0, o.lifetime, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;  // the lifetime is over
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (parent && IsWindow(parent)) DestroyWindow(parent);
  if (owner && IsWindow(owner)) DestroyWindow(owner);
  return 0;
}

}  // namespace
}  // namespace velmora::probe

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return 2;
  const int rc = velmora::probe::Run(argc, argv);
  LocalFree(argv);
  return rc;
}
