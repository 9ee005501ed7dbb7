#include "bridge/host/CallChecks.h"

#include <gtest/gtest.h>

namespace vtq {
namespace {

ByteArrayShape Bytes(std::uint64_t count, std::uint32_t dims = 1) {
  ByteArrayShape s;
  s.present = true;
  s.byteArray = true;
  s.hasArray = true;
  s.dims = dims;
  s.count = dims == 1 ? count : 0;
  return s;
}

ByteArrayShape OtherType() {
  ByteArrayShape s;
  s.present = true;
  return s;
}

TEST(ExecOutput, SizeZeroAcceptsAnyVariantEvenNone) {
  EXPECT_EQ(CheckExecOutput(0, ByteArrayShape{}), 0);
  EXPECT_EQ(CheckExecOutput(0, OtherType()), 0);
  EXPECT_EQ(CheckExecOutput(0, Bytes(9)), 0);
}

TEST(ExecOutput, TypeMismatchBeforeSize) {
  EXPECT_EQ(CheckExecOutput(4, OtherType()), kWbemTypeMismatch);
  EXPECT_EQ(CheckExecOutput(4, ByteArrayShape{}), kPointerMissing);
}

TEST(ExecOutput, ElementCountMustEqualSizeOut) {
  EXPECT_EQ(CheckExecOutput(4, Bytes(4)), 0);
  EXPECT_EQ(CheckExecOutput(4, Bytes(8)), kWbemOutOfMemory);
  EXPECT_EQ(CheckExecOutput(4, Bytes(3)), kWbemOutOfMemory);
  EXPECT_EQ(CheckExecOutput(4, Bytes(0)), kWbemOutOfMemory);
  EXPECT_EQ(CheckExecOutput(0xFFFFFFFFu, Bytes(0x1FFFFFFFFull)), kWbemOutOfMemory);
}

TEST(ExecOutput, NullOrManyDimensionArraysAreTheWrongSize) {
  ByteArrayShape null = Bytes(0);
  null.hasArray = false;
  null.dims = 0;
  EXPECT_EQ(CheckExecOutput(4, null), kWbemOutOfMemory);
  EXPECT_EQ(CheckExecOutput(4, Bytes(4, 2)), kWbemOutOfMemory);
  EXPECT_EQ(CheckExecOutput(4, Bytes(4, 0)), kWbemOutOfMemory);
}

TEST(MachineInfo, ArrayOf388Or308) {
  EXPECT_EQ(CheckMachineInfoArray(Bytes(388)), 0);
  EXPECT_EQ(CheckMachineInfoArray(Bytes(308)), 0);
  EXPECT_EQ(CheckMachineInfoArray(Bytes(387)), kWbemOutOfMemory);
  EXPECT_EQ(CheckMachineInfoArray(Bytes(388, 2)), kWbemOutOfMemory);
  EXPECT_EQ(CheckMachineInfoArray(OtherType()), kWbemTypeMismatch);
  EXPECT_EQ(CheckMachineInfoArray(ByteArrayShape{}), kPointerMissing);
  EXPECT_TRUE(IsMachineInfoLayout(388));
  EXPECT_TRUE(IsMachineInfoLayout(308));
  EXPECT_FALSE(IsMachineInfoLayout(100));
  EXPECT_FALSE(IsMachineInfoLayout(0));
}

}  // namespace
}  // namespace vtq
