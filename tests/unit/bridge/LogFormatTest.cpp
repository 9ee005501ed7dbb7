#include "bridge/host/LogFormat.h"

#include <gtest/gtest.h>

#include "bridge/host/CallLog.h"

namespace vtq {
namespace {

LogTime Dec7At2pm() {
  LogTime t;
  t.year = 2004;
  t.month = 12;
  t.day = 7;
  t.hour = 14;
  t.minute = 0;
  t.second = 5;
  return t;
}

TEST(LogLine, TimeStampHourFirstMonthBeforeDay) {
  EXPECT_EQ(FormatLogTimeStamp(Dec7At2pm()), "14:00:05 12/07/2004");
  EXPECT_EQ(ComposeLogLine(Dec7At2pm(), "VTQWMI Service Started\n"),
            "14:00:05 12/07/2004  VTQWMI Service Started\n");
}

TEST(LogLine, CutTo259CharactersLosingTheLineEnd) {
  const std::string fits(237, 'a');  // 238 characters with the line end
  const std::string line = ComposeLogLine(Dec7At2pm(), fits + "\n");
  EXPECT_EQ(line.size(), kLogLineMax);
  EXPECT_EQ(line.back(), '\n');

  const std::string longer(238, 'b');
  const std::string cut = ComposeLogLine(Dec7At2pm(), longer + "\n");
  EXPECT_EQ(cut.size(), kLogLineMax);
  EXPECT_NE(cut.back(), '\n');
  EXPECT_EQ(cut.substr(0, 21), "14:00:05 12/07/2004  ");
}

TEST(LogLine, MessageCutTo519Characters) {
  const std::string huge(2000, 'x');
  EXPECT_EQ(FormatLogMessage("%s", huge.c_str()).size(), kLogMessageMax);
  EXPECT_EQ(FormatLogMessage("%s", "short"), "short");
}

TEST(LogLine, MethodLinesInTheirExactFormat) {
  EXPECT_EQ(FormatLogMessage(logtext::kExecOk, 3L, 1u, 5u, 0UL),
            "vtqExecMethodEx CallCount: 3, Cmd: 1h, Type: 5h, returns: 0x00000000\n");
  EXPECT_EQ(FormatLogMessage(logtext::kExecFailed, 0x2au, 0xffu, 0x80041006UL),
            "vtqExecMethodEx Cmd: 2ah, Type: ffh, FAILED: 0x80041006\n");
  EXPECT_EQ(FormatLogMessage(logtext::kAttachedOk, 3UL),
            "vtqGetAttachedExternalDisplays returns: 0x00000003\n");
  EXPECT_EQ(FormatLogMessage(logtext::kSetupFailed, 0x8001010AUL),
            "vtqSetupWmiEvents FAILED: 0x8001010A\n");
}

TEST(LogLine, TextModeStoresLineFeedsAsCrLf) {
  EXPECT_EQ(ToTextMode("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(ToTextMode("no end"), "no end");
}

}  // namespace
}  // namespace vtq
