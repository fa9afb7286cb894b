#pragma once
// Window styles and measures the options dialog's units share.
#include "win32/Win32Api.h"

namespace velmora::options_layout {

inline constexpr wchar_t ClassName[] = L"TAboutForm";
inline constexpr DWORD Style = WS_POPUP | WS_CAPTION;  // a dialog frame, no caption buttons
inline constexpr DWORD ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_TOPMOST;
inline constexpr DWORD Check = BS_AUTOCHECKBOX | WS_TABSTOP;
inline constexpr DWORD Radio = BS_AUTORADIOBUTTON | WS_TABSTOP;
// The page buttons are one group of radio items: arrows switch pages as they go, as tabs do.
inline constexpr DWORD PageButton = BS_AUTORADIOBUTTON | BS_PUSHLIKE | WS_TABSTOP;
// Texts that act when clicked: buttons, so that Tab reaches them and Enter or Space acts.
inline constexpr DWORD TextButton = BS_PUSHBUTTON | BS_LEFT | WS_TABSTOP;
inline constexpr DWORD Text = SS_LEFT | SS_NOPREFIX;
inline constexpr DWORD Wrapped = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;
inline constexpr DWORD Group = BS_GROUPBOX;
// Rows the colour list's drop-down shows at once; it opens below the field.
inline constexpr int VisibleColours = 10;
// The marks list's columns at 96 DPI: program or class, family, the two rules; within
// the list's width less its frame and a scroll bar.
inline constexpr int MarkColumns[] = {102, 84, 46, 46};
// A click in the marks list, acted on once the list is done with it (WM_APP + 1 is the base's).
inline constexpr UINT RuleCellClicked = WM_APP + 2;

}  // namespace velmora::options_layout
