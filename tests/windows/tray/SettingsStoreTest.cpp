// The settings store against the prefix's registry.
#include "common/settings/SettingsStore.h"

#include <gtest/gtest.h>

#include "tests/support/TrayMachine.h"

namespace {

using traytest::ReadSetting;

TEST(SettingsStore, FirstStartCreatesTheKeyWithFiveZeroDwords) {
  traytest::CleanSettingsKey clean;
  rm::Settings s;
  s.hideSysTray = 9;  // the key is new: nothing is read into the integers
  rm::ReadSettingsAtStartup(s);
  EXPECT_EQ(s.hideSysTray, 9u);
  ASSERT_TRUE(traytest::SettingsKeyExists());
  EXPECT_EQ(traytest::CountValues(), 5u);
  for (const char* name : {"HideSysTray", "HideBIOSSettings", "DisableBalloons", "DisableFirstBalloon",
                           "DoNotShowNoDevDlg"}) {
    const auto v = ReadSetting(name);
    EXPECT_TRUE(v.exists) << name;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(v.data.size(), 4u) << name;
    EXPECT_EQ(v.AsDword(), 0u) << name;
  }
  EXPECT_FALSE(ReadSetting("DebugInfo").exists);
}

TEST(SettingsStore, ExistingKeyIsReadAndValuesOfTheWrongKindKeepTheirDefault) {
  traytest::CleanSettingsKey clean;
  ASSERT_TRUE(traytest::WriteSettingDword("HideSysTray", 1));
  ASSERT_TRUE(traytest::WriteSettingDword("DisableBalloons", 7));
  ASSERT_TRUE(traytest::WriteSetting("HideBIOSSettings", REG_SZ, "1", 2));
  // The store hands the rule the type and the size it read (which types and
  // sizes are taken: SettingsRulesTest.cpp).
  const WORD shortValue = 1;
  ASSERT_TRUE(traytest::WriteSetting("DisableFirstBalloon", REG_DWORD, &shortValue, sizeof shortValue));
  ASSERT_TRUE(traytest::WriteSettingDword("DoNotShowNoDevDlg", 0));

  rm::Settings s;
  rm::ReadSettingsAtStartup(s);
  EXPECT_EQ(s.hideSysTray, 1u);
  EXPECT_EQ(s.disableBalloons, 7u);
  EXPECT_EQ(s.hideBiosSettings, 0u);
  EXPECT_EQ(s.disableFirstBalloon, 0u);
  EXPECT_EQ(s.doNotShowNoDevDlg, 0u);
  // An existing key is only read: nothing was added or replaced.
  EXPECT_EQ(traytest::CountValues(), 5u);
  EXPECT_EQ(ReadSetting("HideBIOSSettings").type, static_cast<DWORD>(REG_SZ));
}

TEST(SettingsStore, MissingValuesOfAnExistingKeyKeepTheirDefaults) {
  traytest::CleanSettingsKey clean;
  ASSERT_TRUE(traytest::CreateSettingsKey());
  ASSERT_TRUE(traytest::WriteSettingDword("DoNotShowNoDevDlg", 1));
  rm::Settings s;
  rm::ReadSettingsAtStartup(s);
  EXPECT_EQ(s.doNotShowNoDevDlg, 1u);
  EXPECT_EQ(s.hideSysTray, 0u);
  EXPECT_EQ(traytest::CountValues(), 1u);
}

TEST(SettingsStore, RereadTakesFourValuesButNotTheNoDeviceChoice) {
  traytest::CleanSettingsKey clean;
  rm::Settings s;
  rm::ReadSettingsAtStartup(s);
  for (const char* name : {"HideSysTray", "HideBIOSSettings", "DisableBalloons", "DisableFirstBalloon",
                           "DoNotShowNoDevDlg"}) {
    ASSERT_TRUE(traytest::WriteSettingDword(name, 1));
  }
  EXPECT_TRUE(rm::RereadChangedSettings(s));
  EXPECT_EQ(s.hideSysTray, 1u);
  EXPECT_EQ(s.hideBiosSettings, 1u);
  EXPECT_EQ(s.disableBalloons, 1u);
  EXPECT_EQ(s.disableFirstBalloon, 1u);
  EXPECT_EQ(s.doNotShowNoDevDlg, 0u);

  // A value turned into a string keeps what the program had.
  ASSERT_TRUE(traytest::WriteSetting("HideSysTray", REG_SZ, "0", 2));
  EXPECT_TRUE(rm::RereadChangedSettings(s));
  EXPECT_EQ(s.hideSysTray, 1u);

  traytest::DeleteSettingsKey();
  s.disableBalloons = 5;
  EXPECT_FALSE(rm::RereadChangedSettings(s));
  EXPECT_EQ(s.disableBalloons, 5u);
  EXPECT_FALSE(traytest::SettingsKeyExists());
}

TEST(SettingsStore, DebugInfoIsWrittenOnlyIntoAnExistingKey) {
  traytest::CleanSettingsKey clean;
  rm::StartupDiagnostics d;
  d.Set(rm::StartupDiagnostics::kProbe, static_cast<std::int32_t>(0x80004005u));
  d.Set(rm::StartupDiagnostics::kNextRequests, 10);
  EXPECT_FALSE(rm::WriteDebugInfo(d));
  EXPECT_FALSE(traytest::SettingsKeyExists());

  ASSERT_TRUE(traytest::CreateSettingsKey());
  EXPECT_TRUE(rm::WriteDebugInfo(d));
  const auto v = ReadSetting("DebugInfo");
  ASSERT_TRUE(v.exists);
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(v.data.size(), 56u);
  // The record's own bytes (their layout: StartupRulesTest.cpp).
  const auto expected = d.Serialize();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), v.data.begin()));
}

TEST(SettingsStore, StoreWritesOnlyAChangedValueIntoAnExistingKey) {
  traytest::CleanSettingsKey clean;
  rm::Settings s;
  // No key: nothing stored, nothing created, the integer unchanged.
  EXPECT_FALSE(rm::StoreSetting(s, &rm::Settings::doNotShowNoDevDlg, "DoNotShowNoDevDlg", 1));
  EXPECT_EQ(s.doNotShowNoDevDlg, 0u);
  EXPECT_FALSE(traytest::SettingsKeyExists());

  ASSERT_TRUE(traytest::CreateSettingsKey());
  EXPECT_FALSE(rm::StoreSetting(s, &rm::Settings::doNotShowNoDevDlg, "DoNotShowNoDevDlg", 0));
  EXPECT_FALSE(ReadSetting("DoNotShowNoDevDlg").exists);
  EXPECT_TRUE(rm::StoreSetting(s, &rm::Settings::doNotShowNoDevDlg, "DoNotShowNoDevDlg", 1));
  EXPECT_EQ(s.doNotShowNoDevDlg, 1u);
  const auto v = ReadSetting("DoNotShowNoDevDlg");
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(v.AsDword(), 1u);

  EXPECT_TRUE(rm::WriteSettingsDword("HideSysTray", 1));
  EXPECT_EQ(ReadSetting("HideSysTray").AsDword(), 1u);
}

}  // namespace
