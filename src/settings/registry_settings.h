#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace quiremark::settings {

using platform::Hive;

// Sentinel of the enumerations past the last entry.
inline constexpr const char* kNotFound = "Not Found";

// "Software\<company>\<product>" from the version information.
std::string ProgramKeyPath();

// Values of the program key (current user, or local machine for the *Machine
// calls). An empty subKey means the program key itself; a non-empty one is
// appended as "\subKey" and created by writes when missing.
void SaveRegSetting(const std::string& valueName, const std::string& value, const std::string& subKey = "");
void DeleteRegSetting(const std::string& valueName, const std::string& subKey = "");
void SaveMachineSetting(const std::string& valueName, const std::string& value, const std::string& subKey = "");
std::string GetRegSetting(const std::string& valueName, const std::string& defaultValue,
                          const std::string& subKey = "");
// A number stored as text (regional format, "." accepted too); the default
// when the value is missing or its text is no number.
double GetRegNumber(const std::string& valueName, double defaultValue, const std::string& subKey = "");
std::string GetMachineSetting(const std::string& valueName, const std::string& defaultValue,
                              const std::string& subKey = "");

// A list choice as the options store it (the item's index as decimal text),
// brought into a list of `count` items as the options dialog shows it: an
// index past the end is the last item, a negative one the first, and a text
// that is no number is `defaultIndex`. The PDF gets what the dialog shows.
int ListChoice(const std::string& stored, int defaultIndex, int count);

// Writes a REG_SZ value; an empty text is stored with no data at all.
void RegWriteString(Hive hive, const std::string& keyPath, const std::string& valueName, const std::string& value);
// The text of a REG_SZ value; defaultValue when the key or value is missing,
// the value is of another type or holds no data.
std::string RegQueryString(Hive hive, const std::string& keyPath, const std::string& valueName,
                           const std::string& defaultValue);
// A REG_DWORD value; 0 when missing or of another type.
std::int32_t RegQueryDWord(Hive hive, const std::string& keyPath, const std::string& valueName);
void RegRemoveValue(Hive hive, const std::string& keyPath, const std::string& valueName);

// Default value of a classes-root key, trimmed of blanks and with every double
// quote removed ("\"/opt/x/acro\" \"%1\"" gives "/opt/x/acro %1"); "" when the
// key or its default value is missing. Shows nothing.
std::string GetClassesRootDefault(const std::string& keyName);

// Subkey `index` (from 0) in name order ignoring case; empty optional past the
// last one or when the key is missing.
std::optional<std::string> RegEnumKeyAt(Hive hive, const std::string& keyPath, std::int32_t index);

struct RegValueEntry {
  bool found = false;     // false past the last value: data is then kNotFound
  std::int32_t type = 0;  // registry type number
  std::string name;
  std::string data;       // REG_SZ: the text; REG_DWORD: decimal, at least 3 digits ("005")
};
// Value `index` (from 0) in creation order. Loop while `found`: a value whose
// data happens to be the text "Not Found" does not end the enumeration.
RegValueEntry RegEnumValueAt(Hive hive, const std::string& keyPath, std::int32_t index);

}  // namespace quiremark::settings
