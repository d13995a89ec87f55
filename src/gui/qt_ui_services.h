#pragma once

#include <QString>
#include <QStringList>

#include <iosfwd>

#include "controls/headless_ui.h"
#include "controls/ui_services.h"

class QWidget;

namespace quiremark::gui {

// Qt dialogs converted from the filter "Description|pattern|..." pairs.
QStringList QtNameFilters(const std::string& filter);

// The form logic's UiServices on real windows: message boxes and dialogs are
// modal over the active window, the hourglass is the application's override
// cursor and Yield runs the pending events once.
class QtUiServices : public controls::UiServices {
 public:
  QtUiServices() = default;
  // For a run that nobody attends: its message boxes are written to
  // `unattended` and take their safe answer by themselves, as without a
  // display, so that the run never waits for a person.
  explicit QtUiServices(std::ostream* unattended) {
    if (unattended) unattended_.emplace(*unattended);
  }

  controls::MsgResult MessageBox(const std::string& text, int style, const std::string& title) override;
  std::optional<std::string> SaveFileDialog(const controls::FileDialogRequest& request) override;
  std::optional<std::string> OpenFileDialog(const controls::FileDialogRequest& request) override;
  std::string BrowseForFolder(const std::string& startPath, const std::string& title) override;
  void SetHourglass(bool busy) override;
  void Yield() override;
  controls::TwipsRect Screen() const override;
  controls::TwipsRect WorkArea() const override;
  controls::TwipsRect WorkAreaAt(const controls::TwipsRect& place) const override;
  void EndProgram(int exitCode) override;

  bool hourglass() const { return hourglass_; }

 private:
  std::optional<std::string> FileDialog(const controls::FileDialogRequest& request, bool save);
  bool hourglass_ = false;
  std::optional<controls::HeadlessUi> unattended_;  // answers the boxes of an unattended run
};

}  // namespace quiremark::gui
