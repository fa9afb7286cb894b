#pragma once
// Helpers of the end-to-end tests: they watch Velmora.exe from outside, through
// its windows, its registry value, its files and its exit codes.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora::e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

inline constexpr wchar_t kMainClass[] = L"TFOrvane";
inline constexpr wchar_t kMainTitle[] = L"Velmora 4.6.3";
inline constexpr wchar_t kBoxClass[] = L"#32770";
inline constexpr wchar_t kBoxCaption[] = L"Velmora 4.6.3";
inline constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Velmora";

// Owns a kernel handle.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  Handle(Handle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) { Reset(); h_ = o.h_; o.h_ = nullptr; }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Reset(); }
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void Reset() { if (h_) CloseHandle(h_); h_ = nullptr; }
 private:
  HANDLE h_ = nullptr;
};

// --- waiting -----------------------------------------------------------------

// Dispatches whatever is queued for this thread, so that sends from other
// processes (broadcasts, the shell) never wait on the test.
void PumpMessages();
// Pumps messages for the given time.
void Sleep(Millis time);
// Polls `done` (pumping meanwhile) until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, Millis timeout, Millis poll = 20ms);
// Waits for a kernel object, pumping meanwhile. True when it was signalled.
bool WaitForObject(HANDLE h, Millis timeout);

// --- paths and files -----------------------------------------------------------

// Folder of Velmora.exe, LibOrvane.dll and probe.exe: the --bin-dir argument,
// else the folder of the test program.
std::wstring BinDir();
void SetBinDir(std::wstring dir);
std::wstring JoinPath(const std::wstring& dir, const std::wstring& name);
bool FileExists(const std::wstring& path);
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// A new empty folder under the prefix's temporary folder.
std::wstring MakeTempDir(const std::wstring& stem);
// Deletes a folder and the files in it (not recursive beyond one level).
void RemoveDir(const std::wstring& dir);

// --- processes ------------------------------------------------------------------

struct Process {
  Handle handle;
  DWORD pid = 0;
  bool Running() const;
  // Exit code once ended; nullopt while running.
  std::optional<DWORD> ExitCode() const;
  bool WaitExit(Millis timeout) const { return WaitForObject(handle.get(), timeout); }
};

// CreateProcess of `exe` with `args` in `dir` (the exe's folder when empty).
Process Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& dir = {});
// Quotes one command-line argument.
std::wstring Quote(const std::wstring& arg);
// Process ids of running programs whose image lies in `dir` and is named `exeName`.
std::vector<DWORD> ProcessesIn(const std::wstring& dir, const std::wstring& exeName);

// --- windows --------------------------------------------------------------------

std::wstring ClassOf(HWND w);
std::wstring TitleOf(HWND w);
DWORD ProcessOf(HWND w);
// Top-level windows with this class (and this title, unless null), in z-order.
std::vector<HWND> TopLevelWindows(const wchar_t* cls, const wchar_t* title = nullptr);
// Velmora's main windows (class "TFOrvane", caption "Velmora 4.6.3").
std::vector<HWND> MainWindows();
HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, Millis timeout);
// Whether the shell would give the window a taskbar button: visible, top
// level, and either unowned and no tool window, or marked as app window.
bool HasTaskbarButton(HWND w);

// --- message boxes --------------------------------------------------------------

// A visible message box captioned "Velmora 4.6.3" whose text is set up, or null.
HWND FindMessageBox();
HWND WaitForMessageBox(Millis timeout);
std::wstring MessageBoxText(HWND box);
// Clicks IDYES, IDNO, IDOK...; returns once the box is gone (or the click failed).
bool AnswerMessageBox(HWND box, int buttonId);

// --- keyboard -------------------------------------------------------------------

// Presses a global hotkey: modifiers (MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN) down,
// key down, key up, modifiers up.
bool PressHotkey(UINT modifiers, WORD vk);

// --- registry (HKEY_CURRENT_USER) -----------------------------------------------

std::optional<std::vector<std::uint8_t>> ReadRegBinary(const wchar_t* key, const wchar_t* value);
std::optional<std::wstring> ReadRegString(const wchar_t* key, const wchar_t* value);
// Type of a value; nullopt when it is missing.
std::optional<DWORD> RegValueType(const wchar_t* key, const wchar_t* value);
bool WriteRegBinary(const wchar_t* key, const wchar_t* value, const std::vector<std::uint8_t>& bytes);
bool WriteRegString(const wchar_t* key, const wchar_t* value, const std::wstring& text);
// Deletes the key with everything under it; true also when it was absent.
bool DeleteRegTree(const wchar_t* key);

// --- formatting -----------------------------------------------------------------

std::string Narrow(const std::wstring& s);
std::wstring Widen(const std::string& s);
std::string Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace velmora::e2e
