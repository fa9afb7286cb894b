#pragma once
// The fixture of the cases that send windows to the tray: settings, probes,
// the recording tray and the popup menus, seen from outside.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "VelmoraTest.h"

namespace velmora::e2e {

// Byte offsets in the 108-byte settings record.
constexpr std::size_t kHandleExcel = 1, kHandleWord = 2, kTrayMode = 4, kAllShowCount = 12, kGroupMinimum = 15,
                      kGroupShowCount = 17, kShowSplash = 52;
constexpr UINT kTrayCallback = 0x401;
constexpr std::uint32_t kSharedIconId = 0;
constexpr std::uint32_t kBlue = 0x0000FF;  // the default count colour, as 0x00RRGGBB

using Setting = std::pair<std::size_t, std::uint8_t>;

// The record Velmora writes on its first start.
inline std::vector<std::uint8_t> DefaultOptions() {
  std::vector<std::uint8_t> o(108, 0);
  const std::uint8_t head[] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x02, 0x00, 0x01, 0x00,
                               0x02, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x03, 0x02, 0x01};
  std::copy(std::begin(head), std::end(head), o.begin());
  o[52] = 1;  // ShowSplash
  const std::string text = "Minimize To &Tray";
  o[53] = static_cast<std::uint8_t>(text.size());
  std::copy(text.begin(), text.end(), o.begin() + 54);
  o[104] = 1;  // UseMenuItem
  return o;
}

inline std::uint32_t TrayId(HWND w) { return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(w)); }

inline std::vector<std::uint8_t> ClassFile(std::initializer_list<std::string> names) {
  std::vector<std::uint8_t> bytes;
  for (const std::string& name : names) {
    std::vector<std::uint8_t> record(260, 0);
    // A name beyond ASCII is stored as its UTF-8 bytes, flagged at byte 256.
    const bool raw = std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
    for (std::size_t i = 0; i < name.size(); ++i) record[i] = static_cast<std::uint8_t>(raw ? name[i] : name[i] | 0x80);
    record[256] = raw;
    bytes.insert(bytes.end(), record.begin(), record.end());
  }
  return bytes;
}

inline std::string Describe(const std::vector<TrayRecord>& icons) {
  std::ostringstream out;
  out << icons.size() << " icon(s)";
  for (const auto& i : icons) out << "; id 0x" << std::hex << i.id << std::dec << " \"" << Narrow(i.tip) << "\"";
  return out.str();
}

inline std::string State(HWND w) {
  std::ostringstream out;
  out << "\"" << Narrow(TitleOf(w)) << "\" visible " << (IsWindowVisible(w) ? 1 : 0) << " iconic "
      << (IsIconic(w) ? 1 : 0);
  return out.str();
}

// A window that went to the tray: out of sight, still minimized, no taskbar button.
inline bool InTray(HWND w) { return IsWindow(w) && !IsWindowVisible(w) && IsIconic(w); }
// A window shown normally again.
inline bool Restored(HWND w) { return IsWindow(w) && IsWindowVisible(w) && !IsIconic(w); }

// Blue pixels in the top right quarter of an icon, where the count is drawn.
inline int BluePixelsTopRight(const TrayRecord& icon) {
  int n = 0;
  for (std::uint32_t y = 0; y < icon.iconHeight / 2 + 2; ++y) {
    for (std::uint32_t x = icon.iconWidth / 2; x < icon.iconWidth; ++x) {
      const auto p = icon.Pixel(x, y);
      if (p && *p == kBlue && icon.Opaque(x, y).value_or(false)) ++n;
    }
  }
  return n;
}

class TrayTest : public VelmoraTest {
 protected:
  // Stores the settings (the defaults with `changes`), starts Velmora and
  // waits until its start-up work, the hooks included, is done.
  HWND Start(std::initializer_list<Setting> changes) {
    auto options = DefaultOptions();
    options[kShowSplash] = 0;  // nothing else competes for the foreground
    for (const auto& [at, value] : changes) options[at] = value;
    EXPECT_TRUE(WriteRegBinary(kSettingsKey, L"Options", options));
    StartVelmora();
    main_ = WaitForMainWindow();
    // The caption comes first in the initial timer; the hooks a moment later.
    Sleep(300ms);
    return main_;
  }

  Probe& Open(const std::wstring& cls, const std::wstring& title, bool minimized = false, int count = 1) {
    ProbeSpec spec;
    spec.cls = cls;
    spec.title = title;
    spec.minimized = minimized;
    spec.count = count;
    return OpenProbe(spec);
  }

