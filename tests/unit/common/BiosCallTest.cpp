#include "common/BiosCall.h"

#include <gtest/gtest.h>

namespace {

TEST(BiosMethodName, NamesTheMethodByOutputSize) {
  EXPECT_EQ(rm::BiosMethodName(0), "vtqBIOSInt0");
  EXPECT_EQ(rm::BiosMethodName(4), "vtqBIOSInt4");
  EXPECT_EQ(rm::BiosMethodName(388), "vtqBIOSInt388");
}

TEST(BiosMethodName, HugeSizesAreSignedAndCutToTheBuffer) {
  // Formatted as a signed long into 20 characters: 19 of them survive.
  EXPECT_EQ(rm::BiosMethodName(0xFFFFFFFFu), "vtqBIOSInt-1");
  EXPECT_EQ(rm::BiosMethodName(0x80000000u), "vtqBIOSInt-21474836");
  EXPECT_EQ(rm::BiosMethodName(0x7FFFFFFFu), "vtqBIOSInt214748364");
}

}  // namespace
