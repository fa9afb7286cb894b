#include "win32/OptionsDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "platform/Ports.h"
#include "win32/Convert.h"
#include "win32/Dpi.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

namespace {

constexpr wchar_t ClassName[] = L"TAboutForm";
constexpr DWORD Style = WS_POPUP | WS_CAPTION;  // a dialog frame, no caption buttons
constexpr DWORD ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_TOPMOST;
constexpr DWORD Check = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD Radio = BS_AUTORADIOBUTTON | WS_TABSTOP;
// The page buttons are one group of radio items: arrows switch pages as they go, as tabs do.
constexpr DWORD PageButton = BS_AUTORADIOBUTTON | BS_PUSHLIKE | WS_TABSTOP;
// Texts that act when clicked: buttons, so that Tab reaches them and Enter or Space acts.
constexpr DWORD TextButton = BS_PUSHBUTTON | BS_LEFT | WS_TABSTOP;
constexpr DWORD Text = SS_LEFT | SS_NOPREFIX;
constexpr DWORD Wrapped = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;
constexpr DWORD Group = BS_GROUPBOX;
// Rows the colour list's drop-down shows at once; it opens below the field.
constexpr int VisibleColours = 10;
// The marks list's columns at 96 DPI: program or class, family, the two rules; within
// the list's width less its frame and a scroll bar.
constexpr int MarkColumns[] = {102, 84, 46, 46};
// A click in the marks list, acted on once the list is done with it (WM_APP + 1 is the base's).
constexpr UINT RuleCellClicked = WM_APP + 2;

// The colour list: TColor values (0x00BBGGRR, system colours 0xFF0000nn), named from
// TextId::ColourBlack on in this order; a last entry, TextId::ColourCustom, holds any other.
constexpr std::uint32_t Colours[] = {
    0x000000,   0x000080,   0x008000,   0x008080,   0x800000,   0x800080,   0x808000,   0x808080,
    0xC0C0C0,   0x0000FF,   0x00FF00,   0x00FFFF,   0xFF0000,   0xFF00FF,   0xFFFF00,   0xFFFFFF,
    0xC0DCC0,   0xF0CAA6,   0xF0FBFF,   0xA4A0A0,   0xFF000000, 0xFF000001, 0xFF000002, 0xFF000003,
    0xFF000004, 0xFF000005, 0xFF000006, 0xFF000007, 0xFF000008, 0xFF000009, 0xFF00000A, 0xFF00000B,
    0xFF00000C, 0xFF00000D, 0xFF00000E, 0xFF00000F, 0xFF000010, 0xFF000011, 0xFF000012, 0xFF000013,
    0xFF000014, 0xFF000015, 0xFF000016, 0xFF000017, 0xFF000018,
};
static_assert(static_cast<std::size_t>(TextId::ColourCustom) - static_cast<std::size_t>(TextId::ColourBlack) ==
              std::size(Colours));

COLORREF Rgb(std::uint32_t colour) {
  return (colour & 0xFF000000u) == 0xFF000000u ? ::GetSysColor(static_cast<int>(colour & 0xFF)) : colour & 0xFFFFFF;
}

}  // namespace