  // A normal close: exit code 0, every window given visible and not minimized
  // again, no icon of Velmora left in the tray.
  void CloseExpectingAllBack(const std::vector<HWND>& windows) {
    ASSERT_TRUE(CloseVelmora());
    EXPECT_EQ(velmora_.ExitCode(), 0u);
    // The windows' own threads carry out the restore: it may land just after Velmora has gone.
    for (HWND w : windows) EXPECT_TRUE(WaitUntil([&] { return Restored(w); }, 2s)) << State(w);
    // Icons of a Velmora that was killed stay until the shell notices (as on Windows); none of a live one.
    std::vector<TrayRecord> left;
    for (const auto& i : Tray().Icons())
      if (IsWindow(i.OwnerWindow())) left.push_back(i);
    EXPECT_TRUE(left.empty()) << Describe(left);
  }

  // What the user's click on the minimize button leads to.
  static void Minimize(HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_MINIMIZE, 0); }

  // Minimizes a window and waits until Velmora has taken it off the screen.
  ::testing::AssertionResult SendToTray(HWND w) {
    Minimize(w);
    if (WaitUntil([&] { return InTray(w); }, 3s)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not sent to the tray: " << State(w) << "; " << Describe(Icons());
  }

  // Icons whose owner is a window of the case's Velmora.
  std::vector<TrayRecord> Icons() const {
    std::vector<TrayRecord> mine;
    for (const auto& i : tray_->Icons())
      if (velmora_.pid && ProcessOf(i.OwnerWindow()) == velmora_.pid) mine.push_back(i);
    return mine;
  }
  std::optional<TrayRecord> Icon(std::uint32_t id) const {
    for (const auto& i : Icons())
      if (i.id == id) return i;
    return std::nullopt;
  }
  std::optional<TrayRecord> WaitForIcon(std::uint32_t id, const std::wstring& tip, Millis timeout = 3s) const {
    std::optional<TrayRecord> icon;
    WaitUntil([&] { return (icon = Icon(id)).has_value() && icon->tip == tip; }, timeout);
    return icon;
  }

  // The shell's messages for a mouse event on an icon: a version 3 icon gets
  // NIN_SELECT after a left click and WM_CONTEXTMENU after a right one.
  static void Click(const TrayRecord& icon, UINT mouse) {
    PostMessageW(icon.OwnerWindow(), icon.callback, icon.id, mouse);
    const UINT follow = mouse == WM_LBUTTONUP ? NIN_SELECT : mouse == WM_RBUTTONUP ? WM_CONTEXTMENU : 0;
    if (follow) PostMessageW(icon.OwnerWindow(), icon.callback, icon.id, follow);
  }

  // A popup menu of Velmora on screen, or null.
  HWND WaitForMenu(Millis timeout) const {
    HWND menu = nullptr;
    WaitUntil(
        [&] {
          for (HWND m : TopLevelWindows(L"#32768"))
            if (IsWindowVisible(m) && ProcessOf(m) == velmora_.pid) return (menu = m) != nullptr;
          return false;
        },
        timeout);
    return menu;
  }
  static void PressInMenu(HWND menu, WPARAM key) {
    PostMessageW(menu, WM_KEYDOWN, key, 1);
    PostMessageW(menu, WM_KEYUP, key, 0xC0000001);
  }
  static bool WaitMenuGone(HWND menu) {
    return WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, 3s);
  }

  // The picture the tray receives for one of Velmora's icon resources, passed
  // through the same shell path as Velmora's own calls.
  std::optional<TrayRecord> ResourcePicture(const wchar_t* name) {
    std::optional<TrayRecord> seen;
    HMODULE exe = LoadLibraryExW(ExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!exe) return seen;
    const int size = GetSystemMetrics(SM_CXSMICON);  // the tray's size, as Velmora loads them
    HICON icon = static_cast<HICON>(LoadImageW(exe, name, IMAGE_ICON, size, size, 0));
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (icon && owner) {
      NOTIFYICONDATAW nid{};
      nid.cbSize = sizeof nid;
      nid.hWnd = owner;
      nid.uID = 9;
      nid.uFlags = NIF_ICON;
      nid.hIcon = icon;
      if (Shell_NotifyIconW(NIM_ADD, &nid)) {
        seen = tray_->Icon(TrayId(owner), 9);
        Shell_NotifyIconW(NIM_DELETE, &nid);
      }
    }
    if (owner) DestroyWindow(owner);
    if (icon) DestroyIcon(icon);
    FreeLibrary(exe);
    return seen;
  }

  HWND main_ = nullptr;
};

}  // namespace velmora::e2e
