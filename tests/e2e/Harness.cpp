#include "Harness.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>

namespace velmora::e2e {

namespace {

std::wstring& BinDirStorage() {
  static std::wstring dir;
  return dir;
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

}  // namespace

// --- waiting -----------------------------------------------------------------

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Sleep(Millis time) {
  WaitUntil([] { return false; }, time);
}

bool WaitUntil(const std::function<bool()>& done, Millis timeout, Millis poll) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    PumpMessages();
    if (done()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    const auto left = std::chrono::duration_cast<Millis>(deadline - now);
    const auto step = left < poll ? left : poll;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(step.count()), QS_ALLINPUT);
  }
}

bool WaitForObject(HANDLE h, Millis timeout) {
  if (!h) return false;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    PumpMessages();
    const DWORD state = WaitForSingleObject(h, 0);
    if (state == WAIT_OBJECT_0) return true;
    if (state == WAIT_FAILED) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    const auto left = std::chrono::duration_cast<Millis>(deadline - now);
    MsgWaitForMultipleObjects(1, &h, FALSE, static_cast<DWORD>(std::min<long long>(left.count(), 50)), QS_ALLINPUT);
  }
}

// --- paths and files -----------------------------------------------------------

std::wstring BinDir() {
  if (!BinDirStorage().empty()) return BinDirStorage();
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  std::wstring p(path, n);
  const auto slash = p.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : p.substr(0, slash);
}

void SetBinDir(std::wstring dir) {
  // A Unix path handed in from the build system lies on Wine's drive Z:.
  if (!dir.empty() && dir[0] == L'/') {
    for (auto& c : dir) if (c == L'/') c = L'\\';
    dir = L"Z:" + dir;
  }
  while (dir.size() > 3 && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
  BinDirStorage() = std::move(dir);
}

std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
  if (dir.empty()) return name;
  if (dir.back() == L'\\' || dir.back() == L'/') return dir + name;
  return dir + L"\\" + name;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path) {
  Handle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t buf[4096];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.insert(bytes.end(), buf, buf + got);
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  Handle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD put = 0;
  return bytes.empty() ||
         (WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size());
}

std::wstring MakeTempDir(const std::wstring& stem) {
  wchar_t tmp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, tmp);
  static unsigned counter = 0;
  for (;;) {
    const std::wstring dir = JoinPath(tmp, stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                               std::to_wstring(++counter));
    if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
}

void RemoveDir(const std::wstring& dir) {
  if (dir.empty()) return;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(JoinPath(dir, L"*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(JoinPath(dir, fd.cFileName).c_str());
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryW(dir.c_str());
}

// --- processes ------------------------------------------------------------------

bool Process::Running() const {
  return handle && WaitForSingleObject(handle.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::ExitCode() const {
  DWORD code = 0;
  if (!handle || Running() || !GetExitCodeProcess(handle.get(), &code)) return std::nullopt;
  return code;
}

std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') { ++slashes; continue; }
    if (c == L'"') out.append(slashes * 2 + 1, L'\\');
    else out.append(slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

Process Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& dir) {
  std::wstring cmd = Quote(exe);
  if (!args.empty()) cmd += L" " + args;
  std::wstring workDir = dir;
  if (workDir.empty()) {
    const auto slash = exe.find_last_of(L"\\/");
    if (slash != std::wstring::npos) workDir = exe.substr(0, slash);
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  Process p;
  // Wine now and then refuses a start with ERROR_INTERNAL_ERROR; a second try goes through.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
      CloseHandle(pi.hThread);
      p.handle = Handle(pi.hProcess);
      p.pid = pi.dwProcessId;
      break;
    }
    if (GetLastError() != ERROR_INTERNAL_ERROR) break;
    Sleep(200ms);
  }
  return p;
}

std::vector<DWORD> ProcessesIn(const std::wstring& dir, const std::wstring& exeName) {
  std::vector<DWORD> pids;
  Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return pids;
  const std::wstring wanted = Lower(JoinPath(dir, exeName));
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap.get(), &pe); ok; ok = Process32NextW(snap.get(), &pe)) {
    if (Lower(pe.szExeFile) != Lower(exeName)) continue;
    Handle proc(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pe.th32ProcessID));
    if (!proc || WaitForSingleObject(proc.get(), 0) != WAIT_TIMEOUT) continue;
    wchar_t image[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(proc.get(), 0, image, &size) && Lower(std::wstring(image, size)) == wanted)
      pids.push_back(pe.th32ProcessID);
  }
  return pids;
}

// --- windows --------------------------------------------------------------------

