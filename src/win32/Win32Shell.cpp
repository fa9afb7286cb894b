#include "win32/Win32Shell.h"

#include <atomic>
#include <limits>
#include <memory>

#include "win32/Convert.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

namespace {

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes = bytes.subspan(written);
  }
  return true;
}

// Paths are UTF-8 in the logic: any folder name works, whatever the ANSI code page.
std::wstring Path(std::string_view utf8) { return ToWide(utf8, CP_UTF8); }

bool WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  UniqueHandle file =
      OwnFile(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  return WriteAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
}

}  // namespace

bool Win32Shell::ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                              std::string_view directory, int showCmd) {
  const std::wstring op = Path(verb), target = Path(file), params = Path(parameters), dir = Path(directory);
  HINSTANCE result = ::ShellExecuteW(nullptr, op.empty() ? nullptr : op.c_str(), target.c_str(),
                                     params.empty() ? nullptr : params.c_str(), dir.empty() ? nullptr : dir.c_str(),
                                     showCmd);
  return reinterpret_cast<std::intptr_t>(result) > 32;
}

std::wstring OwnModulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    if (buffer.size() >= 32768) return {};  // longer than any path can be
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32Shell::GetModuleFileName() { return FromWide(OwnModulePath(), CP_UTF8); }

std::string Win32Shell::GetWindowsDirectory() {
  wchar_t folder[MAX_PATH] = {};
  const UINT n = ::GetWindowsDirectoryW(folder, MAX_PATH);
  return n > 0 && n < MAX_PATH ? FromWide(std::wstring_view(folder, n), CP_UTF8) : std::string();
}

bool Win32Shell::FileExists(std::string_view path) {
  const DWORD attributes = ::GetFileAttributesW(Path(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<std::uint8_t>> Win32Shell::ReadFile(std::string_view path) {
  UniqueHandle file = OwnFile(::CreateFileW(Path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > std::numeric_limits<DWORD>::max())
    return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  // Read to the end, whatever the size said: the file may change meanwhile.
  std::uint8_t chunk[4096];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return std::nullopt;
    if (read == 0) return bytes;
    bytes.insert(bytes.end(), chunk, chunk + read);
  }
}

bool Win32Shell::ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) {
  const std::wstring target = Path(path);
  const std::wstring fresh = target + L".new";
  if (WriteNewFile(fresh, bytes) &&
      ::MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  ::DeleteFileW(fresh.c_str());
  return false;
}

bool SetTaskbarTab(std::uintptr_t wnd, bool present) noexcept {
  // The two GUIDs spelled out: linking them from the uuid library adds 40 KB of others.
  static constexpr CLSID ClsidTaskbarList = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
  static constexpr IID IidTaskbarList = {0x56FDF342, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
  ITaskbarList* raw = nullptr;
  if (FAILED(::CoCreateInstance(ClsidTaskbarList, nullptr, CLSCTX_INPROC_SERVER, IidTaskbarList,
                                reinterpret_cast<void**>(&raw))) ||
      !raw)
    return false;
  UniqueCom<ITaskbarList> list(raw);
  if (FAILED(list->HrInit())) return false;
  const HWND window = reinterpret_cast<HWND>(wnd);
  return SUCCEEDED(present ? list->AddTab(window) : list->DeleteTab(window));
}

namespace {

struct BoundedCall {
  std::function<bool()> call;
  UniqueHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<bool> result = false;
};
std::atomic<int> g_callsOut = 0;  // bounded calls still running

DWORD WINAPI RunBounded(void* param) noexcept {
  const std::unique_ptr<std::shared_ptr<BoundedCall>> own(static_cast<std::shared_ptr<BoundedCall>*>(param));
  BoundedCall& state = **own;
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  try {
    state.result = state.call();
  } catch (...) {
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  --g_callsOut;
  ::SetEvent(state.done.get());
  return 0;
}

// How long a call into Explorer may hold Velmora up before it goes the other way.
constexpr DWORD TaskbarBoundMs = 300;

}  // namespace

bool CallBounded(std::function<bool()> call, unsigned long boundMs) {
  // Explorer has not answered the last one: none waits on it again.
  if (g_callsOut > 0) return false;
  auto state = std::make_shared<BoundedCall>();
  state->call = std::move(call);
  if (!state->done) return false;
  auto* param = new std::shared_ptr<BoundedCall>(state);
  ++g_callsOut;
  UniqueHandle thread(::CreateThread(nullptr, 0, &RunBounded, param, 0, nullptr));
  if (!thread) {
    --g_callsOut;
    delete param;
    return false;
  }
  return ::WaitForSingleObject(state->done.get(), boundMs) == WAIT_OBJECT_0 && state->result;
}

// Explorer may hang: the taskbar list is asked from a thread of its own, at most for a moment;
// the caller falls back to hiding and showing the window.
bool Win32Shell::DeleteTaskbarTab(Hwnd wnd) {
  return CallBounded([wnd] { return SetTaskbarTab(static_cast<std::uintptr_t>(wnd.value), false); }, TaskbarBoundMs);
}

bool Win32Shell::AddTaskbarTab(Hwnd wnd) {
  return CallBounded([wnd] { return SetTaskbarTab(static_cast<std::uintptr_t>(wnd.value), true); }, TaskbarBoundMs);
}

std::uint32_t Win32Shell::QueryUserNotificationState() {
  // Shared with the call's thread, which may answer after the bound.
  const auto state = std::make_shared<std::atomic<std::uint32_t>>(0);
  CallBounded([state] {
    QUERY_USER_NOTIFICATION_STATE answer{};
    if (FAILED(::SHQueryUserNotificationState(&answer))) return false;
    state->store(static_cast<std::uint32_t>(answer));
    return true;
  }, TaskbarBoundMs);
  return state->load();
}

}  // namespace velmora
