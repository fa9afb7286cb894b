#include "text/Texts.h"

#include "platform/Kernel.h"

namespace velmora {

namespace {
constexpr const TextTable* Tables[] = {&EnglishTexts, &ChineseTexts};
}

std::string TextTable::operator()(TextId id, std::string_view value) const {
  std::string text((*this)[id]);
  if (const auto at = text.find("{}"); at != std::string::npos) text.replace(at, 2, value);
  return text;
}

std::span<const TextTable* const> TextTables() { return Tables; }

const TextTable& TextsFor(std::uint16_t uiLanguage) {
  // The primary language is the low ten bits; the sublanguage (a country, a script) does not matter.
  const std::uint16_t primary = uiLanguage & 0x3FF;
  for (const TextTable* table : Tables)
    if (table->language == primary) return *table;
  return EnglishTexts;
}

const TextTable& UserTexts(Kernel& kernel) { return TextsFor(kernel.GetUserDefaultUILanguage()); }

}  // namespace velmora
