#include "common/settings/SettingsRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace rm {
namespace {

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
