#include "support/scripted_ui.h"

#include <gtest/gtest.h>

namespace quiremark::testing {

ScriptedUi::~ScriptedUi() {
  for (const auto& e : expected_) ADD_FAILURE() << "message box never shown: " << e.text;
}

void ScriptedUi::ExpectBox(std::string text, controls::MsgResult answer, std::optional<int> style,
                           std::optional<std::string> title) {
  expected_.push_back({std::move(text), answer, style, std::move(title)});
}

void ScriptedUi::ExpectBoxContaining(std::string part, controls::MsgResult answer) {
  expected_.push_back({std::move(part), answer, std::nullopt, std::nullopt, true});
}

controls::MsgResult ScriptedUi::MessageBox(const std::string& text, int style, const std::string& title) {
  shown.push_back({text, style, title});
  if (expected_.empty()) {
    ADD_FAILURE() << "unexpected message box: \"" << text << "\" (style " << style << ", title \"" << title
                  << "\")";
    return controls::MsgResult::Cancel;
  }
  Expected e = expected_.front();
  expected_.pop_front();
  if (e.partial) {
    EXPECT_NE(text.find(e.text), std::string::npos) << "box \"" << text << "\" holds \"" << e.text << "\"";
  } else {
    EXPECT_EQ(text, e.text);
  }
  if (e.style) {
    EXPECT_EQ(style, *e.style) << "style of box \"" << text << "\"";
  }
  if (e.title) {
    EXPECT_EQ(title, *e.title) << "title of box \"" << text << "\"";
  }
  return e.answer;
}

std::optional<std::string> ScriptedUi::SaveFileDialog(const controls::FileDialogRequest& request) {
  saveRequests.push_back(request);
  if (saveAnswers_.empty()) return std::nullopt;
  auto a = saveAnswers_.front();
  saveAnswers_.pop_front();
  return a;
}

std::optional<std::string> ScriptedUi::OpenFileDialog(const controls::FileDialogRequest& request) {
  openRequests.push_back(request);
  if (openAnswers_.empty()) return std::nullopt;
  auto a = openAnswers_.front();
  openAnswers_.pop_front();
  return a;
}

std::string ScriptedUi::BrowseForFolder(const std::string& startPath, const std::string& title) {
  folderRequests.emplace_back(startPath, title);
  if (folderAnswers_.empty()) return "";
  auto a = folderAnswers_.front();
  folderAnswers_.pop_front();
  return a;
}

controls::TwipsRect ScriptedUi::WorkAreaAt(const controls::TwipsRect& place) const {
  const int x = place.left + place.width / 2, y = place.top + place.height / 2;
  for (const controls::TwipsRect& area : otherAreas_) {
    if (x >= area.left && x < area.left + area.width && y >= area.top && y < area.top + area.height) return area;
  }
  return workArea_;
}

void ScriptedUi::SetHourglass(bool busy) { hourglass.push_back(busy); }

void ScriptedUi::Yield() {
  ++yields;
  if (onYield) onYield();
}

}  // namespace quiremark::testing
