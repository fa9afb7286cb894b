// The harness's own moving parts, checked without Velmora: the probe's
// windows and the recording tray.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "Harness.h"
#include "Probe.h"
#include "TrayRecorder.h"

namespace velmora::e2e {
namespace {

class HarnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir(L"velmora-harness");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { RemoveDir(dir_); }
  std::wstring dir_;
};

TEST_F(HarnessTest, ProbeOpensWindowsOfClassAndTitleAndEndsWhenTheyClose) {
  ProbeSpec spec;
  spec.cls = L"ZURUUninstall";
  spec.title = L"Select Uninstall Method";
  spec.count = 2;
  spec.log = true;
  Probe probe = Probe::Open(spec, dir_);
  ASSERT_TRUE(probe.Ok());
  ASSERT_EQ(probe.Windows().size(), 2u);
  EXPECT_EQ(TopLevelWindows(L"ZURUUninstall", L"Select Uninstall Method").size(), 2u);
  for (HWND w : probe.Windows()) {
    EXPECT_EQ(ClassOf(w), L"ZURUUninstall");
    EXPECT_EQ(TitleOf(w), L"Select Uninstall Method");
    EXPECT_EQ(ProcessOf(w), probe.Proc().pid);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_FALSE(IsIconic(w));
  }
  // One window closed: the process stays for the other.
  PostMessageW(probe.Window(0), WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(probe.Window(0)); }, 5s));
  Sleep(200ms);
  EXPECT_TRUE(probe.Proc().Running());
  PostMessageW(probe.Window(1), WM_CLOSE, 0, 0);
  ASSERT_TRUE(probe.Proc().WaitExit(5s));
  EXPECT_EQ(probe.Proc().ExitCode(), 0u);
  const auto log = probe.LogLines();
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("WM_CLOSE", 0) == 0; }), 2);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("WM_DESTROY", 0) == 0; }), 2);
}

TEST_F(HarnessTest, ProbeMinimizedOwnedAndLifetime) {
  ProbeSpec spec;
  spec.cls = L"TFormProbe";
  spec.title = L"Owned form";
  spec.minimized = true;
  spec.ownerClass = L"TApplication";
  spec.ownerTitle = L"Probe App";
  spec.lifetimeMs = 1500;
  Probe probe = Probe::Open(spec, dir_);
  ASSERT_TRUE(probe.Ok());
  HWND w = probe.Window();
  EXPECT_TRUE(IsIconic(w));
  ASSERT_NE(probe.Owner(), nullptr);
  EXPECT_EQ(GetWindow(w, GW_OWNER), probe.Owner());
  EXPECT_EQ(ClassOf(probe.Owner()), L"TApplication");
  EXPECT_EQ(TitleOf(probe.Owner()), L"Probe App");
  ASSERT_TRUE(probe.Proc().WaitExit(10s)) << "the lifetime did not end the probe";
  EXPECT_EQ(probe.Proc().ExitCode(), 0u);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(HarnessTest, ProbeChildWindowsInsideAFrame) {
  ProbeSpec spec;
  spec.cls = L"EXCEL7";
  spec.title = L"Book1";
  spec.parentClass = L"XLMAIN";
  spec.parentTitle = L"Spreadsheet - Book1";
  Probe probe = Probe::Open(spec, dir_);
  ASSERT_TRUE(probe.Ok());
  ASSERT_NE(probe.Parent(), nullptr);
  EXPECT_EQ(GetParent(probe.Window()), probe.Parent());
  EXPECT_EQ(ClassOf(probe.Parent()), L"XLMAIN");
  EXPECT_TRUE(TopLevelWindows(L"EXCEL7").empty()) << "a child must not be top level";
  EXPECT_TRUE(probe.Close());
}

// Shell_NotifyIcon from this process must land in the recorder, with the
// fields decoded, and reach explorer as before.
TEST_F(HarnessTest, RecorderSeesAddModifyDeleteOfAnIcon) {
  TrayRecorder tray;
  ASSERT_TRUE(tray.Start());
  ASSERT_NE(tray.ExplorerTray(), nullptr);
  EXPECT_NE(ProcessOf(tray.ExplorerTray()), GetCurrentProcessId());

  ProbeSpec spec;
  spec.cls = L"TrayOwnerProbe";
  Probe owner = Probe::Open(spec, dir_);  // a window of another process as the icon's owner
  ASSERT_TRUE(owner.Ok());

  // A 16x16 32-bit icon: opaque pure red, with a transparent top-left pixel.
  BITMAPV5HEADER bi{};
  bi.bV5Size = sizeof bi;
  bi.bV5Width = 16;
  bi.bV5Height = -16;
  bi.bV5Planes = 1;
  bi.bV5BitCount = 32;
  bi.bV5Compression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(colour, nullptr);
  auto* px = static_cast<std::uint32_t*>(bits);
  std::fill(px, px + 256, 0xFFFF0000u);
  px[0] = 0;
  std::uint8_t maskBits[32] = {};
  maskBits[0] = 0x80;  // top-left transparent
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskBits);
  ICONINFO ii{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(mask);
  DeleteObject(colour);
  ASSERT_NE(icon, nullptr);

  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = owner.Window();
  nid.uID = 7;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = 0x401;
  nid.hIcon = icon;
  wcscpy(nid.szTip, L"Recorded tip");
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &nid));
  nid.uFlags = NIF_TIP;
  wcscpy(nid.szTip, L"Changed tip");
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &nid));

  const auto owner32 = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(owner.Window()));
  ASSERT_TRUE(WaitUntil([&] { return tray.Records().size() >= 2; }, 5s));
  const auto records = tray.Records();
  EXPECT_EQ(records[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(records[0].owner, owner32);
  EXPECT_EQ(records[0].id, 7u);
  EXPECT_EQ(records[0].callback, 0x401u);
  EXPECT_EQ(records[0].tip, L"Recorded tip");
  EXPECT_EQ(records[1].message, static_cast<DWORD>(NIM_MODIFY));

  auto shown = tray.Icon(owner32, 7);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->tip, L"Changed tip");  // the modification applied
  EXPECT_EQ(shown->callback, 0x401u);     // what it did not name kept
  ASSERT_TRUE(shown->HasIcon());
  EXPECT_EQ(shown->iconWidth, 16u);
  EXPECT_EQ(shown->iconHeight, 16u);
  EXPECT_EQ(shown->Pixel(5, 5), 0xFF0000u);
  EXPECT_EQ(shown->Opaque(5, 5), true);
  EXPECT_EQ(shown->Opaque(0, 0), false);

  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &nid));
  EXPECT_TRUE(WaitUntil([&] { return tray.Records().size() >= 3; }, 5s));
  EXPECT_FALSE(tray.Icon(owner32, 7).has_value());
  EXPECT_TRUE(tray.IconsOf(owner32).empty());
  EXPECT_EQ(tray.Records().back().message, static_cast<DWORD>(NIM_DELETE));
  DestroyIcon(icon);
  tray.Stop();
  EXPECT_EQ(FindWindowW(L"Shell_TrayWnd", nullptr), tray.ExplorerTray()) << "the recorder left its window";
}

