// The names and keys of windows as the library reads them inside its host:
// class names, the host's file name, a store app's id, the key of a mark.
#include "hook/WindowKeys.h"

#include <cstring>

#include "hook/ClassKeys.h"

namespace velmora::hook {

void ClassNameOf(HWND wnd, char (&name)[256]) {
  const int length = GetClassNameA(wnd, name, 256);
  name[length > 0 ? length : 0] = '\0';
}

bool HasClass(HWND wnd, const char* expected) {
  char name[256];
  ClassNameOf(wnd, name);
  return std::strcmp(name, expected) == 0;
}

// Top-level: not a child and not message-only.
bool IsTopLevel(HWND wnd) {
  return wnd != nullptr && (GetWindowLongPtrA(wnd, GWL_STYLE) & WS_CHILD) == 0 &&
         GetAncestor(wnd, GA_PARENT) == GetDesktopWindow();
}

namespace {

// The host's file name as UTF-8, read once per process: windows of shared
// classes are keyed by it. Static rather than on a hook's stack, since a path
// may be 32K characters; a file name is at most 255, 3 bytes each in UTF-8.
INIT_ONCE g_exeNameOnce = INIT_ONCE_STATIC_INIT;
wchar_t g_exePath[32768];
char g_exeName[255 * 3];
int g_exeNameSize = 0;

BOOL CALLBACK ReadExeName(PINIT_ONCE, PVOID, PVOID*) noexcept {
  constexpr DWORD size = sizeof g_exePath / sizeof g_exePath[0];
  DWORD length = GetModuleFileNameW(nullptr, g_exePath, size);
  if (length == 0 || length >= size) return TRUE;
  // A program started by its short (8.3) path is named as the system names its image: in full.
  const DWORD full = GetLongPathNameW(g_exePath, g_exePath, size);
  if (full > 0 && full < size) length = full;
  const wchar_t* name = g_exePath;
  for (const wchar_t* p = g_exePath; p != g_exePath + length; ++p) {
    if (*p == L'\\' || *p == L'/') name = p + 1;
  }
  int units = static_cast<int>(g_exePath + length - name);
  if (units > 255) units = IS_HIGH_SURROGATE(name[254]) ? 254 : 255;  // a key holds 255 bytes at most
  g_exeNameSize = WideCharToMultiByte(CP_UTF8, 0, name, units, g_exeName, sizeof g_exeName, nullptr, nullptr);
  return TRUE;
}

}  // namespace

std::string_view ExeName() {
  InitOnceExecuteOnce(&g_exeNameOnce, ReadExeName, nullptr, nullptr);
  return {g_exeName, static_cast<std::size_t>(g_exeNameSize)};
}

namespace {

// A process handle, closed on every path.
class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE handle) : handle_(handle) {}
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  ~ProcessHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

using AppIdReader = LONG(WINAPI*)(HANDLE, UINT32*, PWSTR);
constexpr UINT32 kAppIdMaxLength = 130;  // with its terminator
static_assert(StoreAppWindowClass.data()[StoreAppWindowClass.size()] == '\0');

// A store app's frame is keyed by the app it hosts: the application user model
// id of its core window's process. Empty when that cannot be had: Velmora
// marks nothing under a key that cannot tell one app from another.
std::size_t StoreAppKey(HWND frame, char (&key)[256]) {
  // Windows 8 and later: looked up, so that the library still loads on 7.
  const auto read = reinterpret_cast<AppIdReader>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetApplicationUserModelId")));
  HWND app = FindWindowExA(frame, nullptr, StoreAppWindowClass.data(), nullptr);
  DWORD pid = 0;
  if (read == nullptr || app == nullptr || GetWindowThreadProcessId(app, &pid) == 0) return 0;
  const ProcessHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  wchar_t id[kAppIdMaxLength];
  UINT32 length = kAppIdMaxLength;
  if (process.get() == nullptr || read(process.get(), &length, id) != ERROR_SUCCESS) return 0;
  char utf8[kAppIdMaxLength * 3];
  const int size = WideCharToMultiByte(CP_UTF8, 0, id, -1, utf8, sizeof utf8, nullptr, nullptr);
  if (size <= 1) return 0;
  return MakeClassKey({utf8, static_cast<std::size_t>(size - 1)}, StoreFrameClass, key);
}

}  // namespace

// Windows of classes that many programs share are marked by program: their
// key goes into key (empty when the program cannot be told). False for a
// class of one program's own, which Velmora reads itself.
bool SharedClassKey(HWND wnd, const char* className, char (&key)[256], std::size_t& size) {
  const std::string_view family = SharedClassFamily(className);
  if (family.empty()) return false;
  if (family == StoreFrameClass) {
    size = StoreAppKey(wnd, key);
  } else {
    const std::string_view owner = ExeName();
    size = owner.empty() ? 0 : MakeClassKey(owner, family, key);
  }
  return true;
}

}  // namespace velmora::hook
