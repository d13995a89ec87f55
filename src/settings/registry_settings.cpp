#include "settings/registry_settings.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/clock.h"
#include "platform/text_encoding.h"
#include "version.h"

namespace quiremark::settings {

namespace {

std::string KeyPath(const std::string& subKey) {
  return subKey.empty() ? ProgramKeyPath() : ProgramKeyPath() + "\\" + subKey;
}

std::string TextBeforeNul(const std::string& data) { return data.substr(0, data.find('\0')); }

}  // namespace

std::string ProgramKeyPath() {
  return std::string("Software\\") + version::kCompanyName + "\\" + version::kProductName;
}

void SaveRegSetting(const std::string& valueName, const std::string& value, const std::string& subKey) {
  RegWriteString(Hive::CurrentUser, KeyPath(subKey), valueName, value);
}

void DeleteRegSetting(const std::string& valueName, const std::string& subKey) {
  RegRemoveValue(Hive::CurrentUser, KeyPath(subKey), valueName);
}

void SaveMachineSetting(const std::string& valueName, const std::string& value, const std::string& subKey) {
  RegWriteString(Hive::LocalMachine, KeyPath(subKey), valueName, value);
}

std::string GetRegSetting(const std::string& valueName, const std::string& defaultValue, const std::string& subKey) {
  return RegQueryString(Hive::CurrentUser, KeyPath(subKey), valueName, defaultValue);
}

double GetRegNumber(const std::string& valueName, double defaultValue, const std::string& subKey) {
  const std::optional<double> value = platform::CurrentClock().ParseNumber(GetRegSetting(valueName, "", subKey));
  return value ? *value : defaultValue;
}

std::string GetMachineSetting(const std::string& valueName, const std::string& defaultValue,
                              const std::string& subKey) {
  return RegQueryString(Hive::LocalMachine, KeyPath(subKey), valueName, defaultValue);
}

int ListChoice(const std::string& stored, int defaultIndex, int count) {
  int index = 0;
  const auto [end, error] = std::from_chars(stored.data(), stored.data() + stored.size(), index);
  if (error != std::errc() || end != stored.data() + stored.size()) index = defaultIndex;
  return count <= 0 ? index : std::clamp(index, 0, count - 1);
}

void RegWriteString(Hive hive, const std::string& keyPath, const std::string& valueName, const std::string& value) {
  platform::SetValue(hive, keyPath, valueName, platform::REG_SZ, platform::TextData(value));
}

std::string RegQueryString(Hive hive, const std::string& keyPath, const std::string& valueName,
                           const std::string& defaultValue) {
  const auto value = platform::QueryValue(hive, keyPath, valueName);
  if (!value || value->type != platform::REG_SZ || value->data.empty()) return defaultValue;
  return TextBeforeNul(value->data);
}

std::int32_t RegQueryDWord(Hive hive, const std::string& keyPath, const std::string& valueName) {
  const auto value = platform::QueryValue(hive, keyPath, valueName);
  if (!value || value->type != platform::REG_DWORD) return 0;
  return static_cast<std::int32_t>(platform::DwordOf(value->data));
}

void RegRemoveValue(Hive hive, const std::string& keyPath, const std::string& valueName) {
  platform::DeleteValue(hive, keyPath, valueName);
}

std::string GetClassesRootDefault(const std::string& keyName) {
  const auto value = platform::QueryValue(Hive::ClassesRoot, keyName, "");
  if (!value) return "";
  std::string text = platform::Trim(TextBeforeNul(value->data));
  std::erase(text, '"');
  return text;
}

std::optional<std::string> RegEnumKeyAt(Hive hive, const std::string& keyPath, std::int32_t index) {
  if (index < 0) return std::nullopt;
  return platform::EnumKey(hive, keyPath, static_cast<std::uint32_t>(index));
}

RegValueEntry RegEnumValueAt(Hive hive, const std::string& keyPath, std::int32_t index) {
  RegValueEntry entry;
  entry.data = kNotFound;
  if (index < 0) return entry;
  const auto value = platform::EnumValue(hive, keyPath, static_cast<std::uint32_t>(index));
  if (!value) return entry;
  entry.found = true;
  entry.type = static_cast<std::int32_t>(value->type);
  entry.name = value->name;
  if (value->type == platform::REG_DWORD) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%03u", platform::DwordOf(value->data));
    entry.data = buffer;
  } else {
    entry.data = TextBeforeNul(value->data);
  }
  return entry;
}

}  // namespace quiremark::settings
