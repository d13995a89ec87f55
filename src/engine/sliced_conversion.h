#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "controls/ui_services.h"
#include "engine/pdf_page_count.h"
#include "engine/pending_pdf.h"
#include "engine/run_files.h"
#include "engine/splash_form.h"
#include "engine/temp_ps_file.h"

namespace quiremark::engine {

// What decides how a bind is converted: its plot files, pages and bytes,
// and whether it must be converted in one run (its outline has entries that
// name pages of the whole bind: a tree scan bound in another order than its
// own).
struct BindSize {
  size_t files = 0;
  int pages = 0;
  uint64_t bytes = 0;
  bool oneRunOnly = false;
};

// What the machine has for the slices: the processors the program may use,
// the tasks of other programs that keep some of them busy, the memory free.
struct SliceMachine {
  size_t processors = 1;
  size_t otherTasks = 0;
  std::optional<uint64_t> memory;
};

// In how many slices gs converts `bind` on `machine`: 1 (one run) for a bind
// too small to gain from more (the slices' gs to start and the joining then
// cost more than they save) or one that must be converted in one run; else
// as many as make it soonest, each taking turns with the tasks of other
// programs on the processors the program may use, no more than there are
// processors and plot files, and as many as the memory has room for.
size_t SliceCount(const BindSize& bind, const SliceMachine& machine);

// SliceCount of the bind of `temp` on this machine as it is now. The
// environment variable QUIREMARK_SLICES, a whole number, sets the count in
// place of the machine and of what the bind would gain (still no more than
// there are plot files), for tests and measurements.
size_t GhostscriptSlices(const TempPsFile& temp);

struct SlicedConversion {
  // False when there is no room for the slices in the temporary folder:
  // nothing was started, and the bind is converted in one run.
  bool ran = false;
  std::string failure;  // why no PDF was made, as a conversion in one run says it; "" when made
  PdfPages pages;       // the pages the slices made and where each plot file began in them
};

// Converts the bind of `temp` (the run's temporary file of `files`) in
// `count` slices (PlanSlices), each by its own gs at once in the run's
// folder, and joins their PDFs into `pdf`'s file (MergePdfParts). The
// progress bar shows how far the gs processes have read their slices
// together; the window is kept alive meanwhile. A gs that fails ends the
// others, and its failure names the plot file gs stopped in, or else the
// plot files of its slice. The slices' files go as soon as they are done
// with, and with the run's folder on every way out; gs's messages of all the
// slices, in order, make the run's log. `started` runs once the slices' gs
// are started; not when the bind is left to one run.
SlicedConversion ConvertInSlices(const std::filesystem::path& gs, const TempPsFile& temp, size_t count,
                                 RunFiles& files, const PendingPdf& pdf, controls::UiServices& ui, SplashForm& splash,
                                 const std::function<void()>& started);

}  // namespace quiremark::engine
