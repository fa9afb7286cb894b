#pragma once
// Every text the user reads, one table per language; the table follows the
// user's UI language. A language is added with one more table (a file of its
// own beside Chinese.cpp and English.cpp) and its line in Texts.cpp.
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

class Kernel;

enum class TextId : std::uint16_t {
  // Menus of the tray icons and of one window; the list menu's items and headings.
  MenuOptions, MenuHelp, MenuExit, MenuClose, MenuRestore,
  ListRestoreAll, ListCloseAll, GroupRestoreAll, GroupCloseAll, HeadingRestore, HeadingClose,
  // The item added to system menus that lack a minimize item.
  SystemMinimize,
  // Tips of the shared and group icons; "{}" stands for the number.
  TipOneWindow, TipWindows,
  // Message boxes; "{}" stands for the window title, the hotkey.
  AskCloseWindow, HotkeyUnavailable, AskCloseMinimized, AskRestart,
  // The options dialog: the page buttons, its two buttons.
  PageTray, PageMisc, PageTriggers, PageHotkeys, PageMarks, PageAbout, ButtonHelp, ButtonClose,
  // Page 0: tray.
  TrayGroup, TrayEvery, TrayAll, TrayGroups, EveryLabel, EveryDoubleClick, EveryHide, EveryHideAfter,
  EveryShowCount, MenuOrderGroup, OrderTitle, OrderType, OrderLastAccess, AllLabel, AllShowCount, AllCloseLabel,
  AllRightClick, GroupsLabel, GroupsDoubleClick, GroupsMinimum, GroupsShowCount, GroupsColour,
  // Page 1: miscellaneous.
  RunAtLogin, RunRecommended, RunWhy, UseMenuItem, ShowSplash, ConfirmClose, ChildWindowsLabel, HandleConsole,
  HandleWord, HandleExcel,
  // Page 2: About.
  VisitWebsite,
  // Page 3: triggers.
  TriggersLabel, RightClickGroup, ButtonMinimize, ButtonMaximize, ButtonCloseBox, ButtonAny, ButtonNone,
  HoldKeyGroup, KeyShift, KeyControl, KeyAny, KeyNone,
  // Hotkey rows 1 to 6; the row whose combination is taken.
  HotkeyMinimize, HotkeyOptions, HotkeyRestoreAll, HotkeyCloseAll, HotkeyCloseMinimized, HotkeyShowList,
  HotkeyError,
  // Tooltips.
  TipDoubleClick, TipHide, TipShowHiddenCount, TipShowCount, TipRightClick, TipGroupDoubleClick, TipGroupCount,
  TipConfirmClose, TipConsole,
  // The colour list of the count and marks, in the order of its values.
  ColourBlack, ColourMaroon, ColourGreen, ColourOlive, ColourNavy, ColourPurple, ColourTeal, ColourGray,
  ColourSilver, ColourRed, ColourLime, ColourYellow, ColourBlue, ColourFuchsia, ColourAqua, ColourWhite,
  ColourMoneyGreen, ColourSkyBlue, ColourCream, ColourMediumGray, ColourScrollBar, ColourDesktop,
  ColourActiveCaption, ColourInactiveCaption, ColourMenu, ColourWindow, ColourWindowFrame, ColourMenuText,
  ColourWindowText, ColourCaptionText, ColourActiveBorder, ColourInactiveBorder, ColourAppWorkspace,
  ColourHighlight, ColourHighlightText, ColourButtonFace, ColourButtonShadow, ColourGrayText, ColourButtonText,
  ColourInactiveCaptionText, ColourButtonHighlight, Colour3DDarkShadow, Colour3DLight, ColourInfoText,
  ColourInfoBackground, ColourCustom,
  // Page 5: marks. The list's label and columns, what a rule's cell shows when on,
  // the family of a plain class, the buttons, the rules of the selected mark,
  // the window menu when no window can be marked.
  MarksLabel, MarkColumnName, MarkColumnFamily, MarkColumnClose, MarkColumnOpen, MarkToTray, MarkNoFamily,
  MarkAdd, MarkRemove, MarkRulesGroup, MarkCloseToTray, MarkHideOnOpen, MarkNoWindows,
  // The change-hotkey dialog.
  ChangeHotkeyTitle, ChangeHotkeyLabel, ChangeHotkeyChange, ChangeHotkeyCancel,
  // The command line: its usage, and what a command's own process reports; "{}"
  // stands for the argument not understood, the verb that lacks its argument,
  // the target or mark that nothing matched, the program that did not start.
  CommandUsage, CommandNotUnderstood, CommandTooLong, CommandUnreachable, CommandStartFailed,
  CommandMissingTarget, CommandMissingKey, CommandMissingProgram, CommandNoWindow, CommandNoMark,
  CommandNotAProgram, CommandAddExtension, CommandNotTopLevel, CommandNotEnded, CommandWatchesFull,
  // At start: a shared section ("{}") that another user or a lower integrity level made first.
  SharedBlockTaken,
  // The page of the help file that opens first, inside velmora.chm.
  HelpPage,
  // A hidden window that asks for attention: what its tip ends with, the
  // balloon ("{}" stands for its title), the option on the tray page.
  AttentionTip, AttentionBalloon, OptionAttentionBalloon,
  Count
};

inline constexpr std::size_t TextCount = static_cast<std::size_t>(TextId::Count);

struct TextEntry {
  TextId id;
  std::string_view text;  // UTF-8
};

struct TextTable {
  std::uint16_t language = 0;  // the primary language (LANG_*) it serves
  std::array<std::string_view, TextCount> texts{};

  std::string_view operator[](TextId id) const { return texts[static_cast<std::size_t>(id)]; }
  // The text with its "{}" replaced by value.
  std::string operator()(TextId id, std::string_view value) const;
};

// Entries by id, in any order; an id left out stays empty.
constexpr TextTable MakeTextTable(std::uint16_t language, std::initializer_list<TextEntry> entries) {
  TextTable table{language, {}};
  for (const TextEntry& e : entries) table.texts[static_cast<std::size_t>(e.id)] = e.text;
  return table;
}

extern const TextTable ChineseTexts;
extern const TextTable EnglishTexts;

// Every table, the fallback (English) first.
std::span<const TextTable* const> TextTables();
// The table of a UI language (a LANGID): its primary language's, else English.
const TextTable& TextsFor(std::uint16_t uiLanguage);
// The table of the user's UI language.
const TextTable& UserTexts(Kernel& kernel);

}  // namespace velmora
