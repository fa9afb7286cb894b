#include "win32/OptionsDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>

#include "platform/Ports.h"
#include "win32/Dpi.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

namespace {

constexpr wchar_t ClassName[] = L"TAboutForm";
constexpr DWORD Style = WS_POPUP | WS_CAPTION;  // a dialog frame, no caption buttons
constexpr DWORD ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_TOPMOST;
constexpr DWORD Check = BS_CHECKBOX | WS_TABSTOP;  // toggled here, so that the rules see the click's result
constexpr DWORD Radio = BS_RADIOBUTTON | WS_TABSTOP;
constexpr DWORD PageButton = BS_CHECKBOX | BS_PUSHLIKE | BS_FLAT | WS_TABSTOP;
constexpr DWORD Text = SS_LEFT | SS_NOPREFIX;
constexpr DWORD Wrapped = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;
constexpr DWORD Group = BS_GROUPBOX;
constexpr DWORD Link = SS_LEFT | SS_NOTIFY | SS_NOPREFIX;
constexpr COLORREF Navy = RGB(0, 0, 128);

// The colour list: TColor values (0x00BBGGRR, system colours 0xFF0000nn) by readable name.
struct NamedColour {
  const wchar_t* name;
  std::uint32_t value;
};
constexpr NamedColour Colours[] = {
    {L"Black", 0x000000}, {L"Maroon", 0x000080}, {L"Green", 0x008000}, {L"Olive", 0x008080},
    {L"Navy", 0x800000}, {L"Purple", 0x800080}, {L"Teal", 0x808000}, {L"Gray", 0x808080},
    {L"Silver", 0xC0C0C0}, {L"Red", 0x0000FF}, {L"Lime", 0x00FF00}, {L"Yellow", 0x00FFFF},
    {L"Blue", 0xFF0000}, {L"Fuchsia", 0xFF00FF}, {L"Aqua", 0xFFFF00}, {L"White", 0xFFFFFF},
    {L"Money Green", 0xC0DCC0}, {L"Sky Blue", 0xF0CAA6}, {L"Cream", 0xF0FBFF}, {L"Medium Gray", 0xA4A0A0},
    {L"Scroll Bar", 0xFF000000}, {L"Desktop", 0xFF000001}, {L"Active Caption", 0xFF000002},
    {L"Inactive Caption", 0xFF000003}, {L"Menu", 0xFF000004}, {L"Window", 0xFF000005},
    {L"Window Frame", 0xFF000006}, {L"Menu Text", 0xFF000007}, {L"Window Text", 0xFF000008},
    {L"Caption Text", 0xFF000009}, {L"Active Border", 0xFF00000A}, {L"Inactive Border", 0xFF00000B},
    {L"Application Workspace", 0xFF00000C}, {L"Highlight", 0xFF00000D}, {L"Highlight Text", 0xFF00000E},
    {L"Button Face", 0xFF00000F}, {L"Button Shadow", 0xFF000010}, {L"Gray Text", 0xFF000011},
    {L"Button Text", 0xFF000012}, {L"Inactive Caption Text", 0xFF000013}, {L"Button Highlight", 0xFF000014},
    {L"3D Dark Shadow", 0xFF000015}, {L"3D Light", 0xFF000016}, {L"Info Text", 0xFF000017},
    {L"Info Background", 0xFF000018},
};
constexpr wchar_t CustomName[] = L"Custom...";

COLORREF Rgb(std::uint32_t colour) {
  return (colour & 0xFF000000u) == 0xFF000000u ? ::GetSysColor(static_cast<int>(colour & 0xFF)) : colour & 0xFFFFFF;
}

}  // namespace

