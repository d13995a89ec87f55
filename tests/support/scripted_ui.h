#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/ui_services.h"

namespace quiremark::testing {

// A UiServices for tests. Every message box must have been announced with
// ExpectBox (in order); an unexpected box fails the test. Dialogs answer
// from queues; an empty queue means the user cancels.
class ScriptedUi : public controls::UiServices {
 public:
  struct Box {
    std::string text;
    int style = 0;
    std::string title;
  };

  ~ScriptedUi() override;

  // The next box must show exactly `text` (and `style`/`title` when given).
  void ExpectBox(std::string text, controls::MsgResult answer, std::optional<int> style = std::nullopt,
                 std::optional<std::string> title = std::nullopt);
  // The next box must show a text that holds `part`.
  void ExpectBoxContaining(std::string part, controls::MsgResult answer);
  void QueueSaveFile(std::optional<std::string> answer) { saveAnswers_.push_back(std::move(answer)); }
  void QueueOpenFile(std::optional<std::string> answer) { openAnswers_.push_back(std::move(answer)); }
  void QueueFolder(std::string answer) { folderAnswers_.push_back(std::move(answer)); }
  void SetScreen(controls::TwipsRect screen, controls::TwipsRect workArea) {
    screen_ = screen;
    workArea_ = workArea;
  }

  controls::MsgResult MessageBox(const std::string& text, int style, const std::string& title) override;
  std::optional<std::string> SaveFileDialog(const controls::FileDialogRequest& request) override;
  std::optional<std::string> OpenFileDialog(const controls::FileDialogRequest& request) override;
  std::string BrowseForFolder(const std::string& startPath, const std::string& title) override;
  void SetHourglass(bool busy) override;
  void Yield() override;
  controls::TwipsRect Screen() const override { return screen_; }
  controls::TwipsRect WorkArea() const override { return workArea_; }
  // Further screens, by their work areas, for the places that lie on them.
  void AddScreen(controls::TwipsRect workArea) { otherAreas_.push_back(workArea); }
  controls::TwipsRect WorkAreaAt(const controls::TwipsRect& place) const override;
  void EndProgram(int exitCode) override { endedWith = exitCode; }

  // What happened, for assertions.
  std::vector<Box> shown;
  std::vector<controls::FileDialogRequest> saveRequests;
  std::vector<controls::FileDialogRequest> openRequests;
  std::vector<std::pair<std::string, std::string>> folderRequests;  // start path, title
  std::vector<bool> hourglass;
  int yields = 0;
  std::optional<int> endedWith;
  // Runs on every Yield, so a test can act "while the run yields".
  std::function<void()> onYield;

 private:
  struct Expected {
    std::string text;
    controls::MsgResult answer;
    std::optional<int> style;
    std::optional<std::string> title;
    bool partial = false;
  };
  std::deque<Expected> expected_;
  std::deque<std::optional<std::string>> saveAnswers_;
  std::deque<std::optional<std::string>> openAnswers_;
  std::deque<std::string> folderAnswers_;
  controls::TwipsRect screen_{0, 0, 28800, 16200};
  controls::TwipsRect workArea_{0, 0, 28800, 15600};
  std::vector<controls::TwipsRect> otherAreas_;
};

}  // namespace quiremark::testing
