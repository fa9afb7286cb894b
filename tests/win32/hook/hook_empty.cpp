// Hook procedures that do nothing, of the kinds LibOrvane installs and
// installed the same way: hook_bench's baseline.
#include <windows.h>

namespace {

HINSTANCE g_module = nullptr;

class Hook {
 public:
  constexpr Hook() = default;
  Hook(const Hook&) = delete;
  Hook& operator=(const Hook&) = delete;
  ~Hook() { Reset(); }
  bool Install(int kind, HOOKPROC proc) {
    Reset();
    handle_ = SetWindowsHookExA(kind, proc, g_module, 0);
    return handle_ != nullptr;
  }
  void Reset() {
    if (handle_ != nullptr) UnhookWindowsHookEx(handle_);
    handle_ = nullptr;
  }

 private:
  HHOOK handle_ = nullptr;
};

Hook g_cbt;
Hook g_mouse;
Hook g_callWndProc;

LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) int InstallEmptyHooks(void) {
  return g_cbt.Install(WH_CBT, PassOn) && g_mouse.Install(WH_MOUSE, PassOn) &&
         g_callWndProc.Install(WH_CALLWNDPROC, PassOn);
}

extern "C" __declspec(dllexport) void RemoveEmptyHooks(void) {
  g_cbt.Reset();
  g_mouse.Reset();
  g_callWndProc.Reset();
}
