#include "bridge/host/ServiceRules.h"

#include <gtest/gtest.h>

namespace vtq {
namespace {

TEST(ParseSwitch, LastItemAfterDashOrSlashInAnyCase) {
  EXPECT_EQ(ParseSwitch("vtqwmi.exe -Service"), Switch::Service);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe /service"), Switch::Service);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe /SeRvIcE"), Switch::Service);
  EXPECT_EQ(ParseSwitch("\"C:\\Program Files\\x\\vtqwmi.exe\" -RegServer"), Switch::RegServer);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe /UNREGSERVER"), Switch::UnregServer);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe -unregserver"), Switch::UnregServer);
}

TEST(ParseSwitch, AnythingAfterTheSwitchMeansNoSwitch) {
  EXPECT_EQ(ParseSwitch("vtqwmi.exe -Service "), Switch::None);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe -Service x"), Switch::None);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe -RegServer -Embedding"), Switch::None);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe -Embedding"), Switch::None);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe Service"), Switch::None);
  EXPECT_EQ(ParseSwitch("vtqwmi.exe -Serv"), Switch::None);
  EXPECT_EQ(ParseSwitch(""), Switch::None);
  EXPECT_EQ(ParseSwitch("-"), Switch::None);
}

TEST(ParseSwitch, OnlyTheTextToTheEndCounts) {
  // A later candidate wins when an earlier '-' is followed by more text.
  EXPECT_EQ(ParseSwitch("C:\\my-dir\\vtqwmi.exe /RegServer"), Switch::RegServer);
  // "Service" is the tail of "-UnregServer"? No: the text must match whole.
  EXPECT_EQ(ParseSwitch("x --RegServer"), Switch::RegServer);
  EXPECT_EQ(ParseSwitch("x -/Service"), Switch::Service);
  // Bytes above 0x7F and embedded zeros do not confuse the comparison.
  EXPECT_EQ(ParseSwitch(std::string_view("x -Serv\0ice", 11)), Switch::None);
  EXPECT_EQ(ParseSwitch("x -S\xC9rvice"), Switch::None);
}

TEST(DecodeSettings, BitZeroSuccessBitOneFailureOthersIgnored) {
  EXPECT_FALSE(DecodeSettings(0).success);
  EXPECT_FALSE(DecodeSettings(0).failure);
  EXPECT_TRUE(DecodeSettings(1).success);
  EXPECT_FALSE(DecodeSettings(1).failure);
  EXPECT_FALSE(DecodeSettings(2).success);
  EXPECT_TRUE(DecodeSettings(2).failure);
  EXPECT_TRUE(DecodeSettings(0xFFFFFFFFu).success);
  EXPECT_TRUE(DecodeSettings(0xFFFFFFFFu).failure);
  EXPECT_FALSE(DecodeSettings(0xFFFFFFFCu).success);
  EXPECT_FALSE(DecodeSettings(0xFFFFFFFCu).failure);
}

TEST(ActionForControl, StopAndShutdownOnly) {
  EXPECT_EQ(ActionForControl(1), ControlAction::Stop);
  EXPECT_EQ(ActionForControl(5), ControlAction::SelfStop);
  for (std::uint32_t c : {0u, 2u, 3u, 4u, 6u, 0x80u, 0xFFFFFFFFu})
    EXPECT_EQ(ActionForControl(c), ControlAction::None) << c;
}

TEST(InstanceLimit, ReachedExactlyAtTheLimitNeverWithoutOne) {
  EXPECT_FALSE(InstanceLimitReached(2, 3));
  EXPECT_TRUE(InstanceLimitReached(3, 3));
  EXPECT_FALSE(InstanceLimitReached(4, 3));
  EXPECT_FALSE(InstanceLimitReached(0, 0));
  EXPECT_FALSE(InstanceLimitReached(1, 0));
}

}  // namespace
}  // namespace vtq
