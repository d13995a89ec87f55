#include "engine/outline.h"

#include <utility>

namespace quiremark::engine {

namespace {
std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}
}  // namespace

void OutlineState::ResetScan() {
  records_.clear();
  pageCounter_ = 0;
}

void OutlineState::AddGroupEntry(int count, std::string title) {
  records_.push_back({OutlineRecord::Kind::Group, pageCounter_ + 1, count, std::move(title)});
}

void OutlineState::AddPageEntry(std::string title) {
  ++pageCounter_;
  records_.push_back({OutlineRecord::Kind::Page, pageCounter_, 0, std::move(title)});
}

void OutlineState::AddFileEntries(const std::string& title, int pages) {
  const std::string trimmed = TrimBlanks(title);
  if (pages == 1) {
    AddPageEntry(trimmed);
    return;
  }
  AddGroupEntry(pages, trimmed);
  for (int i = 1; i <= pages; ++i) AddPageEntry("(Sid. " + std::to_string(i) + ")");
}

}  // namespace quiremark::engine
