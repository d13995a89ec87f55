#include "browser/bookmark_pattern.h"

#include <cstddef>
#include <vector>

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

bool Match(const std::u32string& text, std::size_t t, const std::u32string& pat, std::size_t p,
           std::vector<std::vector<signed char>>& memo) {
  signed char& seen = memo[t][p];
  if (seen >= 0) return seen != 0;
  bool result;
  if (p == pat.size()) {
    result = t == text.size();
  } else if (pat[p] == U'*') {
    result = Match(text, t, pat, p + 1, memo) || (t < text.size() && Match(text, t + 1, pat, p, memo));
  } else if (t == text.size()) {
    result = false;
  } else if (pat[p] == U'?') {
    result = Match(text, t + 1, pat, p + 1, memo);
  } else if (pat[p] == U'#') {
    result = text[t] >= U'0' && text[t] <= U'9' && Match(text, t + 1, pat, p + 1, memo);
  } else if (pat[p] == U'[') {
    bool matched = false;
    const std::size_t next = MatchList(pat, p + 1, text[t], matched);
    if (next == std::u32string::npos)
      result = text[t] == U'[' && Match(text, t + 1, pat, p + 1, memo);
    else
      result = matched && Match(text, t + 1, pat, next, memo);
  } else {
    result = text[t] == pat[p] && Match(text, t + 1, pat, p + 1, memo);
  }
  seen = result ? 1 : 0;
  return result;
}

}  // namespace

bool MatchesBookmarkPattern(const std::string& text, const std::string& pattern) {
  const std::u32string t = CodePoints(text);
  const std::u32string p = CodePoints(pattern);
  std::vector<std::vector<signed char>> memo(t.size() + 1, std::vector<signed char>(p.size() + 1, -1));
  return Match(t, 0, p, 0, memo);
}

}  // namespace quiremark::browser
