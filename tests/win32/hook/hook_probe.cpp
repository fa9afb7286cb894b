// A program whose windows the hook contract test watches through LibOrvane,
// with a message loop that peeks before it takes.
//   hook_probe.exe <recorder window> <class> <title>
// Opens one window of that class and title and a message-only control window,
// posts both to the recorder, then acts on the commands in ProbeCommands.h.
#include <windows.h>

#include <cstdlib>

#include "hook/MemBlock.h"
#include "ProbeCommands.h"

namespace velmora::probe {
namespace {

HWND g_recorder = nullptr;
LONG g_rightClicks = 0;

LRESULT CALLBACK ProbeWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_NCRBUTTONDOWN || msg == WM_NCRBUTTONUP) {
    // Counted and dropped: a default handling would open the system menu.
    ++g_rightClicks;
    return 0;
  }
  // A modal window gives its owner back as it closes.
  if (msg == WM_CLOSE && GetWindow(wnd, GW_OWNER) != nullptr) EnableWindow(GetWindow(wnd, GW_OWNER), TRUE);
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) noexcept { return FALSE; }

bool EnsureClass(const char* name) {
  WNDCLASSEXA info{};
  info.cbSize = sizeof(info);
  if (GetClassInfoExA(GetModuleHandleA(nullptr), name, &info)) return true;
  info.lpfnWndProc = ProbeWindowProc;
  info.hInstance = GetModuleHandleA(nullptr);
  info.hCursor = LoadCursor(nullptr, IDC_ARROW);
  info.lpszClassName = name;
  return RegisterClassExA(&info) != 0;
}

HWND Open(const char* className, const char* title, DWORD style, HWND owner) {
  if (!EnsureClass(className)) return nullptr;
  return CreateWindowExA(0, className, title, style, 100, 100, 320, 200, owner, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

HWND OpenDialog(HWND owner) {
  struct alignas(4) Template {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } tmpl{};
  tmpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
  tmpl.header.cx = 120;
  tmpl.header.cy = 60;
  return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &tmpl.header, owner, DialogProc, 0);
}

HWND OpenByAtom(WPARAM atom, DWORD style, HWND owner) {
  char name[256];
  if (GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof(name)) == 0) return nullptr;
  return Open(name, "probe window", style, owner);
}

LRESULT AsResult(HWND wnd) { return reinterpret_cast<LRESULT>(wnd); }
HWND AsWindow(WPARAM value) { return reinterpret_cast<HWND>(value); }

LRESULT CALLBACK ControlProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  const auto owner = reinterpret_cast<HWND>(lParam);
  constexpr DWORD kVisible = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  switch (msg) {
    case kCreate: return AsResult(OpenByAtom(wParam, kVisible, owner));
    case kCreateHidden: return AsResult(OpenByAtom(wParam, WS_OVERLAPPEDWINDOW, owner));
    case kCreateChild: return AsResult(OpenByAtom(wParam, WS_CHILD | WS_VISIBLE | WS_CAPTION, owner));
    case kCreateDialog: return AsResult(OpenDialog(owner));
    case kShow: ShowWindow(AsWindow(wParam), static_cast<int>(lParam)); return 1;
    case kActivate:
      SetActiveWindow(AsWindow(wParam));
      return GetActiveWindow() == AsWindow(wParam) ? 1 : 0;
    case kDestroy: return DestroyWindow(AsWindow(wParam)) ? 1 : 0;
    case kAddTrayItem: {
      HMENU menu = GetSystemMenu(AsWindow(wParam), FALSE);
      return menu != nullptr && AppendMenuA(menu, MF_STRING, IDM_TRAY_ITEM, "Tray") ? 1 : 0;
    }
    case kRightClicksSeen: return g_rightClicks;
    case kPing: PostMessageA(g_recorder, kPong, wParam, 0); return 0;
    case kQuit: PostQuitMessage(0); return 0;
    case kKeyDown: return (GetAsyncKeyState(static_cast<int>(wParam)) & 0x8000) != 0 ? 1 : 0;
    case kBusy: Sleep(static_cast<DWORD>(wParam)); return 0;
    default: return DefWindowProcA(wnd, msg, wParam, lParam);
  }
}

}  // namespace
}  // namespace velmora::probe

int main(int argc, char** argv) {
  using namespace velmora::probe;
  if (argc < 4) return 2;
  g_recorder = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(argv[1], nullptr, 10)));

  WNDCLASSEXA control{};
  control.cbSize = sizeof(control);
  control.lpfnWndProc = ControlProc;
  control.hInstance = GetModuleHandleA(nullptr);
  control.lpszClassName = "VelmoraProbeControl";
  if (!RegisterClassExA(&control)) return 3;
  HWND ctl = CreateWindowExA(0, control.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             control.hInstance, nullptr);
  HWND first = Open(argv[2], argv[3], WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  if (ctl == nullptr || first == nullptr) return 4;
  PostMessageA(g_recorder, kReady, reinterpret_cast<WPARAM>(first), reinterpret_cast<LPARAM>(ctl));

  MSG msg;
  // As MFC's and WinForms' loops do: a look at each message (PM_NOREMOVE) before it is taken.
  for (;;) {
    while (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) WaitMessage();
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
