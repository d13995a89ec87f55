#include "engine/outline.h"

#include <utility>

#include "platform/text_encoding.h"

namespace quiremark::engine {

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
  const std::string trimmed = platform::Trim(title);
  if (pages == 1) {
    AddPageEntry(trimmed);
    return;
  }
  AddGroupEntry(pages, trimmed);
  for (int i = 1; i <= pages; ++i) AddPageEntry("(Sid. " + std::to_string(i) + ")");
}

}  // namespace quiremark::engine
