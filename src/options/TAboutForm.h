#pragma once
// The options dialog's rules: six pages switched by a tool bar, filled from
// the stored settings and marks at every showing and stored by "关闭"; hotkey
// rows that act at once; also the About box and the splash at start.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/EventPaths.h"
#include "platform/Ports.h"
#include "platform/Timer.h"
#include "settings/OptionsRecord.h"
#include "settings/TAutoRunner.h"
#include "settings/TChangeHotkey.h"
#include "text/Texts.h"
#include "tray/ClassFile.h"

namespace velmora {

// The dialog's controls.
enum AboutControl : ControlId {
  // Tool bar and pages.
  buttonstm = 201, buttonmisc, buttontemp, buttonhotkeys, buttonabout, pgc, pctm, bhelp, bclose,
  // Page 0: tray.
  GroupBox3, cbstm1, cbstm2, cbstm3, Label7, cbdoubleclick, cbhide, hbar, htext, hcbn, gbevery, cbevery1, cbevery2,
  cbevery3, Label9, cbdynamic, Label10, cbenablerc, GroupBox2, cball1, cball2, cball3, Label5, gdbclick, gmbar,
  gmtext, gcbapply, gcolour, Label6,
  // Page 1: miscellaneous.
  cbautorun, llaunch, llaunch1, cbuseminimize, edititemtext, cbsplash, confirmcc, Label4, cbconsole, cbword, cbexcel,
  // Page 2: About.
  lbProduct, lbCompany,
  // Page 3: title-bar triggers.
  Label11, gbclick, cbbutton1, cbbutton2, cbbutton3, cbbutton4, cbbutton5, GroupBox1, cbkey1, cbkey2, cbkey3, cbkey4,
  // Hotkey rows 1..6 and their key-text labels.
  cbminimize, cbactivate, cbrestoreft, cbcloseft, cbcloseftt, cbshowmenu,
  lcbminimize, lcbactivate, lcbrestoreft, lcbcloseft, lcbcloseftt, lcbshowmenu,
  // Page 5: marks; last, so that the identifiers above keep their values.
  buttonmarks, lmarks, lvmarks, bmarkadd, bmarkremove, gbrules, cbclosetotray, cbhideonopen,
  // Page 0 again: the attention balloon, stored beside the record.
  cbballoon,
};

// Pages of pgc by index, and the tool-bar button of each.
enum AboutPage { TabOptions = 0, TabMisc = 1, TabAbout = 2, TabTemp = 3, TabHotkeys = 4, TabMarks = 5 };
inline constexpr int PageCount = 6;
inline constexpr ControlId PageButtons[PageCount] = {buttonstm,  buttonmisc,    buttonabout,
                                                     buttontemp, buttonhotkeys, buttonmarks};
inline constexpr ControlId HotkeyBoxes[HotkeyCount] = {cbminimize, cbactivate, cbrestoreft, cbcloseft, cbcloseftt,
                                                       cbshowmenu};
inline constexpr ControlId HotkeyLabels[HotkeyCount] = {lcbminimize, lcbactivate, lcbrestoreft,
                                                        lcbcloseft,  lcbcloseftt, lcbshowmenu};

// A window the marks page offers to mark: what the user reads, and the key it is marked under.
struct OpenWindow {
  std::string Title, Program, Key;
  std::string Class{};  // a mark of the plain class name takes the window too
};

// What the dialog needs of the running program.
class OptionsHost {
 public:
  virtual ~OptionsHost() = default;
  // The live settings record; hotkey rows write its entries in place.
  virtual TOptionsRecord& LiveOptions() = 0;
  // Stores and applies a record.
  virtual bool SaveOptions(const TOptionsRecord& options) = 0;
  // Against the main window and the identifier of hotkey row `number`.
  virtual bool RegisterHotkey(int number, std::uint8_t modifiers, std::uint16_t key) = 0;
  virtual void UnregisterHotkey(int number) = 0;
  virtual void ShowHotkeyUnavailable(const std::string& text) = 0;
  // The program's folder with a trailing backslash.
  virtual std::string AppPath() = 0;
  // The dialog's events are event paths like any other.
  virtual EventPaths& Paths() = 0;
  // The marks with their rules, sorted.
  virtual std::vector<ClassRecord> Marks() = 0;
  // What the marks page changed from the marks it showed: removals, additions
  // and rules, applied and stored; a mark made elsewhere meanwhile stays.
  virtual void StoreMarks(const std::vector<ClassRecord>& shown, const std::vector<ClassRecord>& edited) = 0;
  // The open top-level windows a user could mean to mark, front first.
  virtual std::vector<OpenWindow> OpenWindows() = 0;
  // The attention balloon: a value of its own beside the settings record.
  virtual bool AttentionBalloon() { return false; }
  virtual void SetAttentionBalloon(bool) {}
};


class TAboutForm {
 public:
  TAboutForm(Ports& ports, Controls& controls, OptionsHost& host, TChangeHotkey& changeHotkey,
             TAutoRunner& autoRunner);

  void FormCreate();
  // The three ways in: the "配置" item and hotkey 2, a second start, the splash.
  void Velmora1Click();
  void ShowAboutPage();
  void ShowSplash();

  // Events of the window.
  void OnClick(ControlId id);
  void OnTrackBar(ControlId id);
  // A text field changed: the menu item's text keeps to what the record stores.
  void OnTextChange(ControlId id);
  // Another row of the marks list was selected.
  void OnSelect(ControlId id);
  // Alt+F4 and the like: refused, the dialog stays open.
  bool FormCloseQuery() { return false; }
  void Timer1Timer();
  // The program ends: the dialog goes, unsaved edits with it.
  void DropEdits();

  Timer Timer1;

 private:
  void Click(ControlId id);
  void FormShow();
  void SelectPage(int page);
  void GroupClick(const ControlId* group, std::size_t size, ControlId clicked);
  void UpdateDependents();
  void UpdateBarTexts();
  void bcloseClick();
  void bhelpClick();
  void lbCompanyClick();
  void HotkeyRowClick(int number, bool fromLabel);
  void ChangeHotkey(int number, bool onlyWhenConfirmed);
  std::string MenuText() const;
  int CheckedIndex(const ControlId* group, std::size_t size, int none) const;
  // The marks page.
  void FillMarks(std::int64_t select);
  void ShowSelectedRules();
  void RuleClick(ControlId box, std::uint8_t rule);
  void bmarkremoveClick();
  void bmarkaddClick();
  void CheckIndex(const ControlId* group, std::size_t size, std::size_t index);

  Ports& ports_;
  const TextTable& texts_;
  Controls& c_;
  OptionsHost& host_;
  TChangeHotkey& changeHotkey_;
  TAutoRunner& autoRunner_;
  // The marks as shown at the opening, and as edited since: stored by "关闭".
  std::vector<ClassRecord> shownMarks_, marks_;
};

// "  text  " with blanks and control characters removed at both ends.
std::string TrimBlanks(std::string_view text);

}  // namespace velmora
