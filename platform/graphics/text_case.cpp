#include "platform/graphics/text_case.h"

#include <QChar>

namespace pf {

namespace {

constexpr char16_t kDotlessI = 0x0131;

// The toolkit answers a unit whose partner is longer than one character with the unit itself.
char16_t OneUnit(char16_t unit, char32_t mapped) { return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : unit; }

}  // namespace

void CharUpperBuffW(std::u16string& text) {
  for (char16_t& unit : text)
    if (unit != kDotlessI) unit = OneUnit(unit, QChar::toUpper(char32_t{unit}));
}

void CharLowerBuffW(std::u16string& text) {
  for (char16_t& unit : text) unit = OneUnit(unit, QChar::toLower(char32_t{unit}));
}

}  // namespace pf