OptionsDialog::OptionsDialog() : white_(::CreateSolidBrush(RGB(255, 255, 255))) {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  ::InitCommonControlsEx(&common);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &DialogControls::WndProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.hIcon = ::LoadIconW(instance, L"MAINICON");
  wc.lpszClassName = ClassName;
  ::RegisterClassExW(&wc);
  hwnd_ = ::CreateWindowExW(ExStyle, ClassName, L"Velmora 4.6.3", Style, 0, 0, 0, 0, nullptr, nullptr, instance,
                            static_cast<DialogControls*>(this));
  if (!hwnd_) return;
  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_,
                               nullptr, instance, nullptr);

  // The frame: tool bar, "帮助" and "关闭".
  const wchar_t* pageCaptions[] = {L"系统托盘(&S)", L"杂项(&M)", L"临时设置(&T)", L"热键(&H)", L"关于(&A)"};
  const ControlId barOrder[] = {buttonstm, buttonmisc, buttontemp, buttonhotkeys, buttonabout};
  const int barLeft[] = {2, 72, 130, 200, 258}, barWidth[] = {68, 56, 68, 56, 57};  // room for the longer captions
  for (int i = 0; i < 5; ++i)
    Add(barOrder[i], L"BUTTON", pageCaptions[i], PageButton, -1, -1, {barLeft[i], 2, barWidth[i], 26});
  Add(bhelp, L"BUTTON", L"帮助", BS_PUSHBUTTON | WS_TABSTOP, -1, -1, {188, 304, 50, 19});
  Add(bclose, L"BUTTON", L"关闭", BS_DEFPUSHBUTTON | WS_TABSTOP, -1, -1, {244, 304, 50, 19});

  // Page 0: tray.
  Add(GroupBox3, L"BUTTON", L" 系统托盘管理 ", Group, TabOptions, -1, {6, 34, 305, 68});
  Add(cbstm1, L"BUTTON", L"在托盘处显示每一个最小化窗口的图标", Radio | WS_GROUP, TabOptions, -1, {14, 50, 290, 16});
  Add(cbstm2, L"BUTTON", L"只显示一个最小化图标", Radio, TabOptions, -1, {14, 66, 290, 16});
  Add(cbstm3, L"BUTTON", L"将相似的窗口显示为一个图标(组图标)", Radio, TabOptions, -1, {14, 82, 290, 16});
  Add(Label7, L"STATIC", L"单击或双击从系统托盘处恢复窗口", Text, TabOptions, 0, {8, 108, 300, 14});
  Add(cbdoubleclick, L"BUTTON", L"双击图标时从托盘恢复", Check | WS_GROUP, TabOptions, 0, {8, 124, 300, 16});
  Add(cbhide, L"BUTTON", L"隐藏不活动图标( 将图标放送到菜单中)", Check, TabOptions, 0, {8, 142, 300, 16});
  Add(hbar, TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_AUTOTICKS | WS_TABSTOP, TabOptions, 0, {8, 160, 170, 26});
  Add(htext, L"STATIC", L"", Text, TabOptions, 0, {182, 166, 126, 14});
  Add(hcbn, L"BUTTON", L"以图标方式显示隐藏窗口的数量", Check, TabOptions, 0, {8, 190, 300, 16});
  Add(gbevery, L"BUTTON", L" 排列菜单方式  ", Group, TabOptions, 0, {8, 210, 300, 42});
  Add(cbevery1, L"BUTTON", L"标题", Radio | WS_GROUP, TabOptions, 0, {16, 228, 70, 16});
  Add(cbevery2, L"BUTTON", L"类型", Radio, TabOptions, 0, {92, 228, 70, 16});
  Add(cbevery3, L"BUTTON", L"最后访问时间", Radio, TabOptions, 0, {168, 228, 136, 16});
  Add(Label9, L"STATIC", L"当你需要更多的托盘空间时，这个选项十分有用．要恢复窗口，只需左击Velmora icon图标并选择窗口标题．",
      Wrapped, TabOptions, 1, {8, 108, 300, 42});
  Add(cbdynamic, L"BUTTON", L"显示最小化窗口图标的数量", Check | WS_GROUP, TabOptions, 1, {8, 152, 300, 16});
  Add(Label10, L"STATIC", L"要关闭一个最小化窗口,右键点击图标并选择程序", Wrapped, TabOptions, 1, {8, 172, 300, 28});
  Add(cbenablerc, L"BUTTON", L"使图标上能点击右键", Check, TabOptions, 1, {8, 202, 300, 16});
  Add(GroupBox2, L"BUTTON", L" 排列菜单方式  ", Group, TabOptions, 1, {8, 222, 300, 42});
  Add(cball1, L"BUTTON", L"标题", Radio | WS_GROUP, TabOptions, 1, {16, 240, 70, 16});
  Add(cball2, L"BUTTON", L"类型", Radio, TabOptions, 1, {92, 240, 70, 16});
  Add(cball3, L"BUTTON", L"最后访问时间", Radio, TabOptions, 1, {168, 240, 136, 16});
  Add(Label5, L"STATIC",
      L"使用下面比较频繁有用的程序 : Internet Explorer, Explorer, Notepad, WordPad要恢复窗口，左键点击组图标并在菜单中选择窗口的标题．",
      Wrapped, TabOptions, 2, {8, 108, 300, 42});
  Add(gdbclick, L"BUTTON", L"双击时恢复未加入组的窗口", Check | WS_GROUP, TabOptions, 2, {8, 152, 300, 16});
  Add(gmbar, TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_AUTOTICKS | WS_TABSTOP, TabOptions, 2, {8, 170, 170, 26});
  Add(gmtext, L"STATIC", L"", Text, TabOptions, 2, {182, 176, 126, 14});
  Add(gcbapply, L"BUTTON", L"在组图标上显示窗口数量", Check, TabOptions, 2, {8, 200, 300, 16});
  Add(gcolour, L"COMBOBOX", L"", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
      TabOptions, 2, {8, 222, 160, 220});
  Add(Label6, L"STATIC", L"标记或数字的颜色", Text, TabOptions, 2, {174, 226, 134, 14});

  // Page 1: miscellaneous.
  Add(cbautorun, L"BUTTON", L"Windows启动时运行Velmora", Check | WS_GROUP, TabMisc, -1, {8, 38, 300, 16});
  Add(llaunch, L"STATIC", L"强烈推荐选择此项.", Text, TabMisc, -1, {26, 56, 282, 14});
  Add(llaunch1, L"STATIC", L"一些程序不能最小化到系统托盘,是因为没有启动Velmora的缘故.", Wrapped, TabMisc, -1,
      {26, 72, 282, 28});
  Add(cbuseminimize, L"BUTTON", L"使用'Minimize to Tray' 选项", Check, TabMisc, -1, {8, 104, 300, 16});
  Add(edititemtext, L"EDIT", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, TabMisc, -1, {26, 122, 200, 20});
  ::SendMessageW(Item(edititemtext), EM_LIMITTEXT, 49, 0);
  Add(cbsplash, L"BUTTON", L"显示启动画面", Check, TabMisc, -1, {8, 148, 300, 16});
  Add(confirmcc, L"BUTTON", L"显示确认关闭窗口对话框", Check, TabMisc, -1, {8, 166, 300, 16});
  Add(Label4, L"STATIC", L"Velmora能处理一些子窗口,如果你不能最小化到托盘,请选择下面的复选框.", Wrapped, TabMisc, -1,
      {10, 192, 296, 28});
  Add(cbconsole, L"BUTTON", L"NT/2000/XP命令提示符", Check, TabMisc, -1, {18, 222, 286, 16});
  Add(cbword, L"BUTTON", L"Word文档窗口", Check, TabMisc, -1, {18, 240, 286, 16});
  Add(cbexcel, L"BUTTON", L"Excel 窗口", Check, TabMisc, -1, {18, 258, 286, 16});

  // Page 2: About.
  Add(lbProduct, L"STATIC", L"Velmora 4.6.3", SS_CENTER | SS_NOPREFIX, TabAbout, -1, {8, 100, 300, 26}, 1);
  Add(lbCompany, L"STATIC", L"访问官方网站", Link | SS_CENTER, TabAbout, -1, {108, 140, 100, 18}, 2);

  // Page 3: title-bar triggers and hotkey row 1.
  Add(Label11, L"STATIC", L"你可以通过下面的设置快速地将窗口最小化到系统托盘(忽略系统按钮)", Wrapped, TabTemp, -1,
      {8, 36, 300, 28});
  Add(gbclick, L"BUTTON", L" 右键点击 ", Group, TabTemp, -1, {6, 66, 305, 64});
  const wchar_t* buttonCaptions[] = {L"最小化按钮", L"最小化/恢复按钮", L"关闭按钮", L"任一按钮", L"无"};
  const ControlId buttonIds[] = {cbbutton1, cbbutton2, cbbutton3, cbbutton4, cbbutton5};
  for (int i = 0; i < 5; ++i)
    Add(buttonIds[i], L"BUTTON", buttonCaptions[i], Radio | (i == 0 ? WS_GROUP : 0), TabTemp, -1,
        {14 + 148 * (i % 2), 82 + 16 * (i / 2), 144, 16});
  Add(GroupBox1, L"BUTTON", L" 点击并保持(你当最小化窗口时)", Group, TabTemp, -1, {6, 134, 305, 48});
  const wchar_t* keyCaptions[] = {L"SHIFT键", L"CONTROL键", L"任一按钮", L"无"};
  const ControlId keyIds[] = {cbkey1, cbkey2, cbkey3, cbkey4};
  for (int i = 0; i < 4; ++i)
    Add(keyIds[i], L"BUTTON", keyCaptions[i], Radio | (i == 0 ? WS_GROUP : 0), TabTemp, -1,
        {14 + 148 * (i % 2), 150 + 16 * (i / 2), 144, 16});

  // Hotkey rows: row 1 on page 3, rows 2 to 6 on page 4.
  const wchar_t* rowCaptions[] = {L"使用热键快速最小化到系统托盘", L"激活Velmora配置面板", L"从系统托盘恢复所有窗口",
                                  L"从系统托盘关闭所有按钮", L"从托盘和任务栏上关闭所有最小化窗口",
                                  L"显示已经列出的最小化窗口列表"};
  for (int t = 0; t < 6; ++t) {
    const int page = t == 0 ? TabTemp : TabHotkeys;
    const int top = t == 0 ? 192 : 40 + 44 * (t - 1);
    Add(HotkeyBoxes[t], L"BUTTON", rowCaptions[t], Check | WS_GROUP, page, -1, {8, top, 300, 16});
    Add(HotkeyLabels[t], L"STATIC", L"", Link, page, -1, {28, top + 18, 280, 14});
  }

  // Hints as tooltips.
  AddTooltip(cbdoubleclick, L"如果你想双击从托盘处恢复窗口，就请选择此项．");
  AddTooltip(cbhide, L"如果你想隐藏不活动图标，请你选择此项．");
  AddTooltip(hcbn, L"如果你想看见最小化窗口数量，请你选择此项．");
  AddTooltip(cbdynamic, L"如果你想知道最小化窗口的数量，请你选择此项");
  AddTooltip(cbenablerc, L"如果你想通过右击菜单的方式来关闭窗口，请选择此项．");
  AddTooltip(gdbclick, L"如果你想通过双击来恢复窗口，请选择他．");
  AddTooltip(gcbapply, L"如果你想知道最小化窗口的数量，请你选择此项．");
  AddTooltip(confirmcc, L"显示配置对话框");
  AddTooltip(cbconsole, L"5秒后命令提示符窗口将最小化到托盘.");

  ::SendMessageW(Item(hbar), TBM_SETRANGE, TRUE, MAKELPARAM(5, 60));
  ::SendMessageW(Item(hbar), TBM_SETTICFREQ, 5, 0);
  ::SendMessageW(Item(hbar), TBM_SETPAGESIZE, 0, 10);
  ::SendMessageW(Item(hbar), TBM_SETLINESIZE, 0, 1);
  ::SendMessageW(Item(gmbar), TBM_SETRANGE, TRUE, MAKELPARAM(1, 10));
  ::SendMessageW(Item(gmbar), TBM_SETTICFREQ, 1, 0);
  FillColours();
  Layout(WindowDpi(hwnd_));
}

