// Case mapping of UTF-16 text by the toolkit's Unicode tables, as the system's CharUpperBuffW and CharLowerBuffW map
// it: unit by unit, one unit for one, so that the length and every position in the text stay.
#pragma once

#include <string>

namespace pf {

// A unit whose partner is not one unit of the basic plane (the sharp s, whose capital is "SS"; the capital I with
// dot, whose small form is two characters), a half of a surrogate pair and the dotless i, which the system's tables
// outside a Turkish locale leave alone, stay as they are.
void CharUpperBuffW(std::u16string& text);
void CharLowerBuffW(std::u16string& text);

}  // namespace pf