TEST(HarnessRegistry, BinaryAndStringRoundTripsAndTreeDeletion) {
  const wchar_t* key = L"SOFTWARE\\VelmoraHarnessCheck\\Sub";
  const std::vector<std::uint8_t> bytes{1, 0, 0xFF, 0x7F};
  ASSERT_TRUE(WriteRegBinary(key, L"Bin", bytes));
  ASSERT_TRUE(WriteRegString(key, L"Text", L"Minimize To &Tray"));
  EXPECT_EQ(ReadRegBinary(key, L"Bin"), bytes);
  EXPECT_EQ(ReadRegString(key, L"Text"), std::wstring(L"Minimize To &Tray"));
  EXPECT_EQ(RegValueType(key, L"Bin"), static_cast<DWORD>(REG_BINARY));
  EXPECT_FALSE(ReadRegBinary(key, L"Text").has_value()) << "a string is not read as binary";
  EXPECT_FALSE(RegValueType(key, L"Missing").has_value());
  EXPECT_TRUE(DeleteRegTree(L"SOFTWARE\\VelmoraHarnessCheck"));
  EXPECT_FALSE(ReadRegBinary(key, L"Bin").has_value());
  EXPECT_TRUE(DeleteRegTree(L"SOFTWARE\\VelmoraHarnessCheck")) << "deleting an absent key is no error";
}

TEST(HarnessHotkey, SendInputReachesARegisteredHotkey) {
  // The hotkey belongs to this thread; SendInput goes through the system's input path.
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x51, MOD_CONTROL | MOD_ALT, 'K'));
  ASSERT_TRUE(PressHotkey(MOD_CONTROL | MOD_ALT, 'K'));
  bool got = false;
  const auto deadline = GetTickCount64() + 5000;
  while (!got && GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message == WM_HOTKEY && msg.wParam == 0x51) got = true;
    if (!got) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  UnregisterHotKey(nullptr, 0x51);
  EXPECT_TRUE(got);
}

}  // namespace
}  // namespace velmora::e2e
