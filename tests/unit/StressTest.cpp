// Every event path against every other: at each send to another program (a
// title or icon read, a tray call) another event may arrive, as on Windows.
// Built with AddressSanitizer (stress_tests): a path that keeps a pointer into
// the list across such a call fails here.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "TestWorld.h"
#include "foreign/HeldWindows.h"

namespace velmora::test {
namespace {

using namespace win;

class Stress : public VelmoraWorld {
 public:
  explicit Stress(unsigned seed) : rng_(seed) {}
  ~Stress() {
    w.desktop.onSend = nullptr;
    w.tray.onSend = nullptr;
    w.dialogs.whileShown = nullptr;
    w.menus.choices.clear();
  }

  void Run() {
    Options().TrayMode = Pick(4);  // 3: out of range, acts as 0
    Options().GroupMinimum = Pick(4);
    Options().EveryHideInactive = Pick(2);
    Options().EveryHideMinutes = 1;
    Options().ConfirmClose = Pick(2);
    Options().HandleExcel = 1;
    List().AttentionBalloon = Pick(2) != 0;
    const char* classes[] = {"Notepad", "EXCEL7", "Notepad", "", "EXCEL7", "IEFrame", "Calc"};
    for (int i = 0; i < 14; ++i) {
      const Hwnd wnd = w.desktop.AddWindow({.className = classes[i % 7], .title = "w" + std::to_string(i),
                                            .pid = 100u + static_cast<std::uint32_t>(i % 4),
                                            .tid = 200u + static_cast<std::uint32_t>(i),
                                            .hung = i % 7 == 6 && Pick(2) == 0});
      windows_.push_back(wnd);
    }
    List().AddClass("Notepad");
    List().AddClass("Calc");
    List().AddClass("IEFrame");
    // Windows of a mark go to the tray as they open; a started program's first window too.
    List().SetRules("Calc", RuleHideOnOpen | RuleCloseToTray);
    List().WatchFirstWindow(100u + Pick(4));
    w.desktop.foregroundLocked = Pick(2) != 0;
    w.kernel.elevated = Pick(2) != 0;  // request 57 asks first
    w.tray.refuseVersion = Pick(4) == 0;
    w.shell.addTabResult = w.shell.deleteTabResult = Pick(4) != 0;  // a hung Explorer: the taskbar list gives up
    Options().Hotkey(5).Enabled = Options().Hotkey(6).Enabled = 1;
    // The shell refuses one window's icon now and then.
    if (Pick(3) == 0) w.tray.failAddIds.insert(TrayIdOf(AnyWindow()));
    w.desktop.onSend = [this](Hwnd) { MaybeNested(); };
    w.tray.onSend = [this] { MaybeNested(); };
    // Programs take their messages at random points, not whenever time passes; Velmora takes its own.
    w.timers.whilePassing = [this] { w.desktop.DispatchPosted(); };
    for (int step = 0; step < 80; ++step) {
      ScriptAnswers();
      if (Pick(12) == 0)
        Restart();
      else
        TopLevelEvent();
      CheckInvariants();
      if (::testing::Test::HasFailure()) return;
      // A close asked for inside a menu or a box is carried out once that loop has returned.
      if (closeAsked_) break;
    }
    w.desktop.onSend = nullptr;
    w.tray.onSend = nullptr;
    w.dialogs.whileShown = nullptr;
    if (closeAsked_) {
      EXPECT_TRUE(form->FormCloseQuery()) << "the close waits for nothing more";
    }
    form.reset();  // exit, some programs still hung
    // What Velmora sent them is settled once they answer: every window back.
    for (Hwnd wnd : windows_) w.desktop.SetHung(wnd, false);
    w.desktop.PumpAll();
    for (Hwnd wnd : windows_)
      if (w.desktop.IsWindow(wnd)) {
        EXPECT_TRUE(w.desktop.HasButton(wnd)) << "left off the taskbar at exit: " << w.desktop.Window(wnd).className;
      }
    EXPECT_EQ(w.tray.Count(), 0u);
    EXPECT_EQ(w.painter.LiveDrawn(), 0u) << "a drawn group icon outlived its group";
  }

