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
  // The stamp and its two spaces take 21 of the 259 characters.
  const std::string stamp = "14:00:05 12/07/2004  ";
  const struct {
    std::size_t letters;  // before the message's line end
    std::string kept;
  } cases[] = {
      {236, std::string(236, 'a') + "\n"},
      {237, std::string(237, 'a') + "\n"},
      {238, std::string(238, 'a')},
      {500, std::string(238, 'a')},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ComposeLogLine(Dec7At2pm(), std::string(c.letters, 'a') + "\n"), stamp + c.kept) << c.letters;
}

TEST(LogLine, MessageCutTo519Characters) {
  const struct {
    std::size_t letters, kept;
  } cases[] = {{518, 518}, {519, 519}, {520, 519}, {2000, 519}};
  for (const auto& c : cases)
    EXPECT_EQ(FormatLogMessage("%s", std::string(c.letters, 'x').c_str()), std::string(c.kept, 'x')) << c.letters;
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
