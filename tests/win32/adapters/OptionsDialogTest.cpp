// The options dialog on the real controls: found by caption, clicked and read back.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "win32/Win32Api.h"

#include <commctrl.h>
#include <oleacc.h>

#include <atomic>

#include "app/Win32Ports.h"
#include "hook/MarkTable.h"
#include "settings/OptionsStore.h"
#include "ui/ChangeHotkeyDialog.h"
#include "ui/OptionsDialog.h"
#include "win32/Dpi.h"

namespace velmora {
namespace {

class Host : public OptionsHost {
 public:
  explicit Host(Registry& registry) : registry_(registry) {}
  TOptionsRecord& LiveOptions() override { return live; }
  bool SaveOptions(const TOptionsRecord& o) override {
    return velmora::SaveOptions(o, registry_, nullptr, [this](const TOptionsRecord& saved) { live = saved; });
  }
  bool RegisterHotkey(int, std::uint8_t, std::uint16_t) override { return true; }
  void UnregisterHotkey(int) override {}
  void ShowHotkeyUnavailable(const std::string&) override {}
  std::string AppPath() override { return {}; }
  EventPaths& Paths() override { return paths; }
  std::vector<ClassRecord> Marks() override { return marks; }
  void StoreMarks(const std::vector<ClassRecord>&, const std::vector<ClassRecord>& edited) override { marks = edited; }
  std::vector<OpenWindow> OpenWindows() override { return {}; }
  std::vector<ClassRecord> marks{{"discord.exe|Chrome_WidgetWin", RuleCloseToTray}, {"Notepad", 0}};
  TOptionsRecord live;
  EventPaths paths;

 private:
  Registry& registry_;
};

std::wstring Text(HWND wnd) {
  wchar_t text[128] = {};
  ::GetWindowTextW(wnd, text, 128);
  return text;
}

TEST(OptionsDialogTest, ControlsFoundByCaptionClickedAndReadBack) {
  const HRESULT com = ::CoInitialize(nullptr);  // screen readers' objects travel by COM
  Win32Ports system;
  Host host(system.registry);
  OptionsDialog dialog(UserTexts(system.kernel));
  ChangeHotkeyDialog changeDialog(UserTexts(system.kernel), dialog.Window());
  TChangeHotkey change(changeDialog);
  TAutoRunner autoRunner(system.registry, system.shell);
  TAboutForm form(system.ports, dialog, host, change, autoRunner);
  dialog.Connect(form);
  form.FormCreate();
  HWND wnd = dialog.Window();
  ASSERT_NE(wnd, nullptr);
  form.Velmora1Click();
  ASSERT_TRUE(::IsWindowVisible(wnd));
  RECT client{};
  ::GetClientRect(wnd, &client);
  EXPECT_GE(client.right, ScaleForDpi(OptionsDialog::ClientWidth, WindowDpi(wnd))) << "wider for a wide page bar";
  EXPECT_EQ(client.bottom, ScaleForDpi(OptionsDialog::ClientHeight, WindowDpi(wnd)));
  EXPECT_EQ(Text(wnd), L"Velmora 4.6.3");

  // The controls keep their own types, so the dialog manager and screen readers know them.
  const auto code = [&](ControlId id) { return ::SendMessageW(::GetDlgItem(wnd, id), WM_GETDLGCODE, 0, 0); };
  const auto type = [&](ControlId id) { return ::GetWindowLongW(::GetDlgItem(wnd, id), GWL_STYLE) & BS_TYPEMASK; };
  EXPECT_EQ((std::vector<LRESULT>{type(cbhide), code(cbhide), type(cbstm2), code(cbstm2), code(bclose), code(bhelp)}),
            (std::vector<LRESULT>{BS_AUTOCHECKBOX, DLGC_BUTTON, BS_AUTORADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON,
                                  DLGC_BUTTON | DLGC_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON}));
  // Opened with the focus on the page's first control; an arrow selects as it moves.
  EXPECT_EQ(::GetFocus(), ::GetDlgItem(wnd, cbstm1));
  const auto key = [&](WPARAM vk) {
    MSG msg{::GetFocus(), WM_KEYDOWN, vk, 0, 0, {}};
    if (!dialog.TranslateKeys(msg)) ::IsDialogMessageW(wnd, &msg);
    for (MSG posted{}; ::PeekMessageW(&posted, wnd, 0, 0, PM_REMOVE);) ::DispatchMessageW(&posted);
  };
  key(VK_DOWN);
  EXPECT_EQ(::GetFocus(), ::GetDlgItem(wnd, cbstm2));
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(wnd, cbdynamic))) << "checked, and the page follows";
  key(VK_UP);
  // Tab reads the page (what depends on "hide" is disabled), "帮助", "关闭", the page's
  // button; the default moves with the focus and comes back to "关闭".
  std::vector<LRESULT> walked;
  for (int i = 0; i < 7; ++i, key(VK_TAB)) walked.push_back(::GetDlgCtrlID(::GetFocus()));
  EXPECT_EQ(walked, (std::vector<LRESULT>{cbstm1, cbdoubleclick, cbhide, cbballoon, bhelp, bclose, buttonstm}));
  EXPECT_EQ(code(bclose), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);

