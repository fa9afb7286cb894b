// The texts in English, for every UI language without a table of its own.
#include "text/Texts.h"

namespace velmora {

using enum TextId;

constinit const TextTable EnglishTexts = MakeTextTable(0x09, {
    {MenuOptions, "Options"},
    {MenuHelp, "Help"},
    {MenuExit, "Exit"},
    {MenuClose, "Close"},
    {MenuRestore, "Restore"},
    {ListRestoreAll, "Restore All"},
    {ListCloseAll, "Close All"},
    {GroupRestoreAll, "Restore All Windows in This Group"},
    {GroupCloseAll, "Close All Windows in This Group"},
    {HeadingRestore, "Windows to Restore"},
    {HeadingClose, "Windows to Close"},
    {SystemMinimize, "Mi&nimize"},
    {TipOneWindow, "One minimized window"},
    {TipWindows, "{} minimized windows"},
    {AskCloseWindow, "The following window will be closed:\r{}\rDo you want to continue?"},
    {HotkeyUnavailable, "The hotkey '{}' is not available.\rPlease try another hotkey."},
    {AskCloseMinimized, "All minimized windows will be closed.\rDo you want to continue?"},
    {AskRestart, "Please restart Velmora for the change to take effect."},

    {PageTray, "&System Tray"},
    {PageMisc, "&Miscellaneous"},
    {PageTriggers, "&Triggers"},
    {PageHotkeys, "&Hotkeys"},
    {PageMarks, "Mar&ks"},
    {PageAbout, "&About"},
    {ButtonHelp, "Help"},
    {ButtonClose, "Close"},

    {TrayGroup, " Tray icons "},
    {TrayEvery, "One icon for each minimized window"},
    {TrayAll, "One icon for all minimized windows"},
    {TrayGroups, "One icon for each group of similar windows"},
    {EveryLabel, "Click or double-click an icon to restore its window."},
    {EveryDoubleClick, "Restore with a double-click"},
    {EveryHide, "Hide inactive icons (move them into a menu)"},
    {EveryHideAfter, "Hide after {} minutes"},
    {EveryShowCount, "Show the number of hidden icons"},
    {MenuOrderGroup, " Menu order "},
    {OrderTitle, "Title"},
    {OrderType, "Type"},
    {OrderLastAccess, "Last access"},
    {AllLabel, "Useful when the tray is short of space. To restore a window, click the Velmora icon and choose "
               "the window's title."},
    {AllShowCount, "Show the number of minimized windows on the icon"},
    {AllCloseLabel, "To close a minimized window, right-click the icon and choose the window."},
    {AllRightClick, "Enable the icon's right-click menu"},
    {GroupsLabel, "Useful for programs with many windows, such as Explorer or Notepad. To restore a window, click "
                  "the group icon and choose the window's title."},
    {GroupsDoubleClick, "Restore ungrouped windows with a double-click"},
    {GroupsMinimum, "Minimum group size: {}"},
    {GroupsShowCount, "Show the number of windows on group icons"},
    {GroupsColour, "Color of the count"},

    {RunAtLogin, "Run Velmora when Windows starts"},
    {RunRecommended, "Strongly recommended."},
    {RunWhy, "Some programs can be sent to the tray only if Velmora is running before they start."},
    {UseMenuItem, "Add the 'Minimize to Tray' item to system menus"},
    {ShowSplash, "Show the splash screen at startup"},
    {ConfirmClose, "Confirm before closing a window"},
    {ChildWindowsLabel, "Velmora handles some child windows. If one does not go to the tray, select its type below."},
    {HandleConsole, "Command Prompt windows"},
    {HandleWord, "Word document windows"},
    {HandleExcel, "Excel windows"},

    {VisitWebsite, "Visit the website"},

    {TriggersLabel, "These settings send a window to the tray quickly, bypassing its title-bar buttons."},
    {RightClickGroup, " Send to tray by right-clicking "},
    {ButtonMinimize, "Minimize button"},
    {ButtonMaximize, "Maximize button"},
    {ButtonCloseBox, "Close button"},
    {ButtonAny, "Any button"},
    {ButtonNone, "None"},
    {HoldKeyGroup, " Key held while minimizing "},
    {KeyShift, "Shift key"},
    {KeyControl, "Ctrl key"},
    {KeyAny, "Either key"},
    {KeyNone, "None"},

    {HotkeyMinimize, "Send the active window to the tray"},
    {HotkeyOptions, "Open the Velmora options"},
    {HotkeyRestoreAll, "Restore all windows from the tray"},
    {HotkeyCloseAll, "Close all windows in the tray"},
    {HotkeyCloseMinimized, "Close all minimized windows (tray and taskbar)"},
    {HotkeyShowList, "Show the list of minimized windows"},
    {HotkeyError, "Error!"},

    {TipDoubleClick, "Select this to restore a window with a double-click instead of a single click."},
    {TipHide, "Select this to move the icons of windows hidden for a long time into a menu."},
    {TipShowHiddenCount, "Select this to see how many icons are hidden."},
    {TipShowCount, "Select this to see how many windows are minimized."},
    {TipRightClick, "Select this to close windows from the icon's right-click menu."},
    {TipGroupDoubleClick, "Select this to restore a window with a double-click."},
    {TipGroupCount, "Select this to see how many windows each group holds."},
    {TipConfirmClose, "Select this to be asked before a window is closed from the tray."},
    {TipConsole, "Command Prompt windows go to the tray 5 seconds after they are minimized."},

    {ColourBlack, "Black"}, {ColourMaroon, "Maroon"}, {ColourGreen, "Green"}, {ColourOlive, "Olive"},
    {ColourNavy, "Navy"}, {ColourPurple, "Purple"}, {ColourTeal, "Teal"}, {ColourGray, "Gray"},
    {ColourSilver, "Silver"}, {ColourRed, "Red"}, {ColourLime, "Lime"}, {ColourYellow, "Yellow"},
    {ColourBlue, "Blue"}, {ColourFuchsia, "Fuchsia"}, {ColourAqua, "Aqua"}, {ColourWhite, "White"},
    {ColourMoneyGreen, "Money Green"}, {ColourSkyBlue, "Sky Blue"}, {ColourCream, "Cream"},
    {ColourMediumGray, "Medium Gray"}, {ColourScrollBar, "Scroll Bar"}, {ColourDesktop, "Desktop"},
    {ColourActiveCaption, "Active Caption"}, {ColourInactiveCaption, "Inactive Caption"}, {ColourMenu, "Menu"},
    {ColourWindow, "Window"}, {ColourWindowFrame, "Window Frame"}, {ColourMenuText, "Menu Text"},
    {ColourWindowText, "Window Text"}, {ColourCaptionText, "Caption Text"}, {ColourActiveBorder, "Active Border"},
    {ColourInactiveBorder, "Inactive Border"}, {ColourAppWorkspace, "Application Workspace"},
    {ColourHighlight, "Highlight"}, {ColourHighlightText, "Highlight Text"}, {ColourButtonFace, "Button Face"},
    {ColourButtonShadow, "Button Shadow"}, {ColourGrayText, "Gray Text"}, {ColourButtonText, "Button Text"},
    {ColourInactiveCaptionText, "Inactive Caption Text"}, {ColourButtonHighlight, "Button Highlight"},
    {Colour3DDarkShadow, "3D Dark Shadow"}, {Colour3DLight, "3D Light"}, {ColourInfoText, "Info Text"},
    {ColourInfoBackground, "Info Background"}, {ColourCustom, "Custom..."},

    {MarksLabel, "&Windows that go to the tray when minimized:"},
    {MarkColumnName, "Program or class"},
    {MarkColumnFamily, "Family"},
    {MarkColumnClose, "Close"},
    {MarkColumnOpen, "Open"},
    {MarkToTray, "to tray"},
    {MarkNoFamily, "—"},
    {MarkAdd, "A&dd…"},
    {MarkRemove, "&Remove"},
    {MarkRulesGroup, "Rules of the selected windows"},
    {MarkCloseToTray, "&Close button sends them to the tray"},
    {MarkHideOnOpen, "Send to the tray as soon as they &open"},
    {MarkNoWindows, "No window to mark"},

    {ChangeHotkeyTitle, "Change Hotkey"},
    {ChangeHotkeyLabel, "Select the modifier keys, then press a key."},
    {ChangeHotkeyChange, "Change"},
    {ChangeHotkeyCancel, "Cancel"},

    {CommandUsage,
     "Velmora.exe /command [arguments]   (- or -- in place of / too)\n"
     "\n"
     "/mark <key> [/close-to-tray] [/hide-on-open]\n"
     "    Marks a window class or a program's key (discord.exe|Chrome_WidgetWin), with exactly the rules given.\n"
     "/unmark <key>\n"
     "    Removes a mark.\n"
     "/hide <target>\n"
     "    Sends the target's windows to the tray.\n"
     "/restore <target>\n"
     "    Brings the target's windows back from the tray.\n"
     "/toggle <target>\n"
     "    Sends the target's shown windows to the tray and brings back its hidden ones.\n"
     "/restore-all\n"
     "    Brings back every hidden window.\n"
     "/exit\n"
     "    Ends Velmora; every hidden window comes back.\n"
     "/run-hidden <program> [arguments]\n"
     "    Starts the program and sends its first window to the tray as it opens.\n"
     "/list\n"
     "    Prints a line for each hidden window: window, handle, program, class, title, 1 when it asks for attention\n"
     "    (else 0); then one for each mark: mark, key, rules. Tab-separated UTF-8.\n"
     "/?\n"
     "    Shows this text.\n"
     "\n"
     "A target is a program's file name (notepad.exe), a key or window class, or a window handle (0x1234).\n"
     "Exit codes: 0 done, 1 nothing matched, 2 a bad command line, 3 Velmora could not be reached.\n"},
    {CommandNotUnderstood, "Not understood: {}"},
    {CommandTooLong, "The command line is too long: Velmora takes at most 8 KB."},
    {CommandUnreachable, "Velmora could not be reached."},
    {CommandStartFailed, "{} could not be started."},
    {CommandMissingTarget, "{} needs a target: a program's file name, a key or window class, or a window handle."},
    {CommandMissingKey, "{} needs the key of a mark: a window class or a program's key."},
    {CommandMissingProgram, "{} needs the program to start."},
    {CommandNoWindow, "Nothing matched {}: no window of it is shown or hidden by Velmora."},
    {CommandNoMark, "Nothing matched {}: there is no such mark."},
    {CommandNotAProgram, "{} is not a program: /run-hidden starts .exe and .com programs only."},
    {CommandAddExtension, "{} is not a program, but the same name with \".exe\" is: add the extension to run it."},
    {CommandNotTopLevel, "{} is a window inside another window, not a top-level window: /hide, /restore and /toggle act on top-level windows only."},
    {CommandNotEnded, "{} could not be ended: it may still be waiting, suspended; end it in the Task Manager."},
    {CommandWatchesFull, "Velmora cannot wait for the first window of {} now (too many programs started hidden wait for theirs); it was not started. Try again in a minute."},

    {SharedBlockTaken,
     "Velmora cannot start: its shared memory \"{}\" was made first by another user or by a program of a "
     "lower integrity level, and whoever made it could steer Velmora through it.\n\n"
     "End the program that made it, or sign out and in again, then start Velmora again."},

    {HelpPage, "index.html"},
    {AttentionTip, " - wants attention"},
    {AttentionBalloon, "\"{}\" wants attention"},
    {OptionAttentionBalloon, "Show a &balloon when a hidden window wants attention"},
});

}  // namespace velmora
