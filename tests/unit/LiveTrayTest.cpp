// The live tray: a held window's new title or icon reaches its tray icon at
// once, and a flash marks it until it leaves the list.
#include <gtest/gtest.h>

#include "TestWorld.h"
#include "hook/HeldMark.h"
#include "settings/OptionsStore.h"

namespace velmora {
namespace {

using namespace win;

class LiveTray : public ::testing::Test, public test::VelmoraWorld {
 protected:
  LiveTray() { Start(); }
  Hwnd Hide(std::string cls, std::string title) {
    const Hwnd wnd = Foreign(std::move(cls), std::move(title));
    w.desktop.Window(wnd).getIcon = w.painter.MakeForeignIcon();
    Trigger(wnd);
    return wnd;
  }
  // What the library and the shell posted runs, and time passes.
  void Pump(std::uint64_t ms) {
    w.desktop.DispatchPosted();
    w.timers.Advance(ms);
  }
  bool Marked(std::uint32_t id) { return w.painter.marked.contains(w.tray.Icon(id)->hIcon.value); }
  std::string Suffix() { return std::string(List().Texts[TextId::AttentionTip]); }
};

TEST_F(LiveTray, TitleAndIconReachTheOwnIconWithinTwoTicksAndTheMenuKeepsTheTitleAtHiding) {
  const Hwnd wnd = Hide("Mail", "Inbox");
  const Hwnd shown = Foreign("Other", "shown");
  w.desktop.SetTitle(wnd, "(3) Inbox");
  w.desktop.SetTitle(shown, "retitled");  // not held: not reported
  Pump(50);
  EXPECT_EQ(w.tray.Tip(TrayIdOf(wnd)), "(3) Inbox");
  w.desktop.SetTitle(wnd, "(4) Inbox");  // within the library's 100 ms: not reported
  Pump(120);
  EXPECT_EQ(w.tray.Tip(TrayIdOf(wnd)), "(4) Inbox") << "the change the library held back";
  const Hicon icon = w.painter.MakeForeignIcon();
  w.desktop.SetIcon(wnd, icon);
  Pump(80);
  EXPECT_EQ(w.tray.Icon(TrayIdOf(wnd))->hIcon, icon);
  EXPECT_EQ(form->Menus->ListedWindows("", true).front().Caption, "Inbox");
  // A stranger's post about a window Velmora does not hold reads nothing.
  const std::size_t sends = w.desktop.Window(shown).sendCount;
  form->WindowMessage(WindowChangedMessage, TrayIdOf(shown), 0);
  Pump(400);
  EXPECT_EQ(w.desktop.Window(shown).sendCount, sends);
  // Asked back, the window is no longer reported, and leaves as before.
  List().RestoreWindow(wnd);
  Settle();
  EXPECT_EQ(w.desktop.GetProp(wnd, HeldMarkName), 0u);
  const std::size_t posts = w.desktop.posted.size();
  w.desktop.SetTitle(wnd, "(5) Inbox");
  EXPECT_EQ(w.desktop.posted.size(), posts);
  EXPECT_FALSE(w.tray.Has(TrayIdOf(wnd)));
}

TEST_F(LiveTray, TheBalloonIsOffByDefaultStoredBesideTheRecordAndItsClickBringsTheWindowBack) {
  EXPECT_FALSE(List().AttentionBalloon);
  w.desktop.FlashWindow(Hide("Chat", "Friends"));
  Pump(0);
  EXPECT_TRUE(w.tray.balloons.empty());
  std::uint32_t type = 0;
  std::vector<std::uint8_t> before, after;
  w.registry.QueryValue(OptionsKey, OptionsValue, type, before);
  ASSERT_TRUE(List().SaveAttentionBalloon(true));
  w.registry.QueryValue(OptionsKey, OptionsValue, type, after);
  EXPECT_EQ(before, after) << "the settings record stays as it was";
  form.reset();
  Start();
  ASSERT_TRUE(List().AttentionBalloon);
  const Hwnd quiet = Hide("Chat", "Quiet");
  w.shell.notificationState = 6;  // quiet hours: the mark alone says it, as in a presentation or over a full screen
  w.desktop.FlashWindow(quiet);
  Pump(0);
  EXPECT_TRUE(w.tray.balloons.empty() && Marked(TrayIdOf(quiet)));
  w.shell.notificationState = QUNS_ACCEPTS_NOTIFICATIONS;
  const Hwnd b = Hide("Chat", "Work");
  w.desktop.FlashWindow(b);
  w.desktop.FlashWindow(b);
  Pump(0);
  EXPECT_TRUE(Marked(TrayIdOf(b)) && w.tray.Tip(TrayIdOf(b)).ends_with(Suffix()));
  const auto item = form->Menus->ListedWindows("", true).front();
  EXPECT_TRUE(item.Attention && w.painter.marked.contains(item.Icon.value)) << "the menu item is marked";
  ASSERT_EQ(w.tray.balloons.size(), 1u) << "one balloon while it keeps flashing";
  EXPECT_EQ(w.tray.balloons[0].text, List().Texts(TextId::AttentionBalloon, "Work"));
  EXPECT_EQ(w.tray.balloons[0].title, "Work") << "the window's own title and icon";
  EXPECT_EQ(w.tray.balloons[0].flags, NIIF_USER | NIIF_RESPECT_QUIET_TIME);
  EXPECT_EQ(w.tray.balloons[0].icon, List().FindEntry(b)->hIcon);
  w.tray.ClickBalloon(TrayIdOf(b));
  EXPECT_FALSE(List().FindEntry(b) || Hidden(b));
  // Hidden again it is unmarked until it flashes again.
  Trigger(b);
  EXPECT_FALSE(Marked(TrayIdOf(b)));
  w.desktop.FlashWindow(b);
  Pump(0);
  EXPECT_TRUE(Marked(TrayIdOf(b)));
}

}  // namespace
}  // namespace velmora