OptionsDialog::OptionsDialog(const TextTable& texts) : texts_(texts) {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&common);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &DialogControls::WndProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hIcon = ::LoadIconW(instance, L"MAINICON");
  wc.lpszClassName = ClassName;
  ::RegisterClassExW(&wc);
  hwnd_ = ::CreateWindowExW(ExStyle, ClassName, L"Velmora 4.6.3", Style, 0, 0, 0, 0, nullptr, nullptr, instance,
                            static_cast<DialogControls*>(this));
  if (!hwnd_) return;
  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_,
                               nullptr, instance, nullptr);

  using enum TextId;
  const TextTable& text = texts_;
  // The frame: tool bar, "帮助" and "关闭".
  const TextId pageCaptions[] = {PageTray, PageMisc, PageTriggers, PageHotkeys, PageMarks, PageAbout};
  const ControlId barOrder[] = {buttonstm, buttonmisc, buttontemp, buttonhotkeys, buttonmarks, buttonabout};
  // Placed evenly here; Layout fits each to its caption.
  const int barLeft[] = {2, 54, 106, 158, 210, 262}, barWidth[] = {51, 51, 51, 51, 51, 51};
  // Created in reading order, which is the tab order: the bar, the page, then "帮助" and "关闭".
  for (int i = 0; i < PageCount; ++i)
    Add(barOrder[i], L"BUTTON", text[pageCaptions[i]], PageButton | (i == 0 ? WS_GROUP : 0), -1, -1,
        {barLeft[i], 2, barWidth[i], 26});

  // Page 0: tray. A label stands right before the control it names, for screen readers.
  Add(GroupBox3, L"BUTTON", text[TrayGroup], Group | WS_GROUP, TabOptions, -1, {6, 34, 305, 68});
  Add(cbstm1, L"BUTTON", text[TrayEvery], Radio | WS_GROUP, TabOptions, -1, {14, 50, 290, 16});
  Add(cbstm2, L"BUTTON", text[TrayAll], Radio, TabOptions, -1, {14, 66, 290, 16});
  Add(cbstm3, L"BUTTON", text[TrayGroups], Radio, TabOptions, -1, {14, 82, 290, 16});
  Add(Label7, L"STATIC", text[EveryLabel], Text | WS_GROUP, TabOptions, 0, {8, 108, 300, 14});
  Add(cbdoubleclick, L"BUTTON", text[EveryDoubleClick], Check | WS_GROUP, TabOptions, 0, {8, 124, 300, 16});
  Add(cbhide, L"BUTTON", text[EveryHide], Check, TabOptions, 0, {8, 142, 300, 16});
  Add(htext, L"STATIC", "", Text, TabOptions, 0, {182, 166, 126, 14});
  Add(hbar, TRACKBAR_CLASSW, "", TBS_HORZ | TBS_AUTOTICKS | WS_TABSTOP, TabOptions, 0, {8, 160, 170, 26});
  Add(hcbn, L"BUTTON", text[EveryShowCount], Check, TabOptions, 0, {8, 190, 300, 16});
  Add(gbevery, L"BUTTON", text[MenuOrderGroup], Group, TabOptions, 0, {8, 210, 300, 42});
  Add(cbevery1, L"BUTTON", text[OrderTitle], Radio | WS_GROUP, TabOptions, 0, {16, 228, 70, 16});
  Add(cbevery2, L"BUTTON", text[OrderType], Radio, TabOptions, 0, {92, 228, 70, 16});
  Add(cbevery3, L"BUTTON", text[OrderLastAccess], Radio, TabOptions, 0, {168, 228, 136, 16});
  Add(Label9, L"STATIC", text[AllLabel], Wrapped | WS_GROUP, TabOptions, 1, {8, 108, 300, 42});
  Add(cbdynamic, L"BUTTON", text[AllShowCount], Check | WS_GROUP, TabOptions, 1, {8, 152, 300, 16});
  Add(Label10, L"STATIC", text[AllCloseLabel], Wrapped, TabOptions, 1, {8, 172, 300, 28});
  Add(cbenablerc, L"BUTTON", text[AllRightClick], Check, TabOptions, 1, {8, 202, 300, 16});
  Add(GroupBox2, L"BUTTON", text[MenuOrderGroup], Group, TabOptions, 1, {8, 222, 300, 42});
  Add(cball1, L"BUTTON", text[OrderTitle], Radio | WS_GROUP, TabOptions, 1, {16, 240, 70, 16});
  Add(cball2, L"BUTTON", text[OrderType], Radio, TabOptions, 1, {92, 240, 70, 16});
  Add(cball3, L"BUTTON", text[OrderLastAccess], Radio, TabOptions, 1, {168, 240, 136, 16});
  Add(Label5, L"STATIC", text[GroupsLabel], Wrapped | WS_GROUP, TabOptions, 2, {8, 108, 300, 42});
  Add(gdbclick, L"BUTTON", text[GroupsDoubleClick], Check | WS_GROUP, TabOptions, 2, {8, 152, 300, 16});
  Add(gmtext, L"STATIC", "", Text, TabOptions, 2, {182, 176, 126, 14});
  Add(gmbar, TRACKBAR_CLASSW, "", TBS_HORZ | TBS_AUTOTICKS | WS_TABSTOP, TabOptions, 2, {8, 170, 170, 26});
  Add(gcbapply, L"BUTTON", text[GroupsShowCount], Check, TabOptions, 2, {8, 200, 300, 16});
  Add(Label6, L"STATIC", text[GroupsColour], Text, TabOptions, 2, {174, 226, 134, 14});
  Add(gcolour, L"COMBOBOX", "", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
      TabOptions, 2, {8, 222, 160, 22 + 16 * VisibleColours});
  Add(cbballoon, L"BUTTON", text[OptionAttentionBalloon], Check | WS_GROUP, TabOptions, -1, {8, 272, 300, 16});

  // Page 1: miscellaneous.
  Add(cbautorun, L"BUTTON", text[RunAtLogin], Check | WS_GROUP, TabMisc, -1, {8, 38, 300, 16});
  Add(llaunch, L"STATIC", text[RunRecommended], Text, TabMisc, -1, {26, 56, 282, 14});
  Add(llaunch1, L"STATIC", text[RunWhy], Wrapped, TabMisc, -1, {26, 72, 282, 28});
  Add(cbuseminimize, L"BUTTON", text[UseMenuItem], Check, TabMisc, -1, {8, 104, 300, 16});
  Add(edititemtext, L"EDIT", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, TabMisc, -1, {26, 122, 200, 20});
  ::SendMessageW(Item(edititemtext), EM_LIMITTEXT, MenuItemTextMax, 0);  // and no more bytes than stored
  Add(cbsplash, L"BUTTON", text[ShowSplash], Check, TabMisc, -1, {8, 148, 300, 16});
  Add(confirmcc, L"BUTTON", text[ConfirmClose], Check, TabMisc, -1, {8, 166, 300, 16});
  Add(Label4, L"STATIC", text[ChildWindowsLabel], Wrapped, TabMisc, -1, {10, 192, 296, 28});
  Add(cbconsole, L"BUTTON", text[HandleConsole], Check, TabMisc, -1, {18, 222, 286, 16});
  Add(cbword, L"BUTTON", text[HandleWord], Check, TabMisc, -1, {18, 240, 286, 16});
  Add(cbexcel, L"BUTTON", text[HandleExcel], Check, TabMisc, -1, {18, 258, 286, 16});

  // Page 2: About.
  Add(lbProduct, L"STATIC", AppTitle, SS_CENTER | SS_NOPREFIX, TabAbout, -1, {8, 100, 300, 26}, 1);
  Add(lbCompany, L"BUTTON", text[VisitWebsite], BS_PUSHBUTTON | BS_CENTER | WS_TABSTOP, TabAbout, -1,
      {98, 140, 120, 18}, 2);

  // Page 3: title-bar triggers and hotkey row 1.
  Add(Label11, L"STATIC", text[TriggersLabel], Wrapped, TabTemp, -1, {8, 36, 300, 28});
  Add(gbclick, L"BUTTON", text[RightClickGroup], Group, TabTemp, -1, {6, 66, 305, 66});
  const TextId buttonCaptions[] = {ButtonMinimize, ButtonMaximize, ButtonCloseBox, ButtonAny, ButtonNone};
  const ControlId buttonIds[] = {cbbutton1, cbbutton2, cbbutton3, cbbutton4, cbbutton5};
  for (int i = 0; i < 5; ++i)
    Add(buttonIds[i], L"BUTTON", text[buttonCaptions[i]], Radio | (i == 0 ? WS_GROUP : 0), TabTemp, -1,
        {14 + 148 * (i % 2), 82 + 16 * (i / 2), 144, 16});
  Add(GroupBox1, L"BUTTON", text[HoldKeyGroup], Group | WS_GROUP, TabTemp, -1, {6, 134, 305, 50});
  const TextId keyCaptions[] = {KeyShift, KeyControl, KeyAny, KeyNone};
  const ControlId keyIds[] = {cbkey1, cbkey2, cbkey3, cbkey4};
  for (int i = 0; i < 4; ++i)
    Add(keyIds[i], L"BUTTON", text[keyCaptions[i]], Radio | (i == 0 ? WS_GROUP : 0), TabTemp, -1,
        {14 + 148 * (i % 2), 150 + 16 * (i / 2), 144, 16});

  // Hotkey rows: row 1 on page 3, rows 2 to 6 on page 4.
  const TextId rowCaptions[] = {HotkeyMinimize, HotkeyOptions,        HotkeyRestoreAll,
                                HotkeyCloseAll, HotkeyCloseMinimized, HotkeyShowList};
  for (int t = 0; t < 6; ++t) {
    const int page = t == 0 ? TabTemp : TabHotkeys;
    const int top = t == 0 ? 192 : 40 + 44 * (t - 1);
    Add(HotkeyBoxes[t], L"BUTTON", text[rowCaptions[t]], Check | WS_GROUP, page, -1, {8, top, 300, 16});
    Add(HotkeyLabels[t], L"BUTTON", "", TextButton, page, -1, {28, top + 18, 280, 14});
    textControls_.push_back(HotkeyLabels[t]);
    NameByLabel(HotkeyLabels[t], HotkeyBoxes[t]);
  }
  // Page 5: marks. The label names the list (and takes the focus to it by its
  // mnemonic); the rule boxes act on the selected row.
  Add(lmarks, L"STATIC", text[MarksLabel], SS_LEFT | WS_GROUP, TabMarks, -1, {8, 36, 300, 14});
  Add(lvmarks, WC_LISTVIEWW, "",
      LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP | WS_GROUP, TabMarks,
      -1, {8, 52, 300, 160});
  Add(bmarkadd, L"BUTTON", text[MarkAdd], BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, TabMarks, -1, {8, 216, 70, 19});
  Add(bmarkremove, L"BUTTON", text[MarkRemove], BS_PUSHBUTTON | WS_TABSTOP, TabMarks, -1, {84, 216, 70, 19});
  Add(gbrules, L"BUTTON", text[MarkRulesGroup], Group | WS_GROUP, TabMarks, -1, {6, 240, 305, 56});
  Add(cbclosetotray, L"BUTTON", text[MarkCloseToTray], Check | WS_GROUP, TabMarks, -1, {14, 256, 290, 16});
  Add(cbhideonopen, L"BUTTON", text[MarkHideOnOpen], Check, TabMarks, -1, {14, 274, 290, 16});
  HWND marks = Item(lvmarks);
  ::SendMessageW(marks, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
  const TextId columns[] = {MarkColumnName, MarkColumnFamily, MarkColumnClose, MarkColumnOpen};
  for (int i = 0; i < 4; ++i) {
    std::wstring caption = ToWide(text[columns[i]], CP_UTF8);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = MarkColumns[i];
    column.pszText = caption.data();
    column.iSubItem = i;
    ::SendMessageW(marks, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
  ::SetWindowSubclass(marks, &OptionsDialog::MarksListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  NameByLabel(lvmarks, lmarks);

  Add(bhelp, L"BUTTON", text[ButtonHelp], BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, -1, -1, {188, 304, 50, 19});
  Add(bclose, L"BUTTON", text[ButtonClose], BS_DEFPUSHBUTTON | WS_TABSTOP, -1, -1, {244, 304, 50, 19});

  // Hints as tooltips.
  AddTooltip(cbdoubleclick, text[TipDoubleClick]);
  AddTooltip(cbhide, text[TipHide]);
  AddTooltip(hcbn, text[TipShowHiddenCount]);
  AddTooltip(cbdynamic, text[TipShowCount]);
  AddTooltip(cbenablerc, text[TipRightClick]);
  AddTooltip(gdbclick, text[TipGroupDoubleClick]);
  AddTooltip(gcbapply, text[TipGroupCount]);
  AddTooltip(confirmcc, text[TipConfirmClose]);
  AddTooltip(cbconsole, text[TipConsole]);

  ::SendMessageW(Item(hbar), TBM_SETRANGE, TRUE, MAKELPARAM(5, 60));
  ::SendMessageW(Item(hbar), TBM_SETTICFREQ, 5, 0);
  ::SendMessageW(Item(hbar), TBM_SETPAGESIZE, 0, 10);
  ::SendMessageW(Item(hbar), TBM_SETLINESIZE, 0, 1);
  ::SendMessageW(Item(gmbar), TBM_SETRANGE, TRUE, MAKELPARAM(1, 10));
  ::SendMessageW(Item(gmbar), TBM_SETTICFREQ, 1, 0);
  FillColours();
  ::SendMessageW(Item(gcolour), CB_SETMINVISIBLE, VisibleColours, 0);
  NameByLabel(hbar, htext);
  NameByLabel(gmbar, gmtext);
  NameByLabel(gcolour, Label6);
  NameByLabel(edititemtext, cbuseminimize);
  ::SetWindowSubclass(Item(gcolour), &OptionsDialog::ColourListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  linkControl_ = lbCompany;
  DrawControlsInPalette();
  Layout(WindowDpi(hwnd_));
}

OptionsDialog::~OptionsDialog() { DestroyDialog(); }

HWND OptionsDialog::Add(ControlId id, const wchar_t* kind, std::string_view text, DWORD style, int page, int subPage,
                        RECT at, int fontKind) {
  placed_.push_back({id, page, subPage, at, fontKind});
  return ::CreateWindowExW(0, kind, ToWide(text, CP_UTF8).c_str(), WS_CHILD | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

void OptionsDialog::AddTooltip(ControlId id, std::string_view hint) {
  if (!tooltip_) return;
  std::wstring text = ToWide(hint, CP_UTF8);  // the control keeps a copy
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
  tool.lpszText = text.data();
  ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void OptionsDialog::FillColours() {
  HWND list = Item(gcolour);
  auto add = [&](TextId name, std::uint32_t value) {
    const std::wstring caption = ToWide(texts_[name], CP_UTF8);
    const auto at = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), value);
  };
  for (std::size_t i = 0; i < std::size(Colours); ++i)
    add(static_cast<TextId>(static_cast<std::size_t>(TextId::ColourBlack) + i), Colours[i]);
  add(TextId::ColourCustom, 0);
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
  for (int i = 0; i < 4; ++i)
    ::SendMessageW(Item(lvmarks), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), ScaleForDpi(MarkColumns[i], dpi));
  FitPageBar(dpi);
  SizeClient(ClientWidth, ClientHeight, dpi);
  linkHover_ = false;
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void OptionsDialog::FitPageBar(int dpi) {
  // Each page button as wide as its caption in this language and at this DPI,
  // the room left shared out evenly, so that no caption is ever cut.
  const ScreenDc dc(::GetDC(hwnd_));
  if (!dc) return;
  SelectGuard font(dc.get(), font_.get());
  int widths[PageCount] = {}, sum = 0;
  for (int i = 0; i < PageCount; ++i) {
    wchar_t caption[64] = {};
    ::GetWindowTextW(Item(PageButtons[i]), caption, 64);
    RECT r{};
    ::DrawTextW(dc.get(), caption, -1, &r, DT_CALCRECT | DT_SINGLELINE);
    sum += widths[i] = r.right - r.left;
  }
  const int gap = ScaleForDpi(1, dpi), room = ScaleForDpi(ClientWidth - 4, dpi) - gap * (PageCount - 1);
  const int spare = std::max(0, room - sum);
  // In reading order: the tool bar shows them as the tab order visits them.
  const ControlId order[] = {buttonstm, buttonmisc, buttontemp, buttonhotkeys, buttonmarks, buttonabout};
  int left = ScaleForDpi(2, dpi);
  for (int i = 0; i < PageCount; ++i) {
    const int at = static_cast<int>(std::find(PageButtons, PageButtons + PageCount, order[i]) - PageButtons);
    const int width = i + 1 == PageCount ? ScaleForDpi(ClientWidth - 2, dpi) - left : widths[at] + spare / PageCount;
    ::MoveWindow(Item(order[i]), left, ScaleForDpi(2, dpi), width, ScaleForDpi(26, dpi), FALSE);
    left += width + gap;
  }
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
  if (id == lvmarks) return ::SendMessageW(Item(lvmarks), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
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
  if (id == lvmarks) {
    HWND list = Item(lvmarks);
    filling_ = true;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (position >= 0 && ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(position),
                                        reinterpret_cast<LPARAM>(&state)))
      ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(position), FALSE);
    filling_ = false;
    return;
  }
  if (id != gcolour) return DialogControls::SetPosition(id, position);
  HWND list = Item(gcolour);
  const auto value = static_cast<std::uint32_t>(position);
  const auto count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i + 1 < count; ++i) {
    if (static_cast<std::uint32_t>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == value) {
      ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      colourBefore_ = dropStart_ = i;
      return;
    }
  }
  // Not a named colour: the custom entry holds it.
  ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(count - 1), value);
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
  colourBefore_ = dropStart_ = count - 1;
}

void OptionsDialog::SetRows(ControlId id, const std::vector<std::vector<std::string>>& rows) {
  HWND list = Item(id);
  filling_ = true;
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (std::size_t cell = 0; cell < rows[row].size(); ++cell) {
      std::wstring text = TextToWide(rows[row][cell]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(row);
      item.iSubItem = static_cast<int>(cell);
      item.pszText = text.data();
      if (cell == 0)
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      else
        ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    }
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  filling_ = false;
}

bool OptionsDialog::GetMenuPoint(ControlId id, int& x, int& y) {
  RECT r{};
  if (!::GetWindowRect(Item(id), &r)) return false;
  x = r.left;
  y = r.bottom;
  return true;
}

Hwnd OptionsDialog::DialogWindow() { return FromHwnd(hwnd_); }

LRESULT OptionsDialog::DrawMarkRow(NMLVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if ((draw.nmcd.dwDrawStage & CDDS_ITEMPREPAINT) != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  // The selected row in the palette's highlight, also while the list has no focus.
  HWND list = draw.nmcd.hdr.hwndFrom;
  const auto row = static_cast<WPARAM>(draw.nmcd.dwItemSpec);
  const bool selected = ::SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0;
  draw.clrText = selected ? colours().highlightText : colours().fieldText;
  draw.clrTextBk = selected ? colours().highlight : colours().field;
  draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
  if ((draw.nmcd.dwDrawStage & CDDS_SUBITEM) == 0) return CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW;
  if (RuleBoxOfColumn(draw.iSubItem) == 0) return CDRF_NEWFONT;
  // A rule's cell shows a check box; its text ("to tray" or none) stays for screen readers.
  RECT cell{};
  cell.top = draw.iSubItem;
  cell.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  wchar_t text[8] = {};
  LVITEMW item{};
  item.iSubItem = draw.iSubItem;
  item.pszText = text;
  item.cchTextMax = 8;
  ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  FillSolid(draw.nmcd.hdc, cell, draw.clrTextBk);
  DrawCheckSquare(draw.nmcd.hdc, cell, text[0] != 0, false, false, colours(), WindowDpi(hwnd_));
  return CDRF_SKIPDEFAULT;
}

ControlId OptionsDialog::RuleBoxOfColumn(int column) {
  return column == 2 ? cbclosetotray : column == 3 ? cbhideonopen : 0;
}

void OptionsDialog::ClickRuleCell(POINT at) {
  // As a click on the rule's own box below, for the selected row only.
  LVHITTESTINFO hit{};
  hit.pt = at;
  HWND list = Item(lvmarks);
  if (::SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0) return;
  const ControlId id = RuleBoxOfColumn(hit.iSubItem);
  if (!logic_ || id == 0 || ::SendMessageW(list, LVM_GETITEMSTATE, hit.iItem, LVIS_SELECTED) == 0 ||
      !IsEnabled(id))
    return;
  SetChecked(id, !IsChecked(id));
  logic_->OnClick(id);
}

LRESULT OptionsDialog::DrawMarksHeader(const NMCUSTOMDRAW& draw) const {
  if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
  HWND header = draw.hdr.hwndFrom;
  const PaletteColours& c = colours();
  const int dpi = WindowDpi(hwnd_);
  RECT r = draw.rc;
  if (draw.dwDrawStage == CDDS_POSTPAINT) {
    // Past the last column, where the header would show the system's face.
    RECT client{}, last{};
    ::GetClientRect(header, &client);
    const auto count = ::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0);
    if (count > 0) ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last));
    r = {last.right, client.top, client.right, client.bottom};
    if (r.left < r.right) {
      FillSolid(draw.hdc, r, c.face);
      FillSolid(draw.hdc, {r.left, r.bottom - 1, r.right, r.bottom}, c.line);
    }
    return CDRF_DODEFAULT;
  }
  if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  wchar_t caption[64] = {};
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = caption;
  item.cchTextMax = 64;
  ::SendMessageW(header, HDM_GETITEMW, draw.dwItemSpec, reinterpret_cast<LPARAM>(&item));
  FillSolid(draw.hdc, r, c.face);
  FillSolid(draw.hdc, {r.right - 1, r.top, r.right, r.bottom}, c.line);
  FillSolid(draw.hdc, {r.left, r.bottom - 1, r.right, r.bottom}, c.line);
  SelectGuard font(draw.hdc, reinterpret_cast<HGDIOBJ>(::SendMessageW(header, WM_GETFONT, 0, 0)));
  ::SetBkMode(draw.hdc, TRANSPARENT);
  ::SetTextColor(draw.hdc, c.faceText);
  r.left += ScaleForDpi(6, dpi);
  r.right -= ScaleForDpi(2, dpi);
  ::DrawTextW(draw.hdc, caption, -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  return CDRF_SKIPDEFAULT;
}

LRESULT CALLBACK OptionsDialog::MarksListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR self) noexcept {
  // The header's drawing is asked of the list, its parent: answered here, in the palette.
  if (msg == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == NM_CUSTOMDRAW &&
        header->hwndFrom == reinterpret_cast<HWND>(::SendMessageW(wnd, LVM_GETHEADER, 0, 0))) {
      try {
        return reinterpret_cast<const OptionsDialog*>(self)->DrawMarksHeader(
            *reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
      } catch (...) {
        return CDRF_DODEFAULT;
      }
    }
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, &OptionsDialog::MarksListProc, id);
  return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

void OptionsDialog::ShowWindow(bool visible) {
  const bool opening = visible && !::IsWindowVisible(hwnd_);
  if (opening) {
    Layout(WindowDpi(hwnd_));
    Centre();
  }
  DialogControls::ShowWindow(visible);
  if (opening) FocusFirstControl();
}

bool OptionsDialog::IsCustomChosen(LRESULT before) const {
  HWND list = Item(gcolour);
  const auto at = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  return at >= 0 && at != before && at == ::SendMessageW(list, CB_GETCOUNT, 0, 0) - 1;
}

void OptionsDialog::ColourListEvent(UINT code) {
  HWND list = Item(gcolour);
  const auto at = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (code == CBN_DROPDOWN) {
    dropStart_ = at;
  } else if (code == CBN_CLOSEUP) {
    // The last selection notices may follow the close-up: decided once they are in.
    ::PostMessageW(hwnd_, WM_APP, 0, 0);
  } else if (code == CBN_SELCHANGE && !::SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) && !IsCustomChosen(-1)) {
    // Arrows on the closed list: any colour but "Custom...", which acts only when chosen.
    colourBefore_ = at;
  }
}

bool OptionsDialog::PreTranslate(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
  HWND focus = ::GetFocus();
  const ControlId id = focus ? ::GetDlgCtrlID(focus) : 0;
  // Enter on a page button shows its page, as a click does.
  if (std::find(std::begin(PageButtons), std::end(PageButtons), id) != std::end(PageButtons)) {
    ::SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
  }
  // Enter on a closed colour list resting on "Custom..." chooses it.
  if (id == gcolour && !::SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0) && IsCustomChosen(-1)) {
    ChooseCustomColour();
    return true;
  }
  return false;
}

