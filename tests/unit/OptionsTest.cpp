#include <gtest/gtest.h>

#include "FakeWorld.h"
#include "platform/WinConst.h"
#include "settings/OptionsStore.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Stored(fake::FakeWorld& w) { return w.registry.Get("SOFTWARE\\Velmora", "Options").value().bytes; }

TEST(OptionsRecord, DefaultImageHasTheDocumentedBytes) {
  const auto image = EncodeOptions(TOptionsRecord{});
  const Bytes head(image.begin(), image.begin() + 27);
  EXPECT_EQ(head, (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 5, 0, 2, 0, 1, 0, 2, 2, 0, 1, 0, 0, 0, 0, 0xFF, 0, 3, 2, 1}));
  for (std::size_t i = 28; i < 52; ++i) EXPECT_EQ(image[i], 0) << i;
  EXPECT_EQ(image[52], 1);
  EXPECT_EQ(image[53], 17);
  EXPECT_EQ(std::string(image.begin() + 54, image.begin() + 71), "Minimize To &Tray");
  EXPECT_EQ(image[104], 1);
}

TEST(OptionsRecord, MultiByteFieldsAreLittleEndianAndRoundTrip) {
  TOptionsRecord o;
  o.EveryHideMinutes = 0x1234;
  o.CountColor = 0x00A1B2C3;
  o.Hotkey(6) = {1, 0x0A, 0x0170};
  o.SetMenuText("To the tray");
  const auto image = EncodeOptions(o);
  EXPECT_EQ(image[8], 0x34);
  EXPECT_EQ(image[9], 0x12);
  EXPECT_EQ((Bytes{image[20], image[21], image[22], image[23]}), (Bytes{0xC3, 0xB2, 0xA1, 0}));
  EXPECT_EQ((Bytes{image[48], image[49], image[50], image[51]}), (Bytes{1, 0x0A, 0x70, 0x01}));
  TOptionsRecord back;
  DecodeOptionsOver(back, image);
  EXPECT_EQ(EncodeOptions(back), image);
  EXPECT_EQ(back.MenuText(), "To the tray");
}

TEST(OptionsRecord, MenuTextIsCutToFiftyBytes) {
  TOptionsRecord o;
  o.SetMenuText(std::string(80, 'x'));
  EXPECT_EQ(o.MenuText().size(), 50u);
  o.SetMenuText(std::string(49, 'x') + "托盘");  // 49 + 3 bytes: cut before the character, not inside it
  EXPECT_EQ(o.MenuText(), std::string(49, 'x'));
  o.MenuItemText[0] = 200;  // a damaged length byte never reads past the field
  EXPECT_EQ(o.MenuText().size(), 50u);
}

TEST(HookCodes, TablesMapEveryValue) {
  EXPECT_EQ(ButtonCodeFor(0), 8u);
  EXPECT_EQ(ButtonCodeFor(1), 9u);
  EXPECT_EQ(ButtonCodeFor(2), 20u);
  EXPECT_EQ(ButtonCodeFor(3), 37u);
  EXPECT_EQ(ButtonCodeFor(4), 0u);
  EXPECT_EQ(ButtonCodeFor(200), 0u);
  EXPECT_EQ(HoldKeyCodeFor(0), 1);
  EXPECT_EQ(HoldKeyCodeFor(1), 2);
  EXPECT_EQ(HoldKeyCodeFor(2), 3);
  EXPECT_EQ(HoldKeyCodeFor(3), 0);
  EXPECT_EQ(HoldKeyCodeFor(9), 0);
}

class OptionsStore : public ::testing::Test {
 protected:
  fake::FakeWorld w;
  TMemBlock block{};
};

TEST_F(OptionsStore, FirstLoadWritesTheDefaultsAndPushesTheCodes) {
  const TOptionsRecord o = LoadOptions(w.registry, &block);
  EXPECT_EQ(EncodeOptions(o), EncodeOptions(TOptionsRecord{}));
  const Bytes stored = Stored(w);
  EXPECT_EQ(stored.size(), 108u);
  EXPECT_EQ(w.registry.Get("SOFTWARE\\Velmora", "Options")->type, win::REG_BINARY);
  const auto image = EncodeOptions(o);
  EXPECT_EQ(stored, Bytes(image.begin(), image.end()));
  EXPECT_EQ(block.ButtonCode, 37u);
  EXPECT_EQ(block.HoldKeyCode, 3);
}

