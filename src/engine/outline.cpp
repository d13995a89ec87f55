#include "engine/outline.h"

#include <stdexcept>
#include <utility>

#include "engine/page_count.h"
#include "platform/text_encoding.h"

namespace quiremark::engine {

void OutlineState::ResetScan() {
  items_.clear();
  files_.clear();
  uncounted_ = 0;
  taken_ = 0;
  takenPages_ = 0;
  built_ = false;
}

void OutlineState::AddGroupEntry(int count, std::string title) {
  items_.push_back({Item::Type::Group, count, std::move(title)});
  built_ = false;
}

void OutlineState::AddPageEntry(std::string title) {
  items_.push_back({Item::Type::Page, 0, std::move(title)});
  built_ = false;
}

void OutlineState::AddFileEntries(const std::string& title, int pages) {
  items_.push_back({Item::Type::File, pages, platform::Trim(title)});
  built_ = false;
}

void OutlineState::AddUncountedFile(const std::string& title, std::string file) {
  files_[std::move(file)].push_back(items_.size());
  items_.push_back({Item::Type::File, -1, platform::Trim(title)});
  ++uncounted_;
  built_ = false;
}

void OutlineState::FileCounted(const std::string& file, int pages) {
  const auto found = files_.find(file);
  if (found == files_.end()) return;
  for (const std::size_t index : found->second) {
    Item& item = items_[index];
    if (item.count < 0) --uncounted_;
    item.count = pages;
  }
  built_ = false;
}

void OutlineState::CountRemainingFiles() {
  if (complete()) return;
  for (const auto& [file, indexes] : files_) {
    if (items_[indexes.front()].count >= 0) continue;
    int pages = 1;
    try {
      pages = CountPsPages(file);
    } catch (const std::exception&) {
      // gone or unreadable since the scan listed it: as a file without page comments
    }
    FileCounted(file, pages);
  }
}

const std::vector<OutlineRecord>& OutlineState::records() const {
  Build();
  return records_;
}

int OutlineState::pageCounter() const {
  Build();
  return pageCounter_;
}

void OutlineState::AppendRecords(const Item& item, int& pageCounter, std::vector<OutlineRecord>& records) {
  const auto page = [&](std::string title) {
    ++pageCounter;
    records.push_back({OutlineRecord::Kind::Page, pageCounter, 0, std::move(title)});
  };
  switch (item.type) {
    case Item::Type::Group:
      records.push_back({OutlineRecord::Kind::Group, pageCounter + 1, item.count, item.title});
      break;
    case Item::Type::Page: page(item.title); break;
    case Item::Type::File:
      if (item.count == 1) {
        page(item.title);
        break;
      }
      records.push_back({OutlineRecord::Kind::Group, pageCounter + 1, item.count, item.title});
      for (int i = 1; i <= item.count; ++i) page("(Sid. " + std::to_string(i) + ")");
      break;
  }
}

void OutlineState::Build() const {
  if (built_) return;
  if (!complete()) throw std::logic_error("the outline holds plot files whose pages are not counted yet");
  records_.clear();
  pageCounter_ = 0;
  for (const Item& item : items_) AppendRecords(item, pageCounter_, records_);
  built_ = true;
}

std::vector<OutlineRecord> OutlineState::Take(std::size_t end) {
  std::vector<OutlineRecord> records;
  for (; taken_ < end; ++taken_) AppendRecords(items_[taken_], takenPages_, records);
  return records;
}

std::vector<OutlineRecord> OutlineState::TakeRecordsThroughLast() { return Take(items_.size()); }

std::vector<OutlineRecord> OutlineState::TakeRecordsThrough(const std::string& file) {
  const auto found = files_.find(file);
  if (found == files_.end()) return {};
  std::size_t end = 0;
  for (const std::size_t index : found->second) {
    if (index >= taken_) {
      end = index + 1;
      break;
    }
  }
  if (end == 0) return {};
  for (std::size_t k = taken_; k < end; ++k) {
    if (items_[k].count < 0) return {};
  }
  return Take(end);
}

std::vector<OutlineRecord> OutlineState::TakeRemainingRecords() {
  if (!complete()) throw std::logic_error("the outline holds plot files whose pages are not counted yet");
  return Take(items_.size());
}

}  // namespace quiremark::engine
