#include "settings/registry_settings.h"

#include <cstdio>

#include "version.h"

namespace quiremark::settings {

namespace {

std::string KeyPath(const std::string& subKey) {
  return subKey.empty() ? ProgramKeyPath() : ProgramKeyPath() + "\\" + subKey;
}

std::string TextBeforeNul(const std::string& data) { return data.substr(0, data.find('\0')); }

std::uint32_t DwordOf(const std::string& data) {
  std::uint32_t number = 0;
  for (std::size_t i = std::min<std::size_t>(data.size(), 4); i-- > 0;) {
    number = (number << 8) | static_cast<unsigned char>(data[i]);
  }
  return number;
}

std::string HexText(const std::string& data) {
  std::string out;
  char buffer[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(data[i]));
    if (i) out += ',';
    out += buffer;
  }
  return out;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

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

std::string GetMachineSetting(const std::string& valueName, const std::string& defaultValue,
                              const std::string& subKey) {
  return RegQueryString(Hive::LocalMachine, KeyPath(subKey), valueName, defaultValue);
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
  return static_cast<std::int32_t>(DwordOf(value->data));
}

void RegRemoveValue(Hive hive, const std::string& keyPath, const std::string& valueName) {
  platform::DeleteValue(hive, keyPath, valueName);
}

std::string GetClassesRootDefault(const std::string& keyName) {
  const auto value = platform::QueryValue(Hive::ClassesRoot, keyName, "");
  if (!value) return "";
  std::string text = Trim(TextBeforeNul(value->data));
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
  switch (value->type) {
    case platform::REG_SZ:
    case platform::REG_EXPAND_SZ:
      entry.data = TextBeforeNul(value->data);
      break;
    case platform::REG_DWORD: {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "%03u", DwordOf(value->data));
      entry.data = buffer;
      break;
    }
    default:
      entry.data = HexText(value->data);
  }
  return entry;
}

}  // namespace quiremark::settings
