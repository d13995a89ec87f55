#include "engine/bind_slices.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>


namespace quiremark::engine {

namespace {

void Fail() { throw std::system_error(errno, std::generic_category()); }

void WriteAll(int out, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(out, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail();
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// Copies [from, from + length) of `in` to `out`, in the kernel where it can.
void CopyRange(int in, uint64_t from, uint64_t length, int out) {
  loff_t at = static_cast<loff_t>(from);
  while (length > 0) {
    const ssize_t n = ::copy_file_range(in, &at, out, nullptr, length, 0);
    if (n > 0) {
      length -= static_cast<uint64_t>(n);
      continue;
    }
    if (n == 0) {  // the file is shorter than it was written
      errno = EIO;
      Fail();
    }
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) Fail();
    // Between file systems that cannot copy for us: through a buffer.
    std::string buffer(std::min<uint64_t>(length, 1 << 20), '\0');
    while (length > 0) {
      const ssize_t got = ::pread(in, buffer.data(), std::min<uint64_t>(length, buffer.size()), at);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        if (got == 0) errno = EIO;
        Fail();
      }
      WriteAll(out, std::string_view(buffer.data(), static_cast<size_t>(got)));
      at += got;
      length -= static_cast<uint64_t>(got);
    }
  }
}

}  // namespace

std::vector<BindSlice> PlanSlices(const std::vector<BoundFile>& files, size_t count) {
  std::vector<BindSlice> slices;
  const size_t n = files.size();
  count = std::min(count, n);
  if (count == 0) return slices;
  uint64_t total = 0;
  for (const BoundFile& file : files) total += file.end - file.begin;
  size_t next = 0;
  uint64_t done = 0;
  int pages = 0;
  for (size_t j = 0; j < count; ++j) {
    BindSlice slice{next, next, pages, 0};
    const uint64_t target = total / count * (j + 1) + total % count * (j + 1) / count;
    // One file at least, and one left for each slice after this one; the
    // cut goes to the boundary nearest the slice's share.
    const size_t last = j + 1 == count ? n : n - (count - j - 1);
    do {
      const uint64_t size = files[slice.endFile].end - files[slice.endFile].begin;
      slice.bytes += size;
      pages += files[slice.endFile].pages;
      ++slice.endFile;
    } while (slice.endFile < last &&
             (j + 1 == count ||
              done + slice.bytes + (files[slice.endFile].end - files[slice.endFile].begin) / 2 <= target));
    done += slice.bytes;
    next = slice.endFile;
    slices.push_back(slice);
  }
  return slices;
}

uint64_t WriteSlice(const TempPsFile& temp, int tempFd, const BindSlice& slice, int out) {
  const std::vector<BoundFile>& files = temp.files();
  const uint64_t begin = files[slice.firstFile].begin;
  const uint64_t end = files[slice.endFile - 1].end;
  uint64_t start = begin;
  if (slice.firstFile == 0) {
    CopyRange(tempFd, 0, end, out);
    CopyRange(tempFd, temp.trailerBegin(), temp.bookmarksBegin() - temp.trailerBegin(), out);
  } else {
    CopyRange(tempFd, 0, temp.headerEnd(), out);
    start = temp.headerEnd();
    CopyRange(tempFd, begin, end - begin, out);
  }
  WriteAll(out, "%%EOF\r\n");
  return start;
}

}  // namespace quiremark::engine