TEST_F(OptionsStore, ShortValueKeepsDefaultsBeyondItsEnd) {
  Bytes thirty(30, 0);
  thirty[4] = 2;    // TrayMode
  thirty[26] = 0;   // RunAtLogin
  thirty[28] = 1;   // first hotkey Enabled
  thirty[29] = 6;   // and Modifiers
  w.registry.Put("SOFTWARE\\Velmora", "Options", win::REG_BINARY, thirty);
  const TOptionsRecord o = LoadOptions(w.registry, &block);
  EXPECT_EQ(o.TrayMode, 2);
  EXPECT_EQ(o.RunAtLogin, 0);
  EXPECT_EQ(o.Hotkey(1).Enabled, 1);
  EXPECT_EQ(o.Hotkey(1).Modifiers, 6);
  EXPECT_EQ(o.Hotkey(1).Key, 0);
  EXPECT_EQ(o.ShowSplash, 1);
  EXPECT_EQ(o.MenuText(), "Minimize To &Tray");
  EXPECT_EQ(o.UseMenuItem, 1);
  EXPECT_EQ(Stored(w).size(), 30u) << "a short value is not rewritten";
}

TEST_F(OptionsStore, EmptyMenuTextLoadsAsDefaultButStaysStored) {
  auto image = EncodeOptions(TOptionsRecord{});
  image[53] = 0;
  w.registry.Put("SOFTWARE\\Velmora", "Options", win::REG_BINARY, Bytes(image.begin(), image.end()));
  EXPECT_EQ(LoadOptions(w.registry, &block).MenuText(), "Minimize To &Tray");
  EXPECT_EQ(Stored(w)[53], 0);
}

TEST_F(OptionsStore, ValueOfAnotherTypeGivesDefaultsAndIsLeftAlone) {
  w.registry.Put("SOFTWARE\\Velmora", "Options", 1 /* REG_SZ */, Bytes{'x', 0});
  EXPECT_EQ(EncodeOptions(LoadOptions(w.registry, &block)), EncodeOptions(TOptionsRecord{}));
  EXPECT_EQ(w.registry.Get("SOFTWARE\\Velmora", "Options")->type, 1u);
  EXPECT_EQ(block.ButtonCode, 37u);
}

TEST_F(OptionsStore, LongerValueUsesItsFirst108Bytes) {
  auto image = EncodeOptions(TOptionsRecord{});
  image[4] = 1;
  Bytes longer(image.begin(), image.end());
  longer.resize(300, 0xEE);
  w.registry.Put("SOFTWARE\\Velmora", "Options", win::REG_BINARY, longer);
  const TOptionsRecord o = LoadOptions(w.registry, &block);
  EXPECT_EQ(o.TrayMode, 1);
  EXPECT_EQ(o.UseMenuItem, 1);
}

TEST_F(OptionsStore, UnreachableKeyGivesDefaultsAndWritesNothing) {
  w.registry.failAll = true;
  const TOptionsRecord o = LoadOptions(w.registry, &block);
  EXPECT_EQ(EncodeOptions(o), EncodeOptions(TOptionsRecord{}));
  w.registry.failAll = false;
  EXPECT_FALSE(w.registry.Get("SOFTWARE\\Velmora", "Options").has_value());
}

TEST_F(OptionsStore, SaveStoresAppliesAndPushesInThatOrder) {
  TOptionsRecord o;
  o.RightClickButton = 1;
  o.HoldKey = 3;
  o.SetMenuText("");
  std::vector<std::string> steps;
  ASSERT_TRUE(SaveOptions(o, w.registry, &block, [&](const TOptionsRecord& applied) {
    steps.push_back(w.registry.Get("SOFTWARE\\Velmora", "Options") ? "applied after store" : "applied before store");
    EXPECT_EQ(applied.RightClickButton, 1);
  }));
  EXPECT_EQ(steps, std::vector<std::string>{"applied after store"});
  EXPECT_EQ(block.ButtonCode, 9u);
  EXPECT_EQ(block.HoldKeyCode, 0);
  // Round trip: the same bytes, the empty menu text coming back as the default.
  const TOptionsRecord back = LoadOptions(w.registry, &block);
  auto expected = EncodeOptions(o);
  auto got = EncodeOptions(back);
  EXPECT_EQ(back.MenuText(), "Minimize To &Tray");
  expected[53] = got[53] = 0;
  std::fill(expected.begin() + 54, expected.begin() + 104, 0);
  std::fill(got.begin() + 54, got.begin() + 104, 0);
  EXPECT_EQ(got, expected);
}

TEST_F(OptionsStore, FailedSaveChangesNeitherLiveCopyNorBlock) {
  block.ButtonCode = 37;
  w.registry.failAll = true;
  TOptionsRecord o;
  o.RightClickButton = 4;
  bool applied = false;
  EXPECT_FALSE(SaveOptions(o, w.registry, &block, [&](const TOptionsRecord&) { applied = true; }));
  EXPECT_FALSE(applied);
  EXPECT_EQ(block.ButtonCode, 37u);
}

}  // namespace
}  // namespace velmora