HWND OptionsDialog::FirstControl() const {
  // The page's first control, after the bar of page buttons.
  HWND control = ::GetNextDlgTabItem(hwnd_, Item(buttonabout), FALSE);
  return control && control != Item(bhelp) ? control : DialogControls::FirstControl();
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
  if (::ChooseColorW(&choose)) {
    ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(custom), choose.rgbResult);
    colourBefore_ = custom;
  } else {
    ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(colourBefore_), 0);  // cancelled: as it was
  }
  dropStart_ = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void OptionsDialog::DrawColour(HDC dc, const RECT& area, UINT index, bool selected) const {
  HWND list = Item(gcolour);
  FillSolid(dc, area, selected ? colours().highlight : colours().field);
  const int pad = 2, swatch = area.bottom - area.top - 2 * pad;
  const RECT box{area.left + pad, area.top + pad, area.left + pad + swatch * 2, area.bottom - pad};
  const auto value = static_cast<std::uint32_t>(::SendMessageW(list, CB_GETITEMDATA, index, 0));
  const UniqueBrush fill(::CreateSolidBrush(Rgb(value)));
  FillSolid(dc, box, colours().fieldText);  // the swatch's frame
  const RECT inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  ::FillRect(dc, &inside, fill.get());
  wchar_t name[64] = {};
  if (::SendMessageW(list, CB_GETLBTEXTLEN, index, 0) < 64)
    ::SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name));
  RECT text = area;
  text.left = box.right + 2 * pad;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, selected ? colours().highlightText : colours().fieldText);
  ::DrawTextW(dc, name, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void OptionsDialog::PaintColourList(HDC dc) const {
  HWND list = Item(gcolour);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!::GetComboBoxInfo(list, &info)) return;
  RECT r{};
  ::GetClientRect(list, &r);
  const bool enabled = ::IsWindowEnabled(list) != FALSE, focused = ::GetFocus() == list;
  FillSolid(dc, r, colours().field);
  FrameSolid(dc, r, 1, enabled ? colours().frame : colours().grey);
  // The drop button: the face of a button, an arrow in its text colour.
  RECT button = info.rcButton;
  FillSolid(dc, button, colours().face);
  const int middle = (button.left + button.right) / 2, size = (button.right - button.left) / 4;
  const int top = (button.top + button.bottom - size) / 2;
  const POINT arrow[] = {{middle - size, top}, {middle + size, top}, {middle, top + size}};
  SelectGuard brush(dc, ::GetStockObject(DC_BRUSH));
  SelectGuard pen(dc, ::GetStockObject(DC_PEN));
  ::SetDCBrushColor(dc, enabled ? colours().faceText : colours().grey);
  ::SetDCPenColor(dc, enabled ? colours().faceText : colours().grey);
  ::Polygon(dc, arrow, 3);
  const auto at = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (at < 0) return;
  SelectGuard font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
  RECT item = info.rcItem;
  DrawColour(dc, item, static_cast<UINT>(at), focused);
  const auto ui = ::SendMessageW(list, WM_QUERYUISTATE, 0, 0);
  if (focused && (ui & UISF_HIDEFOCUS) == 0) ::DrawFocusRect(dc, &item);
}

