#include "settings/registry_settings.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qs = quiremark::settings;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

class RegistrySettings : public ::testing::Test {
 protected:
  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
};

TEST_F(RegistrySettings, ReadFallsBackToDefaultUntilSaved) {
  EXPECT_EQ(qs::GetRegSetting("Theme", "6"), "6");
  qs::SaveRegSetting("Theme", "3");
  EXPECT_EQ(qs::GetRegSetting("Theme", "6"), "3");
  EXPECT_EQ(qs::GetRegSetting("theme", "6"), "3") << "value names ignore case";
  EXPECT_EQ(qs::RegQueryString(qs::Hive::CurrentUser, "Software\\NORV\\Quiremark", "Theme", ""), "3");
}

TEST_F(RegistrySettings, SubKeyIsCreatedAndSeparate) {
  qs::SaveRegSetting("chkOpenPdf", "1", "Options");
  EXPECT_TRUE(qp::KeyExists(qp::Hive::CurrentUser, "Software\\NORV\\Quiremark\\Options"));
  EXPECT_EQ(qs::GetRegSetting("chkOpenPdf", "0", "Options"), "1");
  EXPECT_EQ(qs::GetRegSetting("chkOpenPdf", "0"), "0");
}

TEST_F(RegistrySettings, EmptyTextReadsAsDefaultButLoneTerminatorAsEmpty) {
  qs::SaveRegSetting("DocTitle", "", "Options");
  EXPECT_EQ(qs::GetRegSetting("DocTitle", "dflt", "Options"), "dflt");
  qp::SetValue(qp::Hive::CurrentUser, qs::ProgramKeyPath(), "Lone", qp::REG_SZ, std::string(1, '\0'));
  EXPECT_EQ(qs::GetRegSetting("Lone", "dflt"), "");
}

TEST_F(RegistrySettings, OtherTypesReadAsDefault) {
  qp::SetValue(qp::Hive::CurrentUser, qs::ProgramKeyPath(), "N", qp::REG_DWORD, qp::DwordData(5));
  qp::SetValue(qp::Hive::CurrentUser, qs::ProgramKeyPath(), "E", qp::REG_EXPAND_SZ, qp::TextData("x"));
  EXPECT_EQ(qs::GetRegSetting("N", "d"), "d");
  EXPECT_EQ(qs::GetRegSetting("E", "d"), "d");
  EXPECT_EQ(qs::RegQueryDWord(qs::Hive::CurrentUser, qs::ProgramKeyPath(), "N"), 5);
  EXPECT_EQ(qs::RegQueryDWord(qs::Hive::CurrentUser, qs::ProgramKeyPath(), "E"), 0);
}

TEST_F(RegistrySettings, EnumerationKeepsCreationOrderSpellingAndShiftsOnDelete) {
  qs::SaveRegSetting("Beta", "/b/", "Favourite");
  qs::SaveRegSetting("alpha", "a", "Favourite");
  qs::SaveRegSetting("Gamma", "Not Found", "Favourite");
  qs::SaveRegSetting("Delta", "d", "Favourite");
  const std::string key = qs::ProgramKeyPath() + "\\Favourite";
  auto e0 = qs::RegEnumValueAt(qs::Hive::CurrentUser, key, 0);
  EXPECT_TRUE(e0.found);
  EXPECT_EQ(e0.type, 1);
  EXPECT_EQ(e0.name, "Beta");
  EXPECT_EQ(e0.data, "/b/") << "last character kept";
  auto e2 = qs::RegEnumValueAt(qs::Hive::CurrentUser, key, 2);
  EXPECT_TRUE(e2.found) << "data \"Not Found\" does not end the enumeration";
  EXPECT_EQ(qs::RegEnumValueAt(qs::Hive::CurrentUser, key, 3).name, "Delta");
  auto past = qs::RegEnumValueAt(qs::Hive::CurrentUser, key, 4);
  EXPECT_FALSE(past.found);
  EXPECT_EQ(past.data, qs::kNotFound);

  qs::DeleteRegSetting("ALPHA", "Favourite");
  EXPECT_EQ(qs::RegEnumValueAt(qs::Hive::CurrentUser, key, 1).name, "Gamma");
  EXPECT_FALSE(qs::RegEnumValueAt(qs::Hive::CurrentUser, key, 3).found);
  EXPECT_FALSE(qs::RegEnumValueAt(qs::Hive::CurrentUser, "Software\\Missing", 0).found);
}

TEST_F(RegistrySettings, LongNamesAndDataDoNotEndTheEnumeration) {
  const std::string longText(5000, 'p');
  qs::SaveRegSetting(std::string(3000, 'n'), longText, "Previous");
  qs::SaveRegSetting("After", "a", "Previous");
  const std::string key = qs::ProgramKeyPath() + "\\Previous";
  EXPECT_EQ(qs::RegEnumValueAt(qs::Hive::CurrentUser, key, 0).data, longText);
  EXPECT_EQ(qs::RegEnumValueAt(qs::Hive::CurrentUser, key, 1).name, "After");
}

TEST_F(RegistrySettings, DwordDataHasAtLeastThreeDigits) {
  qp::SetValue(qp::Hive::CurrentUser, "K", "small", qp::REG_DWORD, qp::DwordData(5));
  qp::SetValue(qp::Hive::CurrentUser, "K", "big", qp::REG_DWORD, qp::DwordData(1234));
  EXPECT_EQ(qs::RegEnumValueAt(qs::Hive::CurrentUser, "K", 0).data, "005");
  EXPECT_EQ(qs::RegEnumValueAt(qs::Hive::CurrentUser, "K", 1).data, "1234");
  EXPECT_EQ(qs::RegEnumValueAt(qs::Hive::CurrentUser, "K", 1).type, 4);
}

TEST_F(RegistrySettings, SubkeysInNameOrderIgnoringCase) {
  for (const char* name : {"b", "C", "a"}) qp::CreateKey(qp::Hive::LocalMachine, std::string("X\\") + name + "\\deep");
  EXPECT_EQ(qs::RegEnumKeyAt(qs::Hive::LocalMachine, "X", 0), "a");
  EXPECT_EQ(qs::RegEnumKeyAt(qs::Hive::LocalMachine, "X", 1), "b");
  EXPECT_EQ(qs::RegEnumKeyAt(qs::Hive::LocalMachine, "x\\", 2), "C");
  EXPECT_EQ(qs::RegEnumKeyAt(qs::Hive::LocalMachine, "X", 3), std::nullopt);
  EXPECT_EQ(qs::RegEnumKeyAt(qs::Hive::LocalMachine, "Nope", 0), std::nullopt);
}

TEST_F(RegistrySettings, ClassesRootDefaultLosesQuotesAndNeverFails) {
  qp::SetValue(qp::Hive::ClassesRoot, "AcroExch.Distiller\\shell\\open\\command", "", qp::REG_SZ,
               qp::TextData(" \"/opt/acro/distiller\" \"%1\" "));
  EXPECT_EQ(qs::GetClassesRootDefault("AcroExch.Distiller\\shell\\open\\command"), "/opt/acro/distiller %1");
  EXPECT_EQ(qs::GetClassesRootDefault("Missing\\Key"), "");
  qp::CreateKey(qp::Hive::ClassesRoot, "NoDefault");
  EXPECT_EQ(qs::GetClassesRootDefault("NoDefault"), "");
}

}  // namespace
