#include "browser/bookmark_pattern.h"

#include <cstddef>

#include "platform/star_match.h"

namespace quiremark::browser {
namespace {

// Code points of a UTF-8 text; a byte that starts no valid sequence stands for itself.
std::u32string CodePoints(const std::string& s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (i + extra >= s.size()) extra = 0;
    char32_t cp = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) {
        extra = 0;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (extra == 0) cp = b;
    out.push_back(cp);
    i += 1 + extra;
  }
  return out;
}

// Matches one character against the bracket list starting after "[" at p.
// Returns the position after "]", or npos when the bracket is never closed
// (then "[" is an ordinary character).
std::size_t MatchList(const std::u32string& pat, std::size_t p, char32_t c, bool& matched) {
  bool negate = p < pat.size() && pat[p] == U'!';
  if (negate) ++p;
  bool found = false;
  bool first = true;
  for (; p < pat.size(); ++p) {
    if (pat[p] == U']' && !first) {
      matched = found != negate;
      return p + 1;
    }
    first = false;
    if (p + 2 < pat.size() && pat[p + 1] == U'-' && pat[p + 2] != U']') {
      if (c >= pat[p] && c <= pat[p + 2]) found = true;
      p += 2;
    } else if (pat[p] == c) {
      found = true;
    }
  }
  return std::u32string::npos;
}

// One character of the text against the pattern element at p, which is no
// "*". On a match, `next` is the pattern position after the element.
bool MatchOne(const std::u32string& pat, std::size_t p, char32_t c, std::size_t& next) {
  switch (pat[p]) {
    case U'?': next = p + 1; return true;
    case U'#': next = p + 1; return c >= U'0' && c <= U'9';
    case U'[': {
      bool matched = false;
      next = MatchList(pat, p + 1, c, matched);
      if (next != std::u32string::npos) return matched;
      next = p + 1;  // an unclosed "[" is itself
      return c == U'[';
    }
    default: next = p + 1; return c == pat[p];
  }
}

}  // namespace

bool MatchesBookmarkPattern(const std::string& text, const std::string& pattern) {
  const std::u32string t = CodePoints(text);
  const std::u32string p = CodePoints(pattern);
  return platform::MatchWithStars(p, t, U'*', [&](std::size_t at, std::size_t c, std::size_t& next, std::size_t& nextC) {
    nextC = c + 1;
    return MatchOne(p, at, t[c], next);
  });
}

}  // namespace quiremark::browser
