// The change-hotkey dialog's rules on the fake controls.
#include <gtest/gtest.h>

#include "FakeControls.h"
#include "platform/WinConst.h"
#include "settings/HotkeyText.h"
#include "settings/TChangeHotkey.h"

namespace velmora {
namespace {

class ChangeHotkeyTest : public ::testing::Test {
 protected:
  fake::FakeControls c;
  TChangeHotkey dialog{c};
  std::uint8_t mods = 0xEE;
  std::uint16_t key = 0xEEEE;
  bool Run(std::uint8_t m, std::uint16_t k, std::function<int()> user) {
    c.whileShown = std::move(user);
    return dialog.Execute("最小化到托盘", m, k, mods, key);
  }
  void Tick(ControlId box, bool on) {
    c.SetChecked(box, on);
    dialog.cbctrlClick();
  }
};

TEST_F(ChangeHotkeyTest, UndefinedHotkeyNeedsAModifierAndANamedKeyBeforeChangeIsOffered) {
  EXPECT_TRUE(Run(0, 0, [&] {
    EXPECT_EQ(c.GetText(LabelHK), "最小化到托盘");
    EXPECT_EQ(c.GetText(EditHK), "");
    EXPECT_FALSE(c.IsEnabled(bchange));
    dialog.EditHKEnter();
    EXPECT_EQ(c.focus, bcancel) << "the edit box never keeps the focus";
    EXPECT_FALSE(dialog.EditHKKeyDown(13)) << "Enter goes on to the buttons";
    EXPECT_TRUE(dialog.EditHKKeyDown('A'));
    EXPECT_EQ(c.GetText(EditHK), "  A");
    EXPECT_FALSE(c.IsEnabled(bchange));
    Tick(cbshift, true);
    Tick(cbwin, true);
    EXPECT_TRUE(c.IsEnabled(bchange));
    Tick(cbshift, false);
    Tick(cbwin, false);
    EXPECT_FALSE(c.IsEnabled(bchange)) << "unticking the last modifier";
    Tick(cbctrl, true);
    EXPECT_TRUE(dialog.EditHKKeyDown(121));
    EXPECT_EQ(c.focus, bchange);
    dialog.EditHKEnter();
    EXPECT_EQ(c.focus, bchange);
    return win::IDOK;
  }));
  EXPECT_EQ(mods, ModControl);
  EXPECT_EQ(key, 121);
}

TEST_F(ChangeHotkeyTest, CancelHandsBackTheOldCombinationAndNothingCarriesOver) {
  EXPECT_FALSE(Run(ModAlt | ModWin, 'M', [&] {
    EXPECT_TRUE(c.IsChecked(cbalt) && c.IsChecked(cbwin) && !c.IsChecked(cbctrl) && !c.IsChecked(cbshift));
    EXPECT_EQ(c.GetText(EditHK), "M");
    EXPECT_TRUE(c.IsEnabled(bchange));
    dialog.EditHKKeyDown('Q');
    Tick(cbctrl, true);
    return win::IDCANCEL;
  }));
  EXPECT_EQ(mods, ModAlt | ModWin);
  EXPECT_EQ(key, 'M');
  EXPECT_FALSE(Run(ModShift, 0, [&] {
    EXPECT_FALSE(c.IsChecked(cbctrl)) << "set afresh at every use";
    EXPECT_EQ(dialog.FKey, 0);
    return win::IDCANCEL;
  }));
}

}  // namespace
}  // namespace velmora
