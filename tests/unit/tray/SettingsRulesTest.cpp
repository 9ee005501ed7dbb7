#include "tray/core/SettingsRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace rm {
namespace {

TEST(SettingsValueRule, TakesOnlyFourByteDwords) {
  const std::uint8_t one[4] = {1, 0, 0, 0};
  const std::uint8_t big[4] = {0x78, 0x56, 0x34, 0x12};
  std::uint32_t v = 7;
  EXPECT_TRUE(TakeDwordValue(kRegTypeDword, one, 4, &v));
  EXPECT_EQ(v, 1u);
  EXPECT_TRUE(TakeDwordValue(kRegTypeDword, big, 4, &v));
  EXPECT_EQ(v, 0x12345678u);

  v = 7;
  const char text[] = "1";
  EXPECT_FALSE(TakeDwordValue(1 /* REG_SZ */, reinterpret_cast<const std::uint8_t*>(text), 2, &v));
  EXPECT_FALSE(TakeDwordValue(3 /* REG_BINARY */, one, 4, &v));
  EXPECT_FALSE(TakeDwordValue(5 /* REG_DWORD_BIG_ENDIAN */, one, 4, &v));
  EXPECT_FALSE(TakeDwordValue(11 /* REG_QWORD */, one, 4, &v));
  // A REG_DWORD whose data is not 4 bytes long counts as missing too.
  EXPECT_FALSE(TakeDwordValue(kRegTypeDword, one, 2, &v));
  EXPECT_FALSE(TakeDwordValue(kRegTypeDword, one, 0, &v));
  EXPECT_FALSE(TakeDwordValue(kRegTypeDword, nullptr, 4, &v));
  EXPECT_EQ(v, 7u);
}

TEST(SettingsValueTable, FiveValuesInOrderAndOnlyNoDevDlgIsStartupOnly) {
  const char* names[] = {"HideSysTray", "HideBIOSSettings", "DisableBalloons", "DisableFirstBalloon",
                         "DoNotShowNoDevDlg"};
  Settings s;
  std::uint32_t marker = 1;
  for (std::size_t i = 0; i < kSettingsValueCount; ++i) {
    EXPECT_STREQ(kSettingsValues[i].name, names[i]);
    EXPECT_EQ(kSettingsValues[i].rereadOnChange, i != 4) << names[i];
    s.*(kSettingsValues[i].member) = marker++;
  }
  // Each value has its own member.
  EXPECT_EQ(s.hideSysTray, 1u);
  EXPECT_EQ(s.hideBiosSettings, 2u);
  EXPECT_EQ(s.disableBalloons, 3u);
  EXPECT_EQ(s.disableFirstBalloon, 4u);
  EXPECT_EQ(s.doNotShowNoDevDlg, 5u);
}

}  // namespace
}  // namespace rm
