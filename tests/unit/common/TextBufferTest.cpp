#include "common/TextBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(AppendTruncated, AppendsWhatFitsAndAlwaysTerminates) {
  char buffer[8] = "ab";
  rm::AppendTruncated(buffer, sizeof buffer, "cd");
  EXPECT_STREQ(buffer, "abcd");
  rm::AppendTruncated(buffer, sizeof buffer, "efghij");
  EXPECT_STREQ(buffer, "abcdefg");  // 7 characters and the terminator
  rm::AppendTruncated(buffer, sizeof buffer, "x");
  EXPECT_STREQ(buffer, "abcdefg");
}

TEST(AppendTruncated, LeavesAnUnterminatedBufferAlone) {
  char buffer[4];
  std::memset(buffer, 'z', sizeof buffer);
  rm::AppendTruncated(buffer, sizeof buffer, "a");
  EXPECT_EQ(std::memcmp(buffer, "zzzz", 4), 0);
}

}  // namespace