 private:
  std::uint8_t Pick(unsigned n) { return static_cast<std::uint8_t>(rng_() % n); }
  Hwnd AnyWindow() { return windows_[Pick(static_cast<unsigned>(windows_.size()))]; }

  // Menus and questions answer at random: a window, the all-item, Exit, or nothing.
  void ScriptAnswers() {
    w.menus.choices.clear();
    for (int i = 0; i < 4; ++i)
      w.menus.choices.push_back([this](const std::vector<MenuEntry>& items) -> std::uint32_t {
        // The menu's own message loop lets everything in, a close too.
        if (Pick(16) == 0) AskToClose();
        MaybeNested();
        std::vector<std::uint32_t> commands{0};
        for (const auto& item : items)
          if (item.command) commands.push_back(item.command);
        return commands[Pick(static_cast<unsigned>(commands.size()))];
      });
    w.dialogs.answers.assign(4, Pick(2) ? IDYES : IDNO);
    w.dialogs.whileShown = [this] { MaybeNested(); };
  }

  void MaybeNested() {
    if (!form || Pick(4) != 0) return;
    ++nested_;
    AnyEvent(true);
  }

  // Every program that answers takes its messages, and Velmora its posts: what
  // Velmora did must now show on the windows.
  void Settle() {
    for (int round = 0; round < 4; ++round) {
      w.desktop.PumpAll();
      w.desktop.DispatchPosted();
    }
    CheckSettled();
  }

  // Velmora is closed and started again, as the user may while programs hang.
  void Restart() {
    w.desktop.onSend = nullptr;
    w.tray.onSend = nullptr;
    form.reset();
    // Meanwhile the user minimizes a window: no Velmora hears of it.
    if (const Hwnd wnd = AnyWindow(); Pick(2) && w.desktop.IsWindow(wnd) && !w.desktop.IsHungAppWindow(wnd)) {
      w.desktop.Pump(wnd);
      w.desktop.Window(wnd).iconic = true;
    }
    Start();
    w.desktop.onSend = [this](Hwnd) { MaybeNested(); };
    w.tray.onSend = [this] { MaybeNested(); };
  }

  void TopLevelEvent() {
    const Hwnd wnd = AnyWindow();
    auto& fw = w.desktop.Window(wnd);
    switch (Pick(8)) {
      case 7:  // programs take their messages: one of them, or all
        if (Pick(3) == 0)
          Settle();
        else
          w.desktop.Pump(wnd);
        break;
      case 6:  // a program stops answering, or answers again and runs what waited for it
        if (fw.alive) w.desktop.SetHung(wnd, !fw.hung);
        break;
      case 0:  // the user minimizes a window; the hook reports it (a hung program does neither)
        if (!fw.alive || fw.hung) break;
        w.desktop.Pump(wnd);  // the user's input comes after what was queued before it
        Request(RQ_MINIMIZING, wnd);
        fw.iconic = true;
        break;
      case 1:  // the user brings a window back by other means
        if (!fw.alive || fw.hung) break;
        w.desktop.Pump(wnd);
        fw.iconic = false;
        fw.visible = true;
        w.desktop.Activate(wnd);
        Request(RQ_ACTIVATED, wnd);
        break;
      case 2:  // a program ends
        if (!fw.alive || Pick(4) != 0) break;
        Request(RQ_DESTROYED, wnd);
        w.desktop.Destroy(wnd);
        break;
      case 3:
        w.timers.Advance(Pick(3) == 0 ? 6000 : 100u * (1u + Pick(10)));
        break;
      default:
        AnyEvent(false);
        break;
    }
  }

