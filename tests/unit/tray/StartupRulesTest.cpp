#include "common/StartupDiagnostics.h"
#include "tray/core/StartupRules.h"

#include <gtest/gtest.h>

namespace rm {
namespace {

TEST(CommandLine, ShowStatusInAnyCaseAnywhere) {
  EXPECT_TRUE(CommandLineWantsStatusPage("SHOWSTATUS"));
  EXPECT_TRUE(CommandLineWantsStatusPage("-showstatus"));
  EXPECT_TRUE(CommandLineWantsStatusPage("/x /ShowStatus /y"));
  EXPECT_TRUE(CommandLineWantsStatusPage("reshowstatuses"));  // part of a longer word
  EXPECT_FALSE(CommandLineWantsStatusPage(""));
  EXPECT_FALSE(CommandLineWantsStatusPage(nullptr));
  EXPECT_FALSE(CommandLineWantsStatusPage("SHOW STATUS"));
  EXPECT_FALSE(CommandLineWantsStatusPage("SHOWSTATU"));
  // Bytes above 0x7F are left alone, not folded into letters.
  EXPECT_FALSE(CommandLineWantsStatusPage("\xD3HOWSTATUS"));
}

TEST(GuestName, OnlyTheExactName) {
  EXPECT_TRUE(IsGuestUserName("Guest"));
  EXPECT_FALSE(IsGuestUserName("guest"));
  EXPECT_FALSE(IsGuestUserName("GUEST"));
  EXPECT_FALSE(IsGuestUserName("Guest "));
  EXPECT_FALSE(IsGuestUserName("Guests"));
  EXPECT_FALSE(IsGuestUserName(""));
  EXPECT_FALSE(IsGuestUserName(nullptr));
}

TEST(StartupDecision, EachOutcomeAndWhetherItWritesDebugInfo) {
  struct Case {
    ProbeOutcome probe;
    std::array<std::uint8_t, 4> word;
    bool doNotShowNoDevDlg;
    StartupAction action;
    bool writesDebugInfo;
  };
  const Case cases[] = {
      {ProbeOutcome::kAccessDenied, {0x03, 0x0D, 0x0D, 0}, false, StartupAction::kGuestNotice, true},
      {ProbeOutcome::kAccessDenied, {0x00, 0, 0, 0}, true, StartupAction::kGuestNotice, true},
      {ProbeOutcome::kOtherFailure, {0x03, 0x0D, 0x0D, 0}, true, StartupAction::kUnsupportedNotice, true},
      {ProbeOutcome::kOtherFailure, {0x00, 0, 0, 0}, false, StartupAction::kUnsupportedNotice, true},
      // Only bits 0 and 1 of byte 0 say that a radio is present.
      {ProbeOutcome::kSucceeded, {0x38, 0xFF, 0xFF, 0}, false, StartupAction::kNoDevicesNotice, true},
      {ProbeOutcome::kSucceeded, {0x38, 0xFF, 0xFF, 0}, true, StartupAction::kEndSilently, true},
      {ProbeOutcome::kSucceeded, {0x01, 0, 0, 0}, false, StartupAction::kRun, false},
      {ProbeOutcome::kSucceeded, {0x02, 0, 0, 0}, true, StartupAction::kRun, false},
  };
  for (const Case& c : cases) {
    const StartupAction action = DecideStartup(c.probe, RadioFlags::Decode(c.word), c.doNotShowNoDevDlg);
    EXPECT_EQ(action, c.action) << static_cast<int>(c.probe) << " " << int(c.word[0]);
    EXPECT_EQ(WritesDebugInfo(action), c.writesDebugInfo) << static_cast<int>(c.action);
  }
}

TEST(StartupDiagnosticsRecord, StartsAllMinusOneAndSerialisesLittleEndian) {
  StartupDiagnostics d;
  auto bytes = d.Serialize();
  ASSERT_EQ(bytes.size(), 56u);
  for (auto b : bytes) EXPECT_EQ(b, 0xFF);

  d.Set(StartupDiagnostics::kComInit, 1);                     // S_FALSE
  d.Set(StartupDiagnostics::kProbe, static_cast<std::int32_t>(0x80004005u));
  d.Set(StartupDiagnostics::kNextRequests, 10);
  d.Set(StartupDiagnostics::kReadPath, 0x01020304);
  bytes = d.Serialize();
  EXPECT_EQ((std::array<std::uint8_t, 4>{bytes[0], bytes[1], bytes[2], bytes[3]}),
            (std::array<std::uint8_t, 4>{1, 0, 0, 0}));
  EXPECT_EQ((std::array<std::uint8_t, 4>{bytes[16], bytes[17], bytes[18], bytes[19]}),
            (std::array<std::uint8_t, 4>{0x05, 0x40, 0x00, 0x80}));
  EXPECT_EQ(bytes[44], 10);
  EXPECT_EQ(bytes[45], 0);
  EXPECT_EQ((std::array<std::uint8_t, 4>{bytes[52], bytes[53], bytes[54], bytes[55]}),
            (std::array<std::uint8_t, 4>{4, 3, 2, 1}));
  // Untouched slots stay -1.
  EXPECT_EQ(bytes[20], 0xFF);
  EXPECT_EQ(bytes[43], 0xFF);

  d.Reset();
  for (auto v : d.slots) EXPECT_EQ(v, -1);
}

TEST(StartupDiagnosticsRecord, HandleValueIsNonzeroForAnyObject) {
  EXPECT_EQ(NonzeroHandleValue(nullptr), 0);
  int object = 0;
  EXPECT_NE(NonzeroHandleValue(&object), 0);
  // A pointer whose low 32 bits are zero still reads as created.
  if (sizeof(void*) > 4) {
    const std::uintptr_t high = std::uintptr_t{1} << (sizeof(void*) * 8 - 2);
    EXPECT_NE(NonzeroHandleValue(reinterpret_cast<const void*>(high)), 0);
  }
}

}  // namespace
}  // namespace rm
