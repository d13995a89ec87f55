#pragma once

#include <cstddef>

namespace quiremark::platform {

// Matches a whole text against a pattern made of `star` (any run of the
// text's units, also none) and elements that each take one character. When
// the text runs out of step, only the last star seen takes one more unit:
// what an earlier star could take in addition, the last one can take as well.
// No recursion and no table: time at most text x pattern, memory constant.
//
// `step(p, t, nextP, nextT)` matches the element at pattern position p (never
// the star) against the text at position t; on a match it sets where the
// pattern and the text go on.
template <typename Pattern, typename Text, typename Step>
bool MatchWithStars(const Pattern& pattern, const Text& text, typename Pattern::value_type star, Step step) {
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t afterStar = kNone;  // pattern position after the last star seen
  std::size_t starEnd = 0;        // where that star's run ends in the text
  while (t < text.size()) {
    std::size_t nextP = 0;
    std::size_t nextT = 0;
    if (p < pattern.size() && pattern[p] == star) {
      afterStar = ++p;
      starEnd = t;
    } else if (p < pattern.size() && step(p, t, nextP, nextT)) {
      p = nextP;
      t = nextT;
    } else if (afterStar != kNone) {
      p = afterStar;
      t = ++starEnd;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == star) ++p;
  return p == pattern.size();
}

}  // namespace quiremark::platform