  // A track bar is read by the label in front of it, a hotkey's key text with its row's caption.
  const auto nameOf = [](HWND control) {
    IAccessible* object = nullptr;
    VARIANT self{};
    self.vt = VT_I4;  // CHILDID_SELF
    BSTR text = nullptr;
    if (SUCCEEDED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&object))))
      object->get_accName(self, &text), object->Release();
    const std::wstring name = text ? text : L"";
    ::SysFreeString(text);
    return name;
  };
  EXPECT_EQ(nameOf(::GetDlgItem(wnd, hbar)), Text(::GetDlgItem(wnd, htext)));
  ::SetWindowTextW(::GetDlgItem(wnd, lcbshowmenu), L"CTRL + L");
  EXPECT_EQ(nameOf(::GetDlgItem(wnd, lcbshowmenu)), Text(::GetDlgItem(wnd, cbshowmenu)) + L": CTRL + L");

  HWND hide = ::FindWindowExW(wnd, nullptr, L"Button", L"隐藏不活动图标( 将图标放送到菜单中)");
  ASSERT_TRUE(hide && ::IsWindowVisible(hide)) << "page 0 shows the options of mode 0";
  HWND bar = ::GetDlgItem(wnd, hbar);
  EXPECT_FALSE(::IsWindowEnabled(bar));
  ::SendMessageW(hide, BM_CLICK, 0, 0);
  EXPECT_EQ(::SendMessageW(hide, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(::IsWindowEnabled(bar));
  ::SendMessageW(bar, TBM_SETPOS, TRUE, 20);
  ::SendMessageW(wnd, WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(Text(::GetDlgItem(wnd, htext)), L"隐藏于 20 分钟后");

  HWND group = ::FindWindowExW(wnd, nullptr, L"Button", L"将相似的窗口显示为一个图标(组图标)");
  ::SendMessageW(group, BM_CLICK, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(hide)) << "the lower part shows the group options";
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(wnd, gmbar)));
  // "Custom..." opens the chooser only when chosen (here Enter), and a cancelled one gives the colour back.
  HWND colours = ::GetDlgItem(wnd, gcolour);
  const LRESULT before = ::SendMessageW(colours, CB_GETCURSEL, 0, 0);
  std::atomic<int> choosers = 0;
  {
    test::Thread cancel([&] {
      for (int i = 0; i < 150 && choosers == 0; ++i, ::Sleep(20))
        if (HWND c = ::FindWindowW(L"#32770", nullptr); c && ::GetWindow(c, GW_OWNER) == wnd && ::IsWindowVisible(c))
          ++choosers, ::PostMessageW(c, WM_COMMAND, IDCANCEL, 0);
    });
    ::SendMessageW(colours, CB_SETCURSEL, ::SendMessageW(colours, CB_GETCOUNT, 0, 0) - 1, 0);
    ::SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(gcolour, CBN_SELCHANGE), reinterpret_cast<LPARAM>(colours));
    EXPECT_EQ(choosers, 0) << "arrowed onto it: nothing opens";
    ::SetFocus(colours);
    key(VK_RETURN);
  }
  EXPECT_EQ(choosers, 1);
  EXPECT_EQ(::SendMessageW(colours, CB_GETCURSEL, 0, 0), before);
  ::SendMessageW(::FindWindowExW(wnd, nullptr, L"Button", L"杂项(&M)"), BM_CLICK, 0, 0);
  EXPECT_TRUE(::IsWindowVisible(::FindWindowExW(wnd, nullptr, L"Button", L"Excel 窗口")));
  EXPECT_FALSE(::IsWindowVisible(group));

  HWND tips = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
  while (tips && ::GetWindow(tips, GW_OWNER) != wnd) tips = ::FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr);
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 9) << "one tooltip per hint";

  // The marks page: the list filled from the marks and named by its label; Tab
  // reaches it, an arrow selects a row, Space on a rule box gives that row the rule.
  ::SendMessageW(::FindWindowExW(wnd, nullptr, L"Button", L"标记(&K)"), BM_CLICK, 0, 0);
  HWND marks = ::GetDlgItem(wnd, lvmarks);
  const auto cell = [&](int row, int column) {
    wchar_t text[64] = {};
    LVITEMW item{};
    item.iSubItem = column, item.pszText = text, item.cchTextMax = 64;
    ::SendMessageW(marks, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return std::wstring(text);
  };
  EXPECT_EQ(cell(0, 0) + cell(0, 1) + cell(0, 2) + cell(1, 0) + cell(1, 1), L"discord.exeChrome_WidgetWin到托盘Notepad—");
  EXPECT_EQ(nameOf(marks), L"最小化时送往托盘的窗口(W):");
  ::SetFocus(::GetDlgItem(wnd, buttonabout));
  key(VK_TAB);
  EXPECT_EQ(::GetFocus(), marks);
  key(VK_DOWN);
  for (int i = 0; i < 3; ++i) key(VK_TAB);
  ASSERT_EQ(::GetFocus(), ::GetDlgItem(wnd, cbclosetotray));
  for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    MSG space{::GetFocus(), message, VK_SPACE, 0, 0, {}};
    ::IsDialogMessageW(wnd, &space);
  }
  EXPECT_EQ(cell(1, 2), L"到托盘");

  // Apps turned to the dark theme while the dialog is open: its page follows.
  const DWORD dark = 0;
  ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, AppsUseLightTheme, REG_DWORD, &dark, 4), 0);
  ::SendMessageW(wnd, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  ::RegDeleteKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, AppsUseLightTheme);
  ::UpdateWindow(wnd);
  const HDC dc = ::GetDC(wnd);
  EXPECT_EQ(::GetPixel(dc, client.right - 2, client.bottom - 2), RGB(0x20, 0x20, 0x20));
  ::ReleaseDC(wnd, dc);
  EXPECT_EQ(::SendMessageW(marks, LVM_GETBKCOLOR, 0, 0), RGB(0x2B, 0x2B, 0x2B)) << "the list in the dark field";

  ::SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindowVisible(wnd)) << "close requests are refused";
  ::SendMessageW(::FindWindowExW(wnd, nullptr, L"Button", L"关闭"), BM_CLICK, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(wnd));
  const TOptionsRecord stored = LoadOptions(system.registry, nullptr);
  EXPECT_EQ(stored.TrayMode, 2);
  EXPECT_EQ(stored.EveryHideInactive, 1);
  EXPECT_EQ(stored.EveryHideMinutes, 20);
  EXPECT_EQ(host.live.TrayMode, 2) << "applied";
  EXPECT_EQ(host.marks[1], (ClassRecord{"Notepad", RuleCloseToTray})) << "the rule, stored by 关闭";
  if (SUCCEEDED(com)) ::CoUninitialize();
}

