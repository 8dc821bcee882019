#include "zip/zipmatch.h"

#include <string>

#include "platform/core/strings.h"

namespace zip {

namespace {

// Tests c against the set that starts after "<" at p[i]; sets i past the closing ">". False with i = npos when
// the set is not closed.
bool MatchSet(std::string_view p, size_t& i, unsigned char c) {
  bool negate = false;
  if (i < p.size() && (p[i] == '!' || p[i] == '^')) {
    negate = true;
    ++i;
  }
  bool hit = false;
  while (i < p.size() && p[i] != '>') {
    unsigned char lo = static_cast<unsigned char>(p[i]);
    if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != '>') {
      unsigned char hi = static_cast<unsigned char>(p[i + 2]);
      if (lo > hi) std::swap(lo, hi);
      if (c >= lo && c <= hi) hit = true;
      i += 3;
    } else {
      if (c == lo) hit = true;
      ++i;
    }
  }
  if (i >= p.size()) {
    i = std::string_view::npos;
    return false;
  }
  ++i;  // the ">"
  return hit != negate;
}

}  // namespace

bool IsWildcardMatch(std::string_view pattern, std::string_view name) {
  const std::string p = pf::AnsiLowerCase(pattern);
  const std::string n = pf::AnsiLowerCase(name);
  // Greedy matching with one backtrack point: the last star and the name position it was tried at. Later stars
  // supersede earlier ones, so the run time stays proportional to pattern length times name length.
  size_t pi = 0;
  size_t ni = 0;
  size_t starP = std::string::npos;
  size_t starN = 0;
  while (ni < n.size()) {
    bool advanced = false;
    if (pi < p.size()) {
      char pc = p[pi];
      if (pc == '*') {
        starP = ++pi;
        starN = ni;
        continue;
      }
      if (pc == '?') {
        ++pi;
        ++ni;
        advanced = true;
      } else if (pc == '<') {
        size_t i = pi + 1;
        bool hit = MatchSet(p, i, static_cast<unsigned char>(n[ni]));
        if (i == std::string_view::npos) return false;
        if (hit) {
          pi = i;
          ++ni;
          advanced = true;
        }
      } else if (pc == n[ni]) {
        ++pi;
        ++ni;
        advanced = true;
      }
    }
    if (advanced) continue;
    if (starP == std::string::npos) return false;
    pi = starP;
    ni = ++starN;
  }
  // The rest of the pattern must be stars only; an unclosed set fails even there.
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace zip
