#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/temp_ps_file.h"

namespace quiremark::engine {

// A part of a bind that a converter converts on its own: consecutive plot
// files, cut from the others only between two of them.
struct BindSlice {
  size_t firstFile = 0;  // the plot files [firstFile, endFile) of the bind
  size_t endFile = 0;
  int pagesBefore = 0;   // the pages of the plot files before it
  uint64_t bytes = 0;    // what its plot files take in the temporary file
};

// The plot files cut into at most `count` slices of about the same bytes,
// each of one file at least, in order. Empty when there are no files.
std::vector<BindSlice> PlanSlices(const std::vector<BoundFile>& files, size_t count);

// Writes the PostScript of `slice` to `out` (an open file, written from
// where it stands) from the finished temporary file `temp`, open as
// `tempFd`: the slice's plot files as the temporary file holds them, after
// the temporary file's own beginning (BindProlog); the first slice begins as
// the temporary file does and takes the document information and the catalog
// lines, which name the bind's first page. The outline entries at the end of
// the temporary file go to none (the whole outline is written when the parts
// are joined). Returns where in what it wrote the first plot file begins.
// Throws std::system_error when a read or a write fails.
uint64_t WriteSlice(const TempPsFile& temp, int tempFd, const BindSlice& slice, int out);

}  // namespace quiremark::engine
