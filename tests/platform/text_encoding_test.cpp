#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace qp = quiremark::platform;

TEST(TextEncoding, DecodesWindows1252AndUtf8) {
  EXPECT_EQ(qp::DecodeText("R\xE5ritning \x80 \x96"), "Råritning € –");
  EXPECT_EQ(qp::DecodeText("Råritning"), "Råritning");
  EXPECT_EQ(qp::DecodeText("\xEF\xBB\xBFplan"), "plan");
  EXPECT_EQ(qp::DecodeText(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextEncoding, EncodesWindows1252WhereTheTextFits) {
  EXPECT_EQ(qp::EncodeWindows1252("Sökväg €"), "S\xF6kv\xE4g \x80");
  EXPECT_EQ(qp::EncodeWindows1252("图"), std::nullopt);
  EXPECT_EQ(qp::EncodeForFile("图 å"), "图 å") << "kept whole rather than lost";
  EXPECT_EQ(qp::DecodeText(qp::EncodeForFile("Ärende – Ö")), "Ärende – Ö");
}

TEST(TextEncoding, CaseFoldingCoversSwedishLetters) {
  EXPECT_EQ(qp::FoldCase("ÅÄÖ Ritning"), "åäö ritning");
  EXPECT_TRUE(qp::EqualsIgnoringCase("KÖK.plt", "kök.PLT"));
  EXPECT_LT(qp::CompareIgnoringCase("a", "B"), 0);
}

TEST(TextEncoding, Utf16PairsAndLoneHalves) {
  using namespace std::string_literals;
  EXPECT_EQ(qp::DecodeUtf16Le("\xE5\x00\x3D\xD8\x00\xDE"s), "å\U0001F600");
  EXPECT_EQ(qp::DecodeUtf16Le("\x3D\xD8" "A\x00"s), "\uFFFDA") << "a high half before a letter";
  EXPECT_EQ(qp::DecodeUtf16Le("\x00\xDE" "B\x00"s), "\uFFFDB") << "a low half alone";
  EXPECT_TRUE(qp::IsValidUtf8(qp::DecodeUtf16Le("\x3D\xD8"s)));
}

// Name lookups file names by their length in bytes and fold only names of the
// wanted length, which holds only while folding keeps every length.
TEST(FoldCase, KeepsTheLengthInBytesOfEveryCharacterAndOfBrokenText) {
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    std::string text;
    qp::AppendUtf8(text, cp);
    ASSERT_EQ(qp::FoldCase(text).size(), text.size()) << "U+" << std::hex << static_cast<unsigned>(cp);
  }
  for (const std::string broken : {"\xC3", "\xC1\x81", "R\xF6" "d", "\xE2\x82", "\xF0\x9F\x98", "\xC3\xC3\x85"}) {
    EXPECT_EQ(qp::FoldCase(broken).size(), broken.size());
  }
}