OptionsDialog::~OptionsDialog() { DestroyDialog(); }

HWND OptionsDialog::Add(ControlId id, const wchar_t* kind, const wchar_t* text, DWORD style, int page, int subPage,
                        RECT at, int fontKind) {
  placed_.push_back({id, page, subPage, at, fontKind});
  return ::CreateWindowExW(0, kind, text, WS_CHILD | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

void OptionsDialog::AddTooltip(ControlId id, const wchar_t* hint) {
  if (!tooltip_) return;
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
  tool.lpszText = const_cast<wchar_t*>(hint);
  ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void OptionsDialog::FillColours() {
  HWND list = Item(gcolour);
  for (const NamedColour& colour : Colours) {
    const auto at = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(colour.name));
    ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), colour.value);
  }
  const auto at = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CustomName));
  ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), 0);
}

void OptionsDialog::Layout(int dpi) {
  font_ = DialogFont(dpi, 8);
  bold_ = DialogFont(dpi, 12, true);
  link_ = DialogFont(dpi, 8);
  linkHoverFont_ = DialogFont(dpi, 8, false, true);
  for (const Placed& p : placed_)
    PlaceScaled(p.id, p.at, dpi, p.fontKind == 1 ? bold_.get() : p.fontKind == 2 ? link_.get() : font_.get());
  ::SendMessageW(Item(gcolour), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), ScaleForDpi(16, dpi));
  ::SendMessageW(Item(gcolour), CB_SETITEMHEIGHT, 0, ScaleForDpi(16, dpi));
  SizeClient(ClientWidth, ClientHeight, dpi);
  linkHover_ = false;
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void OptionsDialog::ShowPages() {
  for (const Placed& p : placed_) {
    const bool shown = p.page < 0 || (p.page == page_ && (p.subPage < 0 || p.subPage == subPage_));
    ::ShowWindow(Item(p.id), shown ? SW_SHOWNA : SW_HIDE);
  }
}

