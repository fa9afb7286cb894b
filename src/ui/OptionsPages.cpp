// The options dialog's pages: every control, where it sits at 96 DPI, its hint.
#include "ui/OptionsDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "platform/Ports.h"
#include "ui/OptionsLayout.h"
#include "win32/Convert.h"
#include "win32/Dpi.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

using namespace options_layout;

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

}  // namespace velmora
