#include "browser/history.h"

#include "platform/text_encoding.h"
#include "settings/registry_settings.h"

namespace quiremark::browser {

void RemovePathEntries(const std::string& subKey, const std::string& path) {
  const std::string key = settings::ProgramKeyPath() + "\\" + subKey;
  // A deletion moves the later values one index down, so the index only
  // moves on past a value that stays.
  for (int index = 0;;) {
    const settings::RegValueEntry entry = settings::RegEnumValueAt(settings::Hive::CurrentUser, key, index);
    if (!entry.found) break;
    if (!platform::EqualsIgnoringCase(entry.data, path)) {
      ++index;
      continue;
    }
    settings::DeleteRegSetting(entry.name, subKey);
    // A value that could not be deleted is passed over, not met again and again.
    if (settings::RegEnumValueAt(settings::Hive::CurrentUser, key, index).name == entry.name) ++index;
  }
}

void SavePrevious(const std::string& date, const std::string& folder, const std::string& rowData) {
  RemovePathEntries(kPreviousKey, rowData);
  settings::SaveRegSetting(date + "|" + folder, rowData, kPreviousKey);
}

}  // namespace quiremark::browser