  void AnyEvent(bool nested) {
    const Hwnd wnd = AnyWindow();
    switch (Pick(12)) {
      case 11:  // a program retitles or flashes a window, or gives it a new icon; posts run now or later
        if (!w.desktop.IsWindow(wnd)) break;
        if (const int what = Pick(4); what == 0)
          w.desktop.SetTitle(wnd, "(" + std::to_string(Pick(9)) + ") w");
        else if (what == 1)
          w.desktop.SetIcon(wnd, w.painter.MakeForeignIcon());
        else if (what == 2)
          w.desktop.FlashWindow(wnd);
        else if (form->TrayList)
          w.tray.ClickBalloon(Pick(2) ? SharedIconId : TrayIdOf(wnd));
        if (Pick(2)) w.desktop.DispatchPosted();
        break;
      case 10: {  // a command of the command line, on a window's class or handle
        const std::string verb = std::vector<std::string>{"/hide", "/restore", "/toggle", "/restore-all"}[Pick(4)];
        const bool byHandle = Pick(2) != 0;
        std::vector<std::string> args{verb, byHandle ? fake::Hex(wnd.value) : w.desktop.Window(wnd).className};
        if (verb == "/restore-all") args.pop_back();
        const std::size_t nestedBefore = nested_;
        form->RunCommand(*EncodeArguments(args), [this, verb, byHandle, wnd, nestedBefore](int code, std::string) {
          // Done means done: what a handle names is held, or on its way back.
          if (code != ExitDone || !byHandle || nested_ != nestedBefore || !w.desktop.IsWindow(wnd)) return;
          const bool listed = form->TrayList && form->TrayList->FindEntry(wnd);
          const auto mark = HeldMarkOf(w.desktop.GetProp(wnd, HeldMarkName));
          if (verb == "/hide") {
            EXPECT_TRUE(listed) << "/hide answered 0";
          } else if (verb == "/restore") {
            EXPECT_TRUE(!listed && (mark == HeldMark::None || mark == HeldMark::AskedBack)) << "/restore answered 0";
          }
        });
        break;
      }
      case 0: {
        // The user on an icon, as the shell reports it; now and then one stale report alone.
        const std::uint32_t ids[] = {0, 1, 2, 3, TrayIdOf(wnd)};
        const std::uint32_t events[] = {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP,
                                        NIN_SELECT,   NIN_KEYSELECT,    WM_CONTEXTMENU};
        w.desktop.lastInputOurs = true;
        if (Pick(4) == 0)
          Click(ids[Pick(5)], events[Pick(6)]);
        else
          w.tray.UserInput(ids[Pick(5)], static_cast<fake::TrayInput>(Pick(6)));
        break;
      }
      case 9:  // the question, or the list menu
        w.desktop.lastInputOurs = true;
        form->WMHotKey(static_cast<std::uint32_t>(form->HotkeyIds[Pick(2) ? 5 : 6].Id));
        break;
      case 1: {
        const std::uint32_t code = 46u + Pick(13);
        Request(code, wnd);
        if (code == RQ_DESTROYED) w.desktop.Destroy(wnd);  // reported while it goes
        break;
      }
      case 2: form->TimerHideTimer(); break;
      case 3: form->TimerOthersTimer(); break;
      case 4:
        if (form->TrayList) form->TrayList->InactiveTimerTimer(wnd);
        break;
      case 5:
        form->QueryEndSession();
        break;
      case 6: {
        if (!form->TrayList) break;  // the list is going: no settings to change
        TOptionsRecord o = Options();
        o.TrayMode = Pick(3);
        o.GroupMinimum = Pick(3);
        form->SaveOptions(o);
        // A rule changed in the options, which are an event path like any other.
        form->Paths().RunOrDefer([this, cls = Pick(2) ? "Notepad" : "EXCEL7", rules = Pick(4)] {
          if (form->TrayList) List().SetRules(cls, rules);
        });
        break;
      }
      case 7:
        form->TaskbarCreated();
        form->TimerExplorerTimer();
        break;
      default:
        // A close arriving inside another path waits for it to end.
        if (nested) {
          if (Pick(8) == 0) AskToClose();
        } else {
          w.timers.Advance(1000);
        }
        break;
    }
  }