LRESULT CALLBACK OptionsDialog::ColourListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                               DWORD_PTR self) noexcept {
  // The closed list in the palette: field, frame, drop button and the chosen colour.
  if (msg == WM_PAINT) {
    PAINTSTRUCT paint{};
    if (HDC dc = ::BeginPaint(wnd, &paint)) {
      try {
        reinterpret_cast<const OptionsDialog*>(self)->PaintColourList(dc);
      } catch (...) {
      }
      ::EndPaint(wnd, &paint);
    }
    return 0;
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, &OptionsDialog::ColourListProc, id);
  const LRESULT result = ::DefSubclassProc(wnd, msg, wParam, lParam);
  if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS || msg == WM_UPDATEUISTATE || msg == WM_ENABLE)
    ::InvalidateRect(wnd, nullptr, FALSE);
  return result;
}

void OptionsDialog::PaletteChanged(Palette palette) {
  // The marks list in the palette's field colours; its scroll bars and header
  // dark where the system has dark themes for them (Windows 10 on).
  HWND marks = Item(lvmarks);
  ::SendMessageW(marks, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colours().field));
  ::SendMessageW(marks, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(colours().fieldText));
  ::SendMessageW(marks, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colours().field));
  const bool dark = palette == Palette::Dark;
  ::SetWindowTheme(marks, dark ? L"DarkMode_Explorer" : nullptr, nullptr);
  ::SetWindowTheme(reinterpret_cast<HWND>(::SendMessageW(marks, LVM_GETHEADER, 0, 0)),
                   dark ? L"DarkMode_ItemsView" : nullptr, nullptr);
  // Where the system has dark scroll bars and frames (Windows 10 on), the drop-down takes them.
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!::GetComboBoxInfo(Item(gcolour), &info)) return;
  const wchar_t* theme = palette == Palette::Dark ? L"DarkMode_Explorer" : nullptr;
  ::SetWindowTheme(info.hwndList, theme, nullptr);
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
        ColourListEvent(code);
        return 0;
      }
      if (code == EN_CHANGE) {
        const int before = ::GetWindowTextLengthW(item);
        logic_->OnTextChange(id);
        if (::GetWindowTextLengthW(item) < before) ::SendMessageW(item, EM_SETSEL, before, before);  // cut: caret at the end
        return 0;
      }
      // Check boxes and radio items have changed already, as the controls of the form do.
      if (code == BN_CLICKED) logic_->OnClick(id);
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != static_cast<UINT_PTR>(lvmarks)) break;
      if (header->code == NM_CUSTOMDRAW) return DrawMarkRow(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
      if (header->code == NM_CLICK || header->code == NM_DBLCLK) {
        // Acted on once the list has finished with the click: the rows are filled anew.
        const POINT at = reinterpret_cast<const NMITEMACTIVATE*>(lParam)->ptAction;
        ::PostMessageW(hwnd_, RuleCellClicked, 0, MAKELPARAM(at.x, at.y));
        return 0;
      }
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
      // The user moved the selection (arrows, a click): the rule boxes follow it.
      if (header->code == LVN_ITEMCHANGED && logic_ && !filling_ && (change->uChanged & LVIF_STATE) != 0 &&
          ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) != 0)
        logic_->OnSelect(lvmarks);
      return 0;
    }
    case WM_HSCROLL:
      if (logic_ && lParam) logic_->OnTrackBar(static_cast<ControlId>(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(bclose, DC_HASDEFID);
    case RuleCellClicked:
      ClickRuleCell({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_APP:  // the colour list closed up: its choice is final now
      if (IsCustomChosen(dropStart_))
        ChooseCustomColour();
      else if (!IsCustomChosen(-1))
        colourBefore_ = ::SendMessageW(Item(gcolour), CB_GETCURSEL, 0, 0);
      return 0;
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
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType != ODT_COMBOBOX) break;
      measure->itemHeight = static_cast<UINT>(ScaleForDpi(16, WindowDpi(hwnd_)));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (draw->CtlType != ODT_COMBOBOX || draw->itemID == static_cast<UINT>(-1)) break;
      DrawColour(draw->hDC, draw->rcItem, draw->itemID, (draw->itemState & ODS_SELECTED) != 0);
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
