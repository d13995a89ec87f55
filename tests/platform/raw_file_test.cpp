// Plot and side files are opened through one routine that never blocks: a
// FIFO in place of a file is refused at once by every reader.
#include "platform/raw_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <future>

#include "browser/file_grid.h"
#include "engine/bookmark_text.h"
#include "engine/page_count.h"
#include "engine/temp_ps_file.h"
#include "settings/text_routines.h"
#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

// Runs `read` on another thread and reports whether it came back within the
// time-out. A reader stuck in open() is set free by opening the FIFO for
// writing, so the test ends either way.
bool ReturnsAtOnce(const std::filesystem::path& fifo, const std::function<void()>& read) {
  auto done = std::async(std::launch::async, [&] {
    try {
      read();
    } catch (...) {
    }
  });
  const bool atOnce = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  if (!atOnce) {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    done.wait();
  }
  return atOnce;
}

class RawFile : public ::testing::Test {
 protected:
  qt::TempDir dir;
  std::filesystem::path fifo = dir / "A-01.plt";
  void SetUp() override { ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); }
};

}  // namespace

TEST_F(RawFile, FifoIsRefusedAtOnceByEveryPlotAndSideFileReader) {
  qt::ScopedEnv temp{"Temp", dir.path().string()};
  const std::vector<std::pair<const char*, std::function<void()>>> readers = {
      {"ReadFileInBlocks", [&] { qp::ReadFileInBlocks(fifo, [](const char*, size_t) {}); }},
      {"ReadWholeFile", [&] { qp::ReadWholeFile(fifo); }},
      {"CountPsPages", [&] { quiremark::engine::CountPsPages(fifo); }},
      {"TempPsFile::AppendPlotFile",
       [&] {
         quiremark::engine::TempPsFile out(dir / "t.ps");
         out.AppendPlotFile(fifo, nullptr);
       }},
      {"TempPsFile::AppendPlotFile in a grid run",
       [&] {
         quiremark::engine::TempPsFile out(dir / "t.ps");
         quiremark::engine::OutlineState outline;
         out.AppendPlotFile(fifo, &outline);
       }},
      {"ReadBookmarkText", [&] { quiremark::engine::ReadBookmarkText(fifo); }},
      {"ReadBookmarkFile", [&] { quiremark::browser::ReadBookmarkFile(fifo); }},
      {"ReadFirstLine", [&] { quiremark::settings::ReadFirstLine(fifo); }},
  };
  for (const auto& [name, read] : readers) EXPECT_TRUE(ReturnsAtOnce(fifo, read)) << name << " blocked on a FIFO";
}

TEST_F(RawFile, NonRegularFilesFailWithTheirOwnReason) {
  try {
    qp::ReadWholeFile(fifo);
    FAIL() << "a FIFO was read";
  } catch (const std::filesystem::filesystem_error& error) {
    EXPECT_EQ(error.code(), qp::NotRegularFileError());
    EXPECT_EQ(error.path1(), fifo) << "the error names the file";
    EXPECT_EQ(qp::FileErrorText(error.code()), "ingen vanlig fil (en FIFO, en enhet eller en mapp)");
  }
  EXPECT_THROW(qp::ReadWholeFile(dir.path()), std::filesystem::filesystem_error) << "a folder";
  try {
    qp::ReadWholeFile(dir / "none.plt");
    FAIL() << "a missing file was read";
  } catch (const std::filesystem::filesystem_error& error) {
    EXPECT_EQ(qp::FileErrorText(error.code()), "filen finns inte");
  }
  // The readers above keep their own errors for callers that know them.
  EXPECT_THROW(quiremark::settings::ReadFirstLine(fifo), quiremark::settings::FileError);
  EXPECT_THROW(quiremark::browser::ReadBookmarkFile(fifo), quiremark::settings::FileError);
}

TEST_F(RawFile, RegularFilesAndLinksToThemAreReadWhole) {
  const std::string bytes = std::string(3 << 20, 'x') + "\r\nslut";
  qt::WriteFile(dir / "big.plt", bytes);
  std::filesystem::create_symlink(dir / "big.plt", dir / "link.plt");
  EXPECT_EQ(qp::ReadWholeFile(dir / "link.plt"), bytes);
  std::string copied;
  size_t blocks = 0;
  qp::ReadFileInBlocks(dir / "big.plt", [&](const char* data, size_t size) {
    copied.append(data, size);
    ++blocks;
  });
  EXPECT_EQ(copied, bytes);
  EXPECT_GE(blocks, 4u) << "read in blocks, not whole";
  qt::WriteFile(dir / "empty.txt", "");
  EXPECT_EQ(qp::ReadWholeFile(dir / "empty.txt"), "");
}

// A plot file that another program writes to or cuts short while it is read:
// the reader takes the bytes it had when opened, or to its new end, and a
// buffer kept for many files hands out each file's own bytes.
TEST(ReadFileInBlocks, FileThatGrowsOrShrinksWhileRead) {
  qt::TempDir dir;
  const std::filesystem::path file = dir / "A-01.plt";
  const std::string bytes = [] {
    std::string text;
    for (int i = 0; text.size() < 3 * qp::kReadBlockSize + 500; ++i) text += std::to_string(i) + " 0 moveto\r\n";
    return text;
  }();
  qp::AlignedBuffer buffer(qp::kReadBlockSize);
  const auto read = [&](const std::function<void(size_t block)>& meanwhile) {
    std::string copied;
    size_t blocks = 0;
    qp::ReadFileInBlocks(file, buffer, [&](const char* data, size_t size) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 4096, 0u) << "blocks start on a page";
      copied.append(data, size);
      meanwhile(blocks++);
    });
    return copied;
  };

  qt::WriteFile(file, bytes);
  EXPECT_EQ(read([&](size_t block) {
              if (block == 0) std::ofstream(file, std::ios::binary | std::ios::app) << std::string(50000, 'z');
            }),
            bytes)
      << "grown: read to the size it had when opened";

  qt::WriteFile(file, bytes);
  const size_t kept = qp::kReadBlockSize + 1000;
  EXPECT_EQ(read([&](size_t block) {
              if (block == 0) std::filesystem::resize_file(file, kept);
            }),
            bytes.substr(0, kept))
      << "cut short: read to its new end";

  // The same buffer for the next file, shorter than one block.
  qt::WriteFile(file, "%!PS\r\nshowpage\r\n");
  EXPECT_EQ(read([](size_t) {}), "%!PS\r\nshowpage\r\n");
  qt::WriteFile(file, "");
  EXPECT_EQ(read([](size_t) {}), "");
}