  void AskToClose() {
    if (closeAsked_) return;
    EXPECT_FALSE(form->FormCloseQuery()) << "closed under a running path";
    EXPECT_GT(host.modalEnds, 0) << "its menu or box is not ended";
    closeAsked_ = true;
    closesAsked_ = Closes();
  }

  // Windows Velmora closed (SC_CLOSE posted), as the user chose in a menu or a box.
  std::size_t Closes() const {
    return static_cast<std::size_t>(std::count_if(w.desktop.posted.begin(), w.desktop.posted.end(), [](const auto& m) {
      return m.msg == WM_SYSCOMMAND && m.wParam == SC_CLOSE;
    }));
  }

  void CheckInvariants() {
    EXPECT_TRUE(!closeAsked_ || Closes() == closesAsked_) << "a choice acted on after the close";
    ASSERT_FALSE(form->Paths().Busy());
    ASSERT_EQ(form->Paths().Deferred(), 0u);
    TListTrayIcon& list = List();
    for (Hwnd wnd : windows_) {
      // A program that has run all that was queued for it: its window is on the
      // taskbar, or listed with an icon to come back by.
      if (!w.desktop.IsWindow(wnd) || w.desktop.IsHungAppWindow(wnd) || w.desktop.Waits(wnd)) continue;
      const TTrayIcon* entry = list.FindEntry(wnd);
      EXPECT_TRUE(w.desktop.HasButton(wnd) || (entry && !entry->IconFailed)) << "a window out of reach: " << w.desktop.Window(wnd).className;
    }
    // Each entry shows by exactly the icons its mode prescribes, and nothing else is in the tray.
    const int mode = list.Options.EffectiveTrayMode();
    std::set<std::uint32_t> expected;
    for (const auto& e : list.Entries) {
      if (e->IconFailed) continue;  // refused: still on the taskbar, about to leave the list
      if (mode == 1 || (mode == 0 && e->Inactive)) {
        expected.insert(SharedIconId);
        continue;
      }
      std::uint32_t slot = 0;
      for (std::uint32_t i = 1; mode == 2 && i <= GroupSlots; ++i)
        if (!e->WindowClass.empty() && list.Groups[i].GroupName == e->WindowClass) slot = i;
      expected.insert(slot != 0 ? slot : TrayIdOf(e->Window));
    }
    EXPECT_EQ(w.tray.Ids(), expected);
    // A count in a tip is the number of entries behind its icon.
    // An icon carries the attention mark, and its tip says so, while a window behind it asks.
    if (w.tray.Has(SharedIconId)) {
      const std::size_t n = mode == 1 ? list.Count() : list.InactiveCount();
      const bool asks = list.AnyAsks([mode](const TTrayIcon& e) { return mode == 1 || e.Inactive; });
      EXPECT_EQ(w.tray.Tip(SharedIconId), list.AttentionTipOf(CountTip(list.Texts, n), asks));
      EXPECT_EQ(w.painter.marked.contains(w.tray.Icon(SharedIconId)->hIcon.value), asks);
      // The mark never covers a count that is the whole icon: that count moves to a corner.
      const Hicon base = asks ? w.painter.marked[w.tray.Icon(SharedIconId)->hIcon.value] : Hicon{};
      for (int k = 1; k <= 9; ++k) EXPECT_NE(base, w.painter.ResourceIcon("S" + std::to_string(k)));
    }
    for (std::uint32_t slot = 1; mode == 2 && slot <= GroupSlots; ++slot) {
      const std::string& group = list.Groups[slot].GroupName;
      if (group.empty() || !w.tray.Has(slot)) continue;
      const bool asks = list.AnyAsks([&group](const TTrayIcon& e) { return e.WindowClass == group; });
      const std::string tip = w.tray.Tip(slot),
                        count = list.AttentionTipOf(CountTip(list.Texts, list.GroupCount(group)), asks);
      EXPECT_TRUE(tip.ends_with(count)) << tip << " for " << list.GroupCount(group);
      EXPECT_EQ(w.painter.marked.contains(w.tray.Icon(slot)->hIcon.value), asks) << tip;
    }
    for (const auto& e : list.Entries) {
      const NotifyIconData* own = w.tray.Icon(TrayIdOf(e->Window));
      if (!own) continue;
      EXPECT_EQ(std::string(own->szTip.data()).ends_with(list.Texts[TextId::AttentionTip]), e->Attention);
      EXPECT_EQ(w.painter.marked.contains(own->hIcon.value), e->Attention && e->MarkedIcon) << e->Tip();
    }
    for (const std::uint32_t id : w.tray.Ids())
      EXPECT_EQ(w.tray.Icon(id)->uVersion, w.tray.refuseVersion ? 0u : NOTIFYICON_VERSION) << "icon " << id;
    EXPECT_LE(w.dialogs.mostOpen, 1u) << "a question stacked on another";
    EXPECT_EQ(w.desktop.blockingCalls, 0u) << "a call waited for a hung program";
    EXPECT_EQ(w.desktop.focusLost, 0u) << "a window activated while still minimized";
    // The hook library reads every mark with its rules, as they are now.
    ASSERT_NE(form->Sections().Marks(), nullptr);
    ASSERT_EQ(form->Sections().Marks()->Count, list.Classes.size());
    for (std::size_t i = 0; i < list.Classes.size(); ++i) {
      const TMarkEntry& e = form->Sections().Marks()->Marks[i];
      EXPECT_EQ(std::string(e.Key, e.Length), list.Classes[i]);
      EXPECT_EQ(e.Rules, list.RulesOf(list.Classes[i])) << list.Classes[i];
    }
  }

