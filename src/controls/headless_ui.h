#pragma once

#include <iosfwd>

#include "controls/ui_services.h"

namespace quiremark::controls {

// UiServices for a run without a display: every message box is written to the
// error stream and takes the safe answer (OK on a note, No on a Yes/No
// question, Cancel wherever there is one), dialogs are cancelled, and the
// screen is a fixed 1920 x 1080 pixel desktop.
class HeadlessUi : public UiServices {
 public:
  explicit HeadlessUi(std::ostream& err);

  // The answer a box of this style takes without a user.
  static MsgResult SafeAnswer(int style);

  MsgResult MessageBox(const std::string& text, int style, const std::string& title) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::string BrowseForFolder(const std::string& startPath, const std::string& title) override;
  void SetHourglass(bool) override {}
  void Yield() override {}
  TwipsRect Screen() const override { return {0, 0, 28800, 16200}; }
  TwipsRect WorkArea() const override { return {0, 0, 28800, 15600}; }
  void EndProgram(int exitCode) override;

 private:
  std::ostream& err_;
};

}  // namespace quiremark::controls