// Group and push-like captions keep their room; a label's text, wrapped as it wraps, fits its box.
void ExpectCaptionsFit(HWND wnd, int dpi, const std::string& where) {
  RECT client{}, text{}, at{};
  ::GetClientRect(wnd, &client);
  const ScreenDc dc(::GetDC(nullptr));
  for (HWND child = ::GetWindow(wnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t kind[16] = {};
    ::GetClassNameW(child, kind, 16);
    const LONG style = ::GetWindowLongW(child, GWL_STYLE), group = (style & BS_TYPEMASK) == BS_GROUPBOX;
    const bool label = std::wstring(kind) == L"Static" && (style & SS_TYPEMASK) == SS_LEFT;
    SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(child, WM_GETFONT, 0, 0)));
    ::GetWindowRect(child, &at), ::MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&at), 2);
    text = {0, 0, at.right - at.left, 0};
    ::DrawTextW(dc.get(), Text(child).c_str(), -1, &text, DT_CALCRECT | (label ? DT_WORDBREAK : DT_SINGLELINE));
    const bool fits = label ? text.bottom <= at.bottom - at.top && at.right <= client.right
                    : (!group && (style & BS_PUSHLIKE) == 0) ||
                          (at.left >= 0 && at.right <= client.right &&
                           text.right + 2 * (group ? GroupCaptionRoom(dpi) : PushCaptionRoom(dpi)) <= at.right - at.left);
    EXPECT_TRUE(fits) << where << " " << dpi << " " << FromWide(Text(child), CP_UTF8);
  }
}

TEST(OptionsDialogTest, CaptionsFitTheirControlsInEveryLanguageAndDpi) {
  for (const TextTable* texts : TextTables())
    for (const int dpi : {96, 144}) {
      OptionsDialog dialog(*texts);
      RECT client{40, 30, 800, 600}, at{};
      HWND wnd = dialog.Window();
      ::SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&client));
      EXPECT_TRUE(::GetWindowRect(wnd, &at) && at.left == 40 && at.top == 30) << "where the system suggests";
      ExpectCaptionsFit(wnd, dpi, std::to_string(texts->language));
      // The change dialog, with the longest hotkey caption it shows.
      ChangeHotkeyDialog change(*texts, wnd);
      change.SetText(LabelHK, (*texts)[TextId::HotkeyCloseMinimized]);
      ::SendMessageW(change.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&client));
      ExpectCaptionsFit(change.Window(), dpi, std::to_string(texts->language) + " change");
    }
}

}  // namespace
}  // namespace velmora
