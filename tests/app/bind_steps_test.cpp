#include "app/bind_steps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quiremark::app {
namespace {

TEST(BindSteps, SideFileSuffixByMode) {
  EXPECT_EQ(PathSideFileSuffix(0), std::nullopt);
  EXPECT_EQ(PathSideFileSuffix(-1), std::nullopt);
  EXPECT_EQ(PathSideFileSuffix(NAN), std::nullopt);
  EXPECT_EQ(PathSideFileSuffix(1), "");
  EXPECT_EQ(PathSideFileSuffix(2), ".relation");
  EXPECT_EQ(PathSideFileSuffix(1.5f), ".relation");
}

// A path whose last "/" stands at character `lastSep`, made of 9-character folders.
std::string PathWithLastSeparatorAt(std::size_t lastSep) {
  std::string path;
  while (path.size() + 10 < lastSep) path += "/folder12";
  path += "/" + std::string(lastSep - path.size() - 2, 'x') + "/Ritning.plt";
  return path;
}

TEST(BindSteps, ProgressPathShownWholeUpToCharacter80) {
  const std::string at80 = PathWithLastSeparatorAt(80);
  ASSERT_EQ(at80.rfind('/') + 1, 80u);
  EXPECT_EQ(ShortenProgressPath(at80), at80);

  const std::string at81 = PathWithLastSeparatorAt(81);
  ASSERT_EQ(at81.rfind('/') + 1, 81u);
  const std::string shown = ShortenProgressPath(at81);
  EXPECT_NE(shown, at81);
  // Head up to the "/" before the last one at or before 80, then "...", then the last folder and name.
  const std::size_t a = at81.rfind('/', 79);
  const std::size_t head = at81.rfind('/', a - 1);
  const std::size_t b = at81.rfind('/', at81.rfind('/') - 1);
  EXPECT_EQ(shown, at81.substr(0, head + 1) + "..." + at81.substr(b));
}

TEST(BindSteps, ProgressPathCountsCharactersNotBytes) {
  // 79 characters of which many are two-byte letters, then "/" at character 80.
  std::string folder = "/";
  for (int i = 0; i < 39; ++i) folder += "å";
  std::string path = folder + "/" + std::string(38, 'k') + "/Ritning.plt";
  EXPECT_EQ(ShortenProgressPath(path), path);  // last "/" at character 80
  path = folder + "/" + std::string(39, 'k') + "/Ritning.plt";
  EXPECT_EQ(ShortenProgressPath(path), "/..." + path.substr(path.find("/kk")));
}

TEST(BindSteps, ProgressPathWithOneLongFolder) {
  const std::string path = std::string(100, 'a') + "/b.plt";
  EXPECT_EQ(ShortenProgressPath(path), "..." + path);
}

TEST(BindSteps, DigiTejpBatchLine) {
  EXPECT_EQ(DigiTejpBatchLine("/opt/Prog/DigiTejp", "Stämpel.dtt", "/proj/K/A.pdf"),
            "\"/opt/Prog/DigiTejp\" -t Stämpel \"/proj/K/A.pdf\"");
  EXPECT_EQ(DigiTejpBatchLine("/opt/Digi Tejp/run", "Ny stämpel.v2.dtt", "/p/$x \"q\".pdf"),
            "\"/opt/Digi Tejp/run\" -t \"Ny stämpel.v2\" \"/p/\\$x \\\"q\\\".pdf\"");
  EXPECT_EQ(DigiTejpBatchLine("d", "Utan", "a.pdf"), "\"d\" -t Utan \"a.pdf\"");
}

}  // namespace
}  // namespace quiremark::app
