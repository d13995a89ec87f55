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
