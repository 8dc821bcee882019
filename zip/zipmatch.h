// Wildcard matching of entry names: "*" any run (also none, across "\"), "?" one character, "<set>" one
// character of a set of characters and ranges ("a-z", either way round; a leading "!" or "^" negates). Both
// strings are lower-cased (Latin-1) first. A set without its closing ">" makes the pattern match nothing.
#pragma once

#include <string_view>

namespace zip {

bool IsWildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace zip