std::int64_t OptionsDialog::GetPosition(ControlId id) {
  if (id == pgc) return page_;
  if (id == pctm) return subPage_;
  if (id == gcolour) {
    const auto at = ::SendMessageW(Item(gcolour), CB_GETCURSEL, 0, 0);
    if (at < 0) return 0;
    return static_cast<std::int32_t>(::SendMessageW(Item(gcolour), CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
  }
  return DialogControls::GetPosition(id);
}

void OptionsDialog::SetPosition(ControlId id, std::int64_t position) {
  if (id == pgc || id == pctm) {
    (id == pgc ? page_ : subPage_) = static_cast<int>(position);
    ShowPages();
    return;
  }
  if (id != gcolour) return DialogControls::SetPosition(id, position);
  HWND list = Item(gcolour);
  const auto value = static_cast<std::uint32_t>(position);
  const auto count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i + 1 < count; ++i) {
    if (static_cast<std::uint32_t>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == value) {
      ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
  // Not a named colour: the custom entry holds it.
  ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(count - 1), value);
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
}

void OptionsDialog::ShowWindow(bool visible) {
  if (visible && !::IsWindowVisible(hwnd_)) {
    Layout(WindowDpi(hwnd_));
    Centre();
  }
  DialogControls::ShowWindow(visible);
}

void OptionsDialog::ChooseCustomColour() {
  HWND list = Item(gcolour);
  const auto custom = ::SendMessageW(list, CB_GETCOUNT, 0, 0) - 1;
  CHOOSECOLORW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = hwnd_;
  choose.rgbResult = Rgb(static_cast<std::uint32_t>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(custom), 0)));
  choose.lpCustColors = custom_;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (::ChooseColorW(&choose)) ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(custom), choose.rgbResult);
  ::InvalidateRect(list, nullptr, TRUE);
}