  // Once every program that answers has taken its messages: no window carries a
  // mark that keeps it from its rules, and every minimized window a rule takes
  // is in the tray within a sweep.
  void CheckSettled() {
    if (!form || !form->TrayList) return;
    TListTrayIcon& list = List();
    for (Hwnd wnd : windows_) {
      const bool answers = w.desktop.IsWindow(wnd) && !w.desktop.IsHungAppWindow(wnd) && !w.desktop.Waits(wnd);
      const TTrayIcon* entry = answers ? list.FindEntry(wnd) : nullptr;
      const auto mark = HeldMarkOf(w.desktop.GetProp(wnd, HeldMarkName));
      const std::string cls = w.desktop.Window(wnd).className;
      EXPECT_TRUE(!answers || mark != HeldMark::AskedBack) << "asked back after its program answered: " << cls;
      EXPECT_TRUE(!answers || entry || !SeenShown(w.desktop, wnd) || mark == HeldMark::None) << "a mark on " << cls;
      const bool rule = list.HasClass(cls) || (cls == "EXCEL7" && list.Options.HandleExcel);
      if (!answers || entry || !rule || w.tray.failAddIds.contains(TrayIdOf(wnd)) || !w.desktop.IsIconic(wnd) ||
          !w.desktop.IsWindowVisible(wnd)) {
        untakenSince_.erase(wnd);
        continue;
      }
      const std::uint64_t since = untakenSince_.try_emplace(wnd, w.timers.TickCount()).first->second;
      EXPECT_LT(w.timers.TickCount() - since, 11000u) << "minimized and left on the taskbar: " << cls;
    }
  }

  std::mt19937 rng_;
  std::size_t nested_ = 0;  // events run inside another
  std::map<Hwnd, std::uint64_t> untakenSince_;  // minimized windows of a rule not in the tray, since
  bool closeAsked_ = false;
  std::size_t closesAsked_ = 0;  // windows closed before the close was asked
  std::vector<Hwnd> windows_;
};

TEST(StressTest, NoEventNestedInAnotherLosesAWindowOrAnIcon) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Stress world(seed);
    world.Start();
    world.Run();
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
}  // namespace velmora::test
