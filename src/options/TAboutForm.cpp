#include "options/TAboutForm.h"

#include <algorithm>

#include "hook/MarkTable.h"
#include "platform/Utf8.h"
#include "platform/WinConst.h"
#include "settings/HotkeyText.h"
#include "settings/OptionsStore.h"
#include "text/Help.h"

namespace velmora {

using namespace win;

namespace {

constexpr ControlId TrayModes[] = {cbstm1, cbstm2, cbstm3};
constexpr ControlId EveryOrders[] = {cbevery1, cbevery2, cbevery3};
constexpr ControlId AllOrders[] = {cball1, cball2, cball3};
constexpr ControlId Buttons[] = {cbbutton1, cbbutton2, cbbutton3, cbbutton4, cbbutton5};
constexpr ControlId Keys[] = {cbkey1, cbkey2, cbkey3, cbkey4};
constexpr char MakerSite[] = "https://velmora.app/";

template <std::size_t N>
constexpr bool In(const ControlId (&group)[N], ControlId id) {
  return std::find(std::begin(group), std::end(group), id) != std::end(group);
}

}  // namespace

std::string TrimBlanks(std::string_view text) {
  auto blank = [](char ch) { return static_cast<unsigned char>(ch) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

TAboutForm::TAboutForm(Ports& ports, Controls& controls, OptionsHost& host, TChangeHotkey& changeHotkey,
                       TAutoRunner& autoRunner)
    : Timer1(ports.timers, 1500, [this] { Timer1Timer(); }),
      ports_(ports),
      texts_(UserTexts(ports.kernel)),
      c_(controls),
      host_(host),
      changeHotkey_(changeHotkey),
      autoRunner_(autoRunner) {}

void TAboutForm::FormCreate() { c_.SetText(lbProduct, AppTitle); }

void TAboutForm::SelectPage(int page) {
  c_.SetPosition(pgc, page);
  // The page shown puts its own button down: the bar always marks it.
  for (int i = 0; i < PageCount; ++i) c_.SetChecked(PageButtons[i], i == page);
}

void TAboutForm::Velmora1Click() {
  if (c_.IsWindowVisible()) {
    c_.SetForegroundWindow();  // edits in progress stay
    return;
  }
  const bool anyDown = std::any_of(std::begin(PageButtons), std::end(PageButtons),
                                   [this](ControlId b) { return c_.IsChecked(b); });
  if (!anyDown) SelectPage(TabOptions);
  FormShow();
  c_.ShowWindow(true);
  c_.SetForegroundWindow();
}

void TAboutForm::ShowAboutPage() {
  SelectPage(TabAbout);
  if (!c_.IsWindowVisible()) FormShow();
  c_.ShowWindow(true);
  c_.SetForegroundWindow();  // shown but left behind, it would look active and take no key
}

void TAboutForm::ShowSplash() {
  Timer1.SetEnabled(true);
  SelectPage(TabAbout);
  FormShow();
  c_.ShowWindow(true);
}

void TAboutForm::DropEdits() {
  Timer1.SetEnabled(false);
  c_.ShowWindow(false);  // what it shows is read from the store at the next showing
}

void TAboutForm::Timer1Timer() {
  Timer1.SetEnabled(false);
  host_.Paths().RunOrDefer([this] { c_.ShowWindow(false); });
}

int TAboutForm::CheckedIndex(const ControlId* group, std::size_t size, int none) const {
  for (std::size_t i = 0; i < size; ++i)
    if (c_.IsChecked(group[i])) return static_cast<int>(i);
  return none;
}

void TAboutForm::CheckIndex(const ControlId* group, std::size_t size, std::size_t index) {
  for (std::size_t i = 0; i < size; ++i) c_.SetChecked(group[i], i == index);
  if (group == TrayModes) c_.SetPosition(pctm, static_cast<std::int64_t>(index));
}

void TAboutForm::FormShow() {
  const TOptionsRecord o = LoadOptions(ports_.registry, nullptr);
  c_.SetChecked(cbautorun, o.RunAtLogin != 0);
  const std::string text = TrimBlanks(o.MenuText());
  c_.SetText(edititemtext, text.empty() ? DefaultMenuItemText : text);
  c_.SetChecked(cbuseminimize, o.UseMenuItem != 0);
  c_.SetChecked(cbsplash, o.ShowSplash != 0);
  c_.SetChecked(confirmcc, o.ConfirmClose != 0);
  c_.SetChecked(cbexcel, o.HandleExcel != 0);
  c_.SetChecked(cbword, o.HandleWord != 0);
  c_.SetChecked(cbconsole, o.HandleConsole != 0);
  CheckIndex(TrayModes, 3, o.TrayMode <= 2 ? o.TrayMode : 0);
  c_.SetChecked(cbdoubleclick, o.EveryDoubleClick != 0);
  c_.SetChecked(cbhide, o.EveryHideInactive != 0);
  c_.SetPosition(hbar, std::clamp<int>(o.EveryHideMinutes, 5, 60));
  CheckIndex(EveryOrders, 3, o.EveryMenuOrder <= 1 ? o.EveryMenuOrder : 2);
  c_.SetChecked(hcbn, o.EveryShowHiddenCount != 0);
  c_.SetChecked(cbdynamic, o.AllShowCount != 0);
  c_.SetChecked(cbenablerc, o.AllRightClick != 0);
  c_.SetChecked(cbballoon, host_.AttentionBalloon());
  CheckIndex(AllOrders, 3, o.AllMenuOrder <= 1 ? o.AllMenuOrder : 2);
  c_.SetPosition(gmbar, std::clamp<int>(o.GroupMinimum, 1, 10));
  c_.SetChecked(gcbapply, o.GroupShowCount != 0);
  c_.SetChecked(gdbclick, o.GroupDoubleClick != 0);
  c_.SetPosition(gcolour, static_cast<std::int32_t>(o.CountColor));
  CheckIndex(Buttons, 5, o.RightClickButton <= 4 ? o.RightClickButton : 3);
  CheckIndex(Keys, 4, o.HoldKey <= 3 ? o.HoldKey : 2);
  for (int t = 1; t <= static_cast<int>(HotkeyCount); ++t) {
    const THotkeyRecord& h = o.Hotkey(t);
    c_.SetChecked(HotkeyBoxes[t - 1], h.Enabled == 1);
    c_.SetText(HotkeyLabels[t - 1], HotkeyText(h.Modifiers, h.Key));
  }
  UpdateBarTexts();
  UpdateDependents();
  shownMarks_ = marks_ = host_.Marks();
  FillMarks(0);
}

void TAboutForm::FillMarks(std::int64_t select) {
  const std::string on(texts_[TextId::MarkToTray]);
  std::vector<std::vector<std::string>> rows;
  for (const ClassRecord& mark : marks_) {
    // "<program>|<family>" in two columns; a plain class has no family.
    const auto bar = mark.Name.find('|');
    rows.push_back({mark.Name.substr(0, bar),
                    bar == std::string::npos ? std::string(texts_[TextId::MarkNoFamily]) : mark.Name.substr(bar + 1),
                    (mark.Rules & RuleCloseToTray) != 0 ? on : "", (mark.Rules & RuleHideOnOpen) != 0 ? on : ""});
  }
  c_.SetRows(lvmarks, rows);
  c_.SetPosition(lvmarks, std::min<std::int64_t>(select, std::ssize(marks_) - 1));
  ShowSelectedRules();
}

void TAboutForm::ShowSelectedRules() {
  const std::int64_t at = c_.GetPosition(lvmarks);
  const bool any = at >= 0 && at < std::ssize(marks_);
  const std::uint8_t rules = any ? marks_[static_cast<std::size_t>(at)].Rules : 0;
  c_.SetChecked(cbclosetotray, (rules & RuleCloseToTray) != 0);
  c_.SetChecked(cbhideonopen, (rules & RuleHideOnOpen) != 0);
  const ControlId focus = c_.GetFocus();
  for (ControlId id : {static_cast<ControlId>(bmarkremove), static_cast<ControlId>(gbrules),
                       static_cast<ControlId>(cbclosetotray), static_cast<ControlId>(cbhideonopen)})
    c_.SetEnabled(id, any);
  // The last mark removed: the keyboard is not left on a control that went dim.
  if (!any && (focus == bmarkremove || focus == cbclosetotray || focus == cbhideonopen)) c_.SetFocus(bmarkadd);
}

void TAboutForm::OnSelect(ControlId id) {
  if (id == lvmarks) host_.Paths().RunOrDefer([this] { ShowSelectedRules(); });
}

void TAboutForm::RuleClick(ControlId box, std::uint8_t rule) {
  const std::int64_t at = c_.GetPosition(lvmarks);
  if (at < 0 || at >= std::ssize(marks_)) return ShowSelectedRules();
  std::uint8_t& rules = marks_[static_cast<std::size_t>(at)].Rules;
  rules = static_cast<std::uint8_t>(c_.IsChecked(box) ? rules | rule : rules & ~rule);
  FillMarks(at);
}

void TAboutForm::bmarkremoveClick() {
  const std::int64_t at = c_.GetPosition(lvmarks);
  if (at < 0 || at >= std::ssize(marks_)) return;
  marks_.erase(marks_.begin() + at);
  FillMarks(at);  // the next row, or the new last one
}

void TAboutForm::bmarkaddClick() {
  const std::vector<OpenWindow> windows = host_.OpenWindows();
  // The mark of the edited copy that already takes a window: its key, or its plain class name.
  const auto markOf = [this](const OpenWindow& w) {
    return std::find_if(marks_.begin(), marks_.end(), [&](const ClassRecord& mark) {
      return CompareNoCase(mark.Name, w.Key) == 0 || (!w.Class.empty() && mark.Name == w.Class);
    });
  };
  std::vector<MenuEntry> items;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const OpenWindow& w = windows[i];
    std::string text = Utf16Length(w.Title) <= 60 ? w.Title : Utf8Prefix(w.Title, 57) + "...";
    if (!w.Program.empty()) text += " — " + w.Program;
    items.push_back({.text = std::move(text), .command = static_cast<std::uint32_t>(i + 1),
                     .checked = markOf(w) != marks_.end()});
  }
  if (items.empty()) items.push_back({.text = std::string(texts_[TextId::MarkNoWindows]), .heading = true});
  int x = 0, y = 0;
  if (!c_.GetMenuPoint(bmarkadd, x, y)) ports_.menus.GetCursorPos(x, y);
  if (host_.Paths().Closing()) return;
  std::uint32_t chosen = 0;
  {
    // Modal: the rest of the program goes on meanwhile; the choice is acted on by its key.
    EventPaths::Opening open(host_.Paths());
    chosen = ports_.menus.TrackPopupMenu(items, x, y, c_.DialogWindow(), true);
  }
  if (host_.Paths().Closing() || chosen == 0 || chosen > windows.size()) return;
  // A window marked already selects the mark that takes it; no second mark is made for it.
  auto at = markOf(windows[chosen - 1]);
  if (at == marks_.end()) {
    const std::string& key = windows[chosen - 1].Key;
    at = std::lower_bound(marks_.begin(), marks_.end(), key, [](const ClassRecord& mark, const std::string& k) {
      return CompareNoCase(mark.Name, k) < 0;
    });
    at = marks_.insert(at, ClassRecord{key, 0});
  }
  FillMarks(at - marks_.begin());
}

void TAboutForm::UpdateBarTexts() {
  c_.SetText(htext, texts_(TextId::EveryHideAfter, std::to_string(c_.GetPosition(hbar))));
  c_.SetText(gmtext, texts_(TextId::GroupsMinimum, std::to_string(c_.GetPosition(gmbar))));
}

void TAboutForm::UpdateDependents() {
  const bool hide = c_.IsChecked(cbhide);
  for (ControlId id : {static_cast<ControlId>(hbar), static_cast<ControlId>(htext), static_cast<ControlId>(cbevery1),
                       static_cast<ControlId>(cbevery2), static_cast<ControlId>(cbevery3),
                       static_cast<ControlId>(gbevery), static_cast<ControlId>(hcbn)})
    c_.SetEnabled(id, hide);
  const bool autorun = c_.IsChecked(cbautorun);
  c_.SetEnabled(llaunch, !autorun);
  c_.SetEnabled(llaunch1, !autorun);
  c_.SetEnabled(edititemtext, c_.IsChecked(cbuseminimize));
  c_.SetEnabled(gdbclick, c_.GetPosition(gmbar) != 1);
  for (std::size_t i = 0; i < HotkeyCount; ++i) c_.SetEnabled(HotkeyLabels[i], c_.IsChecked(HotkeyBoxes[i]));
}

void TAboutForm::GroupClick(const ControlId* group, std::size_t size, ControlId clicked) {
  // The click has toggled the item; exactly one of the group stays checked.
  if (!c_.IsChecked(clicked)) {
    c_.SetChecked(clicked, true);
    return;
  }
  const auto index = static_cast<std::size_t>(std::find(group, group + size, clicked) - group);
  CheckIndex(group, size, index);
}

void TAboutForm::OnClick(ControlId id) {
  host_.Paths().RunOrDefer([this, id] { Click(id); });
}

void TAboutForm::Click(ControlId id) {
  if (In(TrayModes, id)) return GroupClick(TrayModes, 3, id);
  if (In(EveryOrders, id)) return GroupClick(EveryOrders, 3, id);
  if (In(AllOrders, id)) return GroupClick(AllOrders, 3, id);
  if (In(Buttons, id)) return GroupClick(Buttons, 5, id);
  if (In(Keys, id)) return GroupClick(Keys, 4, id);
  for (int page = 0; page < PageCount; ++page)
    if (id == PageButtons[page]) return SelectPage(page);
  for (int t = 1; t <= static_cast<int>(HotkeyCount); ++t) {
    if (id == HotkeyBoxes[t - 1]) return HotkeyRowClick(t, false);
    if (id == HotkeyLabels[t - 1]) return HotkeyRowClick(t, true);
  }
  switch (id) {
    case cbhide:
    case cbautorun:
    case cbuseminimize: UpdateDependents(); break;
    case bclose: bcloseClick(); break;
    case bhelp: bhelpClick(); break;
    case lbCompany: lbCompanyClick(); break;
    case bmarkadd: bmarkaddClick(); break;
    case bmarkremove: bmarkremoveClick(); break;
    case cbclosetotray: RuleClick(id, RuleCloseToTray); break;
    case cbhideonopen: RuleClick(id, RuleHideOnOpen); break;
    default: break;
  }
}

void TAboutForm::OnTrackBar(ControlId) {
  host_.Paths().RunOrDefer([this] {
    UpdateBarTexts();
    UpdateDependents();
  });
}

void TAboutForm::OnTextChange(ControlId id) {
  // What the field shows is what is stored: the record's bytes at most, cut between characters.
  if (id != edititemtext) return;
  const std::string text = c_.GetText(id);
  if (text.size() > MenuItemTextMax) c_.SetText(id, Utf8PrefixBytes(text, MenuItemTextMax));
}

std::string TAboutForm::MenuText() const { return c_.GetText(edititemtext); }

void TAboutForm::bcloseClick() {
  c_.ShowWindow(false);
  TOptionsRecord o = host_.LiveOptions();
  const bool autorun = c_.IsChecked(cbautorun);
  o.RunAtLogin = autorun ? 1 : 0;
  // The opposite first, so that the entry is written again with the current path.
  autoRunner_.SetAutoRun(!autorun);
  autoRunner_.SetAutoRun(autorun);
  if (TrimBlanks(MenuText()).empty()) c_.SetText(edititemtext, DefaultMenuItemText);
  const TOptionsRecord& live = host_.LiveOptions();
  const bool useItem = c_.IsChecked(cbuseminimize);
  if (MenuText() != live.MenuText() || useItem != (live.UseMenuItem != 0))
    AskUser(host_.Paths(), ports_.dialogs, texts_[TextId::AskRestart], AppTitle,
            MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
  o.SetMenuText(MenuText());
  o.UseMenuItem = useItem ? 1 : 0;
  o.ShowSplash = c_.IsChecked(cbsplash) ? 1 : 0;
  o.ConfirmClose = c_.IsChecked(confirmcc) ? 1 : 0;
  o.HandleExcel = c_.IsChecked(cbexcel) ? 1 : 0;
  o.HandleWord = c_.IsChecked(cbword) ? 1 : 0;
  o.HandleConsole = c_.IsChecked(cbconsole) ? 1 : 0;
  o.TrayMode = static_cast<std::uint8_t>(CheckedIndex(TrayModes, 3, 0));
  o.EveryDoubleClick = c_.IsChecked(cbdoubleclick) ? 1 : 0;
  o.EveryHideInactive = c_.IsChecked(cbhide) ? 1 : 0;
  o.EveryHideMinutes = static_cast<std::uint16_t>(c_.GetPosition(hbar));
  o.EveryMenuOrder = static_cast<std::uint8_t>(CheckedIndex(EveryOrders, 3, 2));
  o.EveryShowHiddenCount = c_.IsChecked(hcbn) ? 1 : 0;
  o.AllShowCount = c_.IsChecked(cbdynamic) ? 1 : 0;
  o.AllRightClick = c_.IsChecked(cbenablerc) ? 1 : 0;
  o.AllMenuOrder = static_cast<std::uint8_t>(CheckedIndex(AllOrders, 3, 2));
  o.GroupMinimum = static_cast<std::uint8_t>(c_.GetPosition(gmbar));
  o.GroupShowCount = c_.IsChecked(gcbapply) ? 1 : 0;
  o.GroupDoubleClick = c_.IsChecked(gdbclick) ? 1 : 0;
  o.CountColor = static_cast<std::uint32_t>(c_.GetPosition(gcolour));
  o.RightClickButton = static_cast<std::uint8_t>(CheckedIndex(Buttons, 5, 0));
  o.HoldKey = static_cast<std::uint8_t>(CheckedIndex(Keys, 4, 0));
  host_.SaveOptions(o);
  host_.SetAttentionBalloon(c_.IsChecked(cbballoon));
  host_.StoreMarks(shownMarks_, marks_);
}

void TAboutForm::bhelpClick() {
  c_.ShowWindow(false);
  Timer1.SetEnabled(false);
  if (!OpenHelpFile(ports_.shell, texts_, host_.AppPath()))
    ports_.shell.ShellExecute("open", MakerSite, "", "", SW_SHOWMAXIMIZED);
}

void TAboutForm::lbCompanyClick() {
  c_.ShowWindow(false);
  Timer1.SetEnabled(false);
  ports_.shell.ShellExecute("open", MakerSite, "", "", SW_SHOWMAXIMIZED);
}

void TAboutForm::HotkeyRowClick(int number, bool fromLabel) {
  const ControlId box = HotkeyBoxes[number - 1];
  if (fromLabel) {
    if (c_.IsEnabled(HotkeyLabels[number - 1])) ChangeHotkey(number, true);
    return;
  }
  const bool ticked = c_.IsChecked(box);
  host_.LiveOptions().Hotkey(number).Enabled = ticked ? 1 : 0;
  c_.SetEnabled(HotkeyLabels[number - 1], ticked);
  if (ticked)
    ChangeHotkey(number, false);
  else
    host_.UnregisterHotkey(number);
}

void TAboutForm::ChangeHotkey(int number, bool onlyWhenConfirmed) {
  const ControlId box = HotkeyBoxes[number - 1], label = HotkeyLabels[number - 1];
  // The options stay where they are, disabled under the change dialog they own.
  const THotkeyRecord current = host_.LiveOptions().Hotkey(number);
  std::uint8_t modifiers = 0;
  std::uint16_t key = 0;
  bool confirmed = false;
  if (host_.Paths().Closing()) return;
  {
    // Modal: the rest of the program goes on meanwhile.
    EventPaths::Opening open(host_.Paths());
    confirmed = changeHotkey_.Execute(c_.GetText(box), current.Modifiers, current.Key, modifiers, key);
  }
  // Ended because the program ends: nothing changes.
  if (host_.Paths().Closing()) return;
  if (confirmed || !onlyWhenConfirmed) {
    host_.UnregisterHotkey(number);
    THotkeyRecord& entry = host_.LiveOptions().Hotkey(number);
    if (modifiers == 0 || key == 0) {
      entry = THotkeyRecord{};
      c_.SetChecked(box, false);
    } else if (host_.RegisterHotkey(number, modifiers, key)) {
      entry = THotkeyRecord{1, modifiers, key};
      c_.SetText(label, HotkeyText(modifiers, key));
      // The record and the registration agree: the row shows it ticked.
      c_.SetChecked(box, true);
      c_.SetEnabled(label, true);
    } else {
      host_.ShowHotkeyUnavailable(HotkeyText(modifiers, key));
      host_.LiveOptions().Hotkey(number) = THotkeyRecord{};
      c_.SetText(label, texts_[TextId::HotkeyError]);
      c_.SetChecked(box, false);
    }
  }
}

}  // namespace velmora
