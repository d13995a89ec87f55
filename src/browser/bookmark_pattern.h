#pragma once

#include <string>

namespace quiremark::browser {

// The bookmark filter's pattern rule: the whole text must match. "*" matches
// any run of characters (also none), "?" any one character, "#" one digit,
// "[list]" one character of the list (ranges like "a-f" allowed) and "[!list]"
// one character not in it; every other character matches only itself, with
// letter case significant. Texts and patterns are UTF-8; characters, not
// bytes, are matched.
bool MatchesBookmarkPattern(const std::string& text, const std::string& pattern);

}  // namespace quiremark::browser
