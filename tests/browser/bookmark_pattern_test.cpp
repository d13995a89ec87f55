#include "browser/bookmark_pattern.h"

#include <gtest/gtest.h>

namespace quiremark::browser {
namespace {

TEST(BookmarkPattern, StarAndEmpty) {
  EXPECT_TRUE(MatchesBookmarkPattern("Plan 1", "*"));
  EXPECT_TRUE(MatchesBookmarkPattern("", "*"));
  EXPECT_FALSE(MatchesBookmarkPattern("Plan 1", ""));
  EXPECT_TRUE(MatchesBookmarkPattern("", ""));
  EXPECT_TRUE(MatchesBookmarkPattern("Plan 1 våning", "Plan*"));
  EXPECT_FALSE(MatchesBookmarkPattern("plan 1", "Plan*")) << "letter case counts";
  EXPECT_TRUE(MatchesBookmarkPattern("Sektion A-A", "*A-A"));
  EXPECT_TRUE(MatchesBookmarkPattern("abcabd", "*ab?"));
}

TEST(BookmarkPattern, SingleCharactersAndDigits) {
  EXPECT_TRUE(MatchesBookmarkPattern("Plan 3", "Plan #"));
  EXPECT_FALSE(MatchesBookmarkPattern("Plan x", "Plan #"));
  EXPECT_TRUE(MatchesBookmarkPattern("Fasad ö", "Fasad ?")) << "? takes one character, not one byte";
  EXPECT_FALSE(MatchesBookmarkPattern("Fasad", "Fasad?"));
}

TEST(BookmarkPattern, BracketLists) {
  EXPECT_TRUE(MatchesBookmarkPattern("A2", "[A-C]#"));
  EXPECT_FALSE(MatchesBookmarkPattern("D2", "[A-C]#"));
  EXPECT_TRUE(MatchesBookmarkPattern("D2", "[!A-C]#"));
  EXPECT_TRUE(MatchesBookmarkPattern("Ä", "[ÅÄÖ]"));
  EXPECT_TRUE(MatchesBookmarkPattern("*", "[*]"));
  EXPECT_FALSE(MatchesBookmarkPattern("x", "[*]"));
  EXPECT_TRUE(MatchesBookmarkPattern("a-", "a[-]"));
  EXPECT_TRUE(MatchesBookmarkPattern("[x", "[x")) << "an unclosed bracket is itself";
}

TEST(BookmarkPattern, LongTextsStayFast) {
  const std::string text(2000, 'a');
  EXPECT_FALSE(MatchesBookmarkPattern(text, "*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchesBookmarkPattern(text + "b", "*a*a*a*a*a*b"));
}

}  // namespace
}  // namespace quiremark::browser
