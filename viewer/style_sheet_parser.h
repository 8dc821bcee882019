// The style-sheet reader: CSS text from a STYLE element or a linked sheet into the document's style list, and the
// text of a STYLE attribute into one property set. It finds rules, turns selectors into the style list's keys,
// splits declarations, expands shorthand properties and makes url(...) values absolute; the cascade and the
// property values are the style list's business.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/style_properties.h"

namespace viewer {

// Reads a sheet through getChar (the next character, 0 at the end). ch is the caller's current character, read
// first; on return it holds the character at which reading stopped, upper-cased. A linked sheet is a whole file; any
// other text is a STYLE element's content, which ends at the "<" of its end tag. basePath (a folder with its
// trailing "/", or a URL) makes url(...) values absolute; "" leaves them as written.
void ParseStyleSheet(TStyleList& styles, char& ch, const std::function<char()>& getChar, bool linkedSheet,
                     const std::string& basePath);
// The declarations of a STYLE attribute into properties.
void ParseInlineStyle(std::string_view text, TProperties& properties);
// One part of a selector in its canonical order: element, classes, id, pseudo-class, each group sorted and without
// repeats (".b.a" gives ".a.b", "a:hover.x" gives "a.x:hover").
std::string SortSelectorParts(std::string_view part);
// The terms of a shorthand value: blanks separate (not after a ","), quoted strings and url(...) and rgb(...) stay
// whole, and "12pt/14pt" gives "12pt" and "/14pt".
std::vector<std::string> SplitCssTerms(std::string_view value);

}  // namespace viewer
