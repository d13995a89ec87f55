#include "engine/outline.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "engine/plot_files.h"
#include "support/test_support.h"

namespace quiremark::engine {
namespace {

// The records as "page title" and "page [count] title" lines.
std::vector<std::string> Lines(const OutlineState& outline) {
  std::vector<std::string> lines;
  for (const OutlineRecord& r : outline.records())
    lines.push_back(std::to_string(r.page) +
                    (r.kind == OutlineRecord::Kind::Group ? " [" + std::to_string(r.count) + "] " : " ") + r.title);
  return lines;
}

// A tree scan's plot files take their pages when the bind copies them, and
// the entries after each one follow; a file no bind copied is counted on its own.
TEST(OutlineState, AScansPlotFilesTakeThePagesTheBindCounted) {
  testing::TempDir dir;
  const std::string a = (dir / "a.plt").string(), b = (dir / "Sub" / "b.plt").string();
  std::filesystem::create_directories(dir / "Sub");
  testing::WriteFile(b, testing::DriverPlotFile(3));
  OutlineState outline;
  outline.AddUncountedFile(" Plan ", a);
  outline.AddGroupEntry(2, "Sub");
  outline.AddUncountedFile("Sektion", b);
  outline.AddUncountedFile("Fasad", (dir / "Sub" / "borta.plt").string());
  EXPECT_FALSE(outline.complete());
  EXPECT_THROW(outline.records(), std::logic_error) << "no page numbers before the pages are known";

  outline.FileCounted(a, 2);
  outline.FileCounted((dir / "annan.plt").string(), 5);  // not in the outline
  EXPECT_FALSE(outline.complete());
  outline.CountRemainingFiles();  // b from disk; the gone file as one page
  ASSERT_TRUE(outline.complete());
  EXPECT_EQ(Lines(outline), (std::vector<std::string>{"1 [2] Plan", "1 (Sid. 1)", "2 (Sid. 2)", "3 [2] Sub",
                                                       "3 [3] Sektion", "3 (Sid. 1)", "4 (Sid. 2)", "5 (Sid. 3)",
                                                       "6 Fasad"}));
  EXPECT_EQ(outline.pageCounter(), 6);

  outline.FileCounted(a, 1);  // the next bind copied it with one page
  outline.FileCounted(b, 1);
  EXPECT_EQ(Lines(outline), (std::vector<std::string>{"1 Plan", "2 [2] Sub", "2 Sektion", "3 Fasad"}));

  outline.ResetScan();
  EXPECT_TRUE(outline.complete());
  EXPECT_TRUE(outline.records().empty());
  outline.FileCounted(a, 4);  // a bind of a grid after the scan was cleared
  EXPECT_TRUE(outline.records().empty());
}

// A bind takes each file's records with the folder groups before it; a file
// bound out of the scan's order leaves its records, and those after, for later.
TEST(OutlineState, ABindTakesTheRecordsFileByFileInTheScansOrder) {
  OutlineState outline;
  outline.AddUncountedFile("Plan", "/r/a.plt");
  outline.AddGroupEntry(2, "Sub");
  outline.AddUncountedFile("Sektion", "/r/Sub/b.plt");
  outline.AddUncountedFile("Fasad", "/r/Sub/c.plt");
  const auto titles = [](const std::vector<OutlineRecord>& records) {
    std::vector<std::string> lines;
    for (const OutlineRecord& r : records) lines.push_back(std::to_string(r.page) + " " + r.title);
    return lines;
  };
  outline.FileCounted("/r/a.plt", 1);
  EXPECT_EQ(titles(outline.TakeRecordsThrough("/r/a.plt")), (std::vector<std::string>{"1 Plan"}));
  EXPECT_TRUE(outline.TakeRecordsThrough("/r/a.plt").empty()) << "taken once";
  outline.FileCounted("/r/Sub/c.plt", 1);
  EXPECT_TRUE(outline.TakeRecordsThrough("/r/Sub/c.plt").empty()) << "b before it is not counted";
  outline.FileCounted("/r/Sub/b.plt", 2);
  EXPECT_EQ(titles(outline.TakeRecordsThrough("/r/Sub/b.plt")),
            (std::vector<std::string>{"2 Sub", "2 Sektion", "2 (Sid. 1)", "3 (Sid. 2)"}));
  EXPECT_EQ(titles(outline.TakeRemainingRecords()), (std::vector<std::string>{"4 Fasad"}));
  outline.RewindTaking();
  EXPECT_EQ(outline.TakeRemainingRecords().size(), 6u) << "the next bind takes them all again";
}

}  // namespace
}  // namespace quiremark::engine
