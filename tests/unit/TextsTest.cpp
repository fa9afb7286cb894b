// The texts follow the user's UI language, and every table has every text.
#include <gtest/gtest.h>

#include "TestWorld.h"
#include "text/Texts.h"

namespace velmora {
namespace {

TEST(Texts, EveryTableHasEveryTextWithTheSamePlaceholders) {
  // 0, 1 or several "{}".
  auto holes = [](std::string_view text) {
    return text.find("{}") == text.npos ? 0 : text.find("{}") == text.rfind("{}") ? 1 : 2;
  };
  for (const TextTable* table : TextTables()) {
    for (std::size_t i = 0; i < TextCount; ++i) {
      const auto id = static_cast<TextId>(i);
      EXPECT_FALSE((*table)[id].empty()) << "language " << table->language << ", text " << i;
      EXPECT_EQ(holes((*table)[id]), holes(EnglishTexts[id])) << "language " << table->language << ", text " << i;
    }
  }
}

TEST(Texts, TheTableFollowsThePrimaryLanguageOfTheUiLanguage) {
  const std::pair<std::uint16_t, const TextTable*> cases[] = {
      {0x0804, &ChineseTexts}, {0x0404, &ChineseTexts}, {0x0C04, &ChineseTexts}, {0x1004, &ChineseTexts},
      {0x1404, &ChineseTexts}, {0x7C04, &ChineseTexts}, {0x0409, &EnglishTexts}, {0x0809, &EnglishTexts},
      {0x0407, &EnglishTexts}, {0x0419, &EnglishTexts}, {0x0411, &EnglishTexts}, {0x0000, &EnglishTexts}};
  fake::FakeKernel kernel;
  for (const auto& [language, table] : cases) {
    kernel.uiLanguage = language;
    EXPECT_EQ(&UserTexts(kernel), table) << std::hex << language;
  }
  // The program reads it at start: an English user's menu and help page.
  test::VelmoraWorld v;
  v.w.kernel.uiLanguage = 0x0409;
  v.Start();
  const Hwnd wnd = v.Foreign("X", "Book");
  const std::vector<MenuEntry> items = v.form->Menus->BuildWindowMenu(wnd);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].submenu[0].text + items[0].submenu[1].text + items[0].submenu[2].text, "OptionsHelpExit");
  EXPECT_EQ(items[2].text + items[3].text, "CloseRestore");
  v.w.shell.existingPaths.insert("C:\\Apps\\Velmora\\velmora.chm");
  v.w.menus.choices.push_back(
      [](const std::vector<MenuEntry>& shown) { return fake::FakeMenus::CommandOf(shown, "Help"); });
  v.form->Menus->ShowWindowMenu(wnd, false);
  ASSERT_FALSE(v.w.shell.executions.empty());
  EXPECT_EQ(v.w.shell.executions.back().parameters, "velmora.chm::/index.html");
}

}  // namespace
}  // namespace velmora
