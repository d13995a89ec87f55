#include "controls/headless_ui.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "version.h"

namespace quiremark::controls {

HeadlessUi::HeadlessUi(std::ostream& err) : err_(err) {}

MsgResult HeadlessUi::SafeAnswer(int style) {
  switch (style & mb::kButtonMask) {
    case mb::kOkOnly: return MsgResult::Ok;
    case mb::kYesNo: return MsgResult::No;
    default: return MsgResult::Cancel;
  }
}

namespace {
// Boxes break lines with a carriage return alone; on a terminal that would
// write the next line over the first.
std::string TerminalLines(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      out += '\n';
    }
  }
  return out;
}
}  // namespace

MsgResult HeadlessUi::MessageBox(const std::string& text, int style, const std::string& title) {
  const MsgResult answer = SafeAnswer(style);
  const char* answerText = answer == MsgResult::Ok ? "OK" : answer == MsgResult::No ? "Nej" : "Avbryt";
  err_ << (title.empty() ? version::kTitle : title) << ": " << TerminalLines(text) << " [" << answerText << "]"
       << std::endl;
  return answer;
}

std::optional<std::string> HeadlessUi::SaveFileDialog(const FileDialogRequest& request) {
  err_ << request.title << ": ingen fil vald utan skärm" << std::endl;
  return std::nullopt;
}

std::optional<std::string> HeadlessUi::OpenFileDialog(const FileDialogRequest& request) {
  err_ << request.title << ": ingen fil vald utan skärm" << std::endl;
  return std::nullopt;
}

std::string HeadlessUi::BrowseForFolder(const std::string&, const std::string& title) {
  err_ << title << ": ingen mapp vald utan skärm" << std::endl;
  return "";
}

void HeadlessUi::EndProgram(int exitCode) {
  err_.flush();
  std::fflush(nullptr);
  std::exit(exitCode);
}

}  // namespace quiremark::controls