void OptionsDialog::SetLinkHover(bool over) {
  if (over == linkHover_) return;
  linkHover_ = over;
  ::SendMessageW(Item(lbCompany), WM_SETFONT, reinterpret_cast<WPARAM>(over ? linkHoverFont_.get() : link_.get()),
                 TRUE);
}

LRESULT OptionsDialog::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      const auto id = static_cast<ControlId>(LOWORD(wParam));
      const UINT code = HIWORD(wParam);
      HWND item = reinterpret_cast<HWND>(lParam);
      if (!logic_ || !item) return 0;  // IDOK/IDCANCEL of the dialog manager: Enter presses "关闭" itself
      if (id == gcolour) {
        const auto at = ::SendMessageW(item, CB_GETCURSEL, 0, 0);
        if (code == CBN_SELCHANGE && at == ::SendMessageW(item, CB_GETCOUNT, 0, 0) - 1) ChooseCustomColour();
        return 0;
      }
      const bool clicked = code == BN_CLICKED || (code == STN_CLICKED && (id == lbCompany || id >= lcbminimize));
      if (!clicked) return 0;
      // Check boxes, radio items and page buttons change on the click, as the controls of the form do.
      const LONG_PTR type = ::GetWindowLongPtrW(item, GWL_STYLE) & BS_TYPEMASK;
      if (code == BN_CLICKED && (type == BS_CHECKBOX || type == BS_RADIOBUTTON)) SetChecked(id, !IsChecked(id));
      logic_->OnClick(id);
      return 0;
    }
    case WM_HSCROLL:
      if (logic_ && lParam) logic_->OnTrackBar(static_cast<ControlId>(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(bclose, DC_HASDEFID);
    case WM_SETCURSOR: {
      HWND over = reinterpret_cast<HWND>(wParam);
      const ControlId id = over == hwnd_ ? 0 : ::GetDlgCtrlID(over);
      SetLinkHover(id == lbCompany);
      if (id == lbCompany || (id >= lcbminimize && id <= lcbshowmenu && ::IsWindowEnabled(over))) {
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
        return TRUE;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, RGB(255, 255, 255));
      if (reinterpret_cast<HWND>(lParam) == Item(lbCompany)) ::SetTextColor(dc, Navy);
      return reinterpret_cast<LRESULT>(white_.get());
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType != ODT_COMBOBOX) break;
      measure->itemHeight = static_cast<UINT>(ScaleForDpi(16, WindowDpi(hwnd_)));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (draw->CtlType != ODT_COMBOBOX || draw->itemID == static_cast<UINT>(-1)) break;
      const bool selected = (draw->itemState & ODS_SELECTED) != 0;
      ::FillRect(draw->hDC, &draw->rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
      const int pad = 2, swatch = draw->rcItem.bottom - draw->rcItem.top - 2 * pad;
      RECT box{draw->rcItem.left + pad, draw->rcItem.top + pad, draw->rcItem.left + pad + swatch * 2,
               draw->rcItem.bottom - pad};
      const UniqueBrush fill(::CreateSolidBrush(Rgb(static_cast<std::uint32_t>(draw->itemData))));
      ::FillRect(draw->hDC, &box, fill.get());
      ::FrameRect(draw->hDC, &box, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
      wchar_t name[64] = {};
      ::SendMessageW(draw->hwndItem, CB_GETLBTEXT, draw->itemID, reinterpret_cast<LPARAM>(name));
      RECT text = draw->rcItem;
      text.left = box.right + 2 * pad;
      ::SetBkMode(draw->hDC, TRANSPARENT);
      ::SetTextColor(draw->hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      ::DrawTextW(draw->hDC, name, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      return TRUE;
    }
    case WM_CLOSE:
      if (logic_ && !logic_->FormCloseQuery()) return 0;  // Alt+F4 and the like leave it open
      break;
    case WM_DPICHANGED:
      Layout(HIWORD(wParam));
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace velmora
