#include "fwsim/wmi/BiosRequest.h"

#include <gtest/gtest.h>

namespace {

using fwsim::wmi::BiosMethodOutputSize;
using fwsim::wmi::InDataFields;
using fwsim::wmi::JudgeInData;
using fwsim::wmi::RequestVerdict;

TEST(BiosMethodName, TheNumberIsTheOutputSize) {
  EXPECT_EQ(BiosMethodOutputSize("vtqBIOSInt0"), 0u);
  EXPECT_EQ(BiosMethodOutputSize("vtqBIOSInt4"), 4u);
  EXPECT_EQ(BiosMethodOutputSize("VTQBIOSINT32"), 32u);
  EXPECT_EQ(BiosMethodOutputSize("vtqBIOSInt4096"), fwsim::wmi::kMaxBiosOutputSize);
  for (const char* name : {"", "vtqBIOSInt", "vtqBIOSInt4097", "vtqBIOSInt04", "vtqBIOSInt-1", "vtqBIOSInt+4",
                           "vtqBIOSInt4x", "vtqBIOSInt 4", "vtqBIOSIn4", "xvtqBIOSInt4",
                           "vtqBIOSInt99999999999999999999"}) {
    EXPECT_FALSE(BiosMethodOutputSize(name)) << name;
  }
}

InDataFields Valid(std::vector<std::uint8_t> data) {
  InDataFields f;
  f.sign = std::vector<std::uint8_t>{'S', 'E', 'C', 'U'};
  f.command = 2;
  f.commandType = 5;
  f.size = static_cast<std::int32_t>(data.size());
  f.data = std::move(data);
  return f;
}

TEST(InData, AcceptsARequestAndTakesSizeBytes) {
  auto r = JudgeInData(Valid({1, 8, 0, 0}));
  EXPECT_EQ(r.verdict, RequestVerdict::Accepted);
  EXPECT_EQ(r.command, 2u);
  EXPECT_EQ(r.commandType, 5u);
  EXPECT_EQ(r.input, (std::vector<std::uint8_t>{1, 8, 0, 0}));

  InDataFields f = Valid({1, 2, 3, 4});
  f.size = 2;  // fewer bytes than the array holds
  r = JudgeInData(f);
  EXPECT_EQ(r.verdict, RequestVerdict::Accepted);
  EXPECT_EQ(r.input, (std::vector<std::uint8_t>{1, 2}));

  f = Valid({});
  f.command = -1;  // a 32-bit pattern, passed on unsigned
  r = JudgeInData(f);
  EXPECT_EQ(r.verdict, RequestVerdict::Accepted);
  EXPECT_EQ(r.command, 0xFFFFFFFFu);
  EXPECT_TRUE(r.input.empty());
}

TEST(InData, MissingOrInconsistentFieldsAreBadParameters) {
  InDataFields f = Valid({1, 2});
  f.command.reset();
  EXPECT_EQ(JudgeInData(f).verdict, RequestVerdict::BadParameters);
  f = Valid({1, 2});
  f.commandType.reset();
  EXPECT_EQ(JudgeInData(f).verdict, RequestVerdict::BadParameters);
  f = Valid({1, 2});
  f.size.reset();
  EXPECT_EQ(JudgeInData(f).verdict, RequestVerdict::BadParameters);
  f = Valid({1, 2});
  f.size = 3;  // more than vtqBData holds: never read past it
  EXPECT_EQ(JudgeInData(f).verdict, RequestVerdict::BadParameters);
  f.size = -1;
  EXPECT_EQ(JudgeInData(f).verdict, RequestVerdict::BadParameters);
}

TEST(InData, OnlyTheExactSignatureIsAccepted) {
  for (const std::vector<std::uint8_t>& sign :
       {std::vector<std::uint8_t>{}, {'S', 'E', 'C'}, {'S', 'E', 'C', 'U', 0}, {'s', 'e', 'c', 'u'}, {'U', 'C', 'E', 'S'}}) {
    InDataFields f = Valid({1});
    f.sign = sign;
    const auto r = JudgeInData(f);
    EXPECT_EQ(r.verdict, RequestVerdict::SignRejected);
    EXPECT_TRUE(r.input.empty());
  }
  InDataFields f = Valid({1});
  f.sign.reset();
  EXPECT_EQ(JudgeInData(f).verdict, RequestVerdict::SignRejected);
}

}  // namespace
