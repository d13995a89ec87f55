#include "browser/filters.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "browser/file_grid.h"
#include "platform/text_encoding.h"
#include "settings/ini_file.h"
#include "settings/text_routines.h"

namespace quiremark::browser {

namespace mb = controls::mb;

namespace {

constexpr int kErrorsBeforeEnd = 3;
constexpr int kExitAfterFilterErrors = 1;

// Error numbers of the runtime, for failures that carry none of their own.
constexpr int kErrOutOfMemory = 7;
constexpr int kErrFileNotFound = 53;
constexpr int kErrFileAccess = 75;
constexpr int kErrInvalidCall = 5;

// The number the file-filter handler shows for what went wrong.
int ErrorNumber() {
  try {
    throw;
  } catch (const controls::ControlError& error) {
    return error.number();
  } catch (const settings::FileError& error) {
    return error.number();
  } catch (const std::system_error& error) {
    return error.code() == std::errc::no_such_file_or_directory ? kErrFileNotFound : kErrFileAccess;
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  } catch (const std::exception&) {
    return kErrInvalidCall;
  }
}

}  // namespace

void cboFileExt_Change(ScanPane& pane) {
  FilePane& files = pane.files;
  if (files.state.runActive()) {
    // The run goes on with the filter it started with, and the box shows it
    // again (which comes back here once, with nothing left to refuse).
    if (pane.cboFileExt.text() != files.File1.pattern()) {
      TellRunUnderWay(files.commandBars.statusBar(), files.state);
      pane.cboFileExt.SetText(files.File1.pattern());
    }
    return;
  }
  try {
    files.File1.SetPattern(pane.cboFileExt.text());
    Dir1_Change(files);
  } catch (...) {
    const int number = ErrorNumber();
    if (number == controls::kErrInvalidPropertyValue) return;  // the file list refused the pattern
    files.ui.MessageBox("Felkod: " + std::to_string(number), mb::kOkOnly, "");
    if (++pane.fileFilterErrorCount >= kErrorsBeforeEnd) {
      files.ui.MessageBox("Avslutar!", mb::kOkOnly | mb::kExclamation, "Fel");
      files.ui.EndProgram(kExitAfterFilterErrors);
    }
  }
}

void cboFileExt_Click(ScanPane& pane) { cboFileExt_Change(pane); }

void cboFolderName_Change(ScanPane& pane) {
  const std::string& text = pane.cboFolderName.text();
  pane.cboFolderName.SetBackColor(text != "*" && !text.empty() ? kFolderFilterColor : controls::kSystemWindowColor);
}

void cboFolderName_Click(ScanPane& pane) { cboFolderName_Change(pane); }

void FilterBySelection(ScanPane& pane) {
  FilePane& files = pane.files;
  if (files.state.runActive()) return;
  const controls::Grid& grid = files.fgFiles;
  std::string filter;
  for (int i = 0; i < grid.selectedRows(); ++i)
    filter += settings::GetLastPathPart(grid.TextMatrix(grid.SelectedRow(i), kColFileName)) + ";";
  if (platform::CharCount(filter) > kMaxSelectionFilter) {
    files.ui.MessageBox(
        "För lång textsträng som filfilter. Texten nedkortad till 255 tecken.\r"
        "Urvalet blir ej enligt de filer du markerade.\r"
        "Försök filtrera med wildcard-tecknen '?' och '*'.",
        mb::kOkOnly | mb::kCritical, "Fel i urvalssträng");
    filter = platform::FirstChars(filter, kMaxSelectionFilter);
  }
  if (filter.ends_with(';')) filter.pop_back();
  pane.cboFileExt.SetText(filter);
}

void SavePatterns(const ScanPane& pane) {
  const std::string& iniPath = pane.files.state.iniPath;
  if (iniPath.empty()) return;
  std::vector<std::string> items = pane.cboFileExt.items();
  const std::string& text = pane.cboFileExt.text();
  const bool held = std::any_of(items.begin(), items.end(),
                                [&text](const std::string& item) { return item.find(text) != std::string::npos; });
  if (!held) items.push_back(text);
  settings::WriteIniSection("Patterns", items, iniPath);
}

}  // namespace quiremark::browser