std::wstring ClassOf(HWND w) {
  wchar_t buf[256] = {};
  const int n = GetClassNameW(w, buf, 256);
  return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::wstring TitleOf(HWND w) {
  wchar_t buf[512] = {};
  const int n = GetWindowTextW(w, buf, 512);
  return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

DWORD ProcessOf(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid;
}

std::vector<HWND> TopLevelWindows(const wchar_t* cls, const wchar_t* title) {
  std::vector<HWND> found;
  HWND w = nullptr;
  while ((w = FindWindowExW(nullptr, w, cls, title)) != nullptr) found.push_back(w);
  return found;
}

std::vector<HWND> MainWindows() { return TopLevelWindows(kMainClass, kMainTitle); }

HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, Millis timeout) {
  HWND w = nullptr;
  WaitUntil([&] { return (w = FindWindowW(cls, title)) != nullptr; }, timeout);
  return w;
}

bool HasTaskbarButton(HWND w) {
  if (!IsWindow(w) || !IsWindowVisible(w) || GetAncestor(w, GA_PARENT) != GetDesktopWindow()) return false;
  const LONG_PTR ex = GetWindowLongPtrW(w, GWL_EXSTYLE);
  if (ex & WS_EX_APPWINDOW) return true;
  return !(ex & WS_EX_TOOLWINDOW) && GetWindow(w, GW_OWNER) == nullptr;
}

// --- message boxes --------------------------------------------------------------

HWND FindMessageBox() {
  for (HWND box : TopLevelWindows(kBoxClass, kBoxCaption)) {
    if (IsWindowVisible(box) && !MessageBoxText(box).empty()) return box;
  }
  return nullptr;
}

HWND WaitForMessageBox(Millis timeout) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindMessageBox()) != nullptr; }, timeout);
  return box;
}

std::wstring MessageBoxText(HWND box) {
  wchar_t buf[1024] = {};
  const UINT n = GetDlgItemTextW(box, 0xFFFF, buf, 1024);
  return std::wstring(buf, n);
}

bool AnswerMessageBox(HWND box, int buttonId) {
  HWND button = GetDlgItem(box, buttonId);
  if (!button) return false;
  DWORD_PTR result = 0;
  // The send returns when the box is gone; bounded so that a stuck box fails the case instead.
  SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result);
  return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5s);
}

// --- keyboard -------------------------------------------------------------------

bool PressHotkey(UINT modifiers, WORD vk) {
  std::vector<WORD> mods;
  if (modifiers & MOD_CONTROL) mods.push_back(VK_CONTROL);
  if (modifiers & MOD_ALT) mods.push_back(VK_MENU);
  if (modifiers & MOD_SHIFT) mods.push_back(VK_SHIFT);
  if (modifiers & MOD_WIN) mods.push_back(VK_LWIN);
  std::vector<INPUT> inputs;
  auto key = [&](WORD k, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = k;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(k, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  for (WORD m : mods) key(m, false);
  key(vk, false);
  key(vk, true);
  for (auto it = mods.rbegin(); it != mods.rend(); ++it) key(*it, true);
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return sent == inputs.size();
}

// --- registry -------------------------------------------------------------------

std::optional<std::vector<std::uint8_t>> ReadRegBinary(const wchar_t* key, const wchar_t* value) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key, value, RRF_RT_REG_BINARY, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<std::uint8_t> bytes(size);
  if (RegGetValueW(HKEY_CURRENT_USER, key, value, RRF_RT_REG_BINARY, nullptr, bytes.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  bytes.resize(size);
  return bytes;
}

std::optional<std::wstring> ReadRegString(const wchar_t* key, const wchar_t* value) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key, value, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, key, value, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

std::optional<DWORD> RegValueType(const wchar_t* key, const wchar_t* value) {
  DWORD type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key, value, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, nullptr) != ERROR_SUCCESS)
    return std::nullopt;
  return type;
}

namespace {
bool SetValue(const wchar_t* key, const wchar_t* value, DWORD type, const void* data, DWORD size) {
  HKEY k = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  const LSTATUS s = RegSetValueExW(k, value, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(k);
  return s == ERROR_SUCCESS;
}
}  // namespace

bool WriteRegBinary(const wchar_t* key, const wchar_t* value, const std::vector<std::uint8_t>& bytes) {
  return SetValue(key, value, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool WriteRegString(const wchar_t* key, const wchar_t* value, const std::wstring& text) {
  return SetValue(key, value, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool DeleteRegTree(const wchar_t* key) {
  const LSTATUS s = RegDeleteTreeW(HKEY_CURRENT_USER, key);
  if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND) return false;
  RegDeleteKeyW(HKEY_CURRENT_USER, key);
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) == ERROR_SUCCESS) {
    RegCloseKey(k);
    return false;
  }
  return true;
}

// --- formatting -----------------------------------------------------------------

std::string Narrow(const std::wstring& s) {
  if (s.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Widen(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char buf[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
    if (i) out += ' ';
    out += buf;
  }
  return out;
}

}  // namespace velmora::e2e
