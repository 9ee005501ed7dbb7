#include "bridge/host/CallChecks.h"

#include <gtest/gtest.h>

namespace vtq {
namespace {

constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80041005);
constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x80041006);
constexpr std::int32_t kEPointer = static_cast<std::int32_t>(0x80004003);

VariantArrayFacts Variant(std::uint16_t type) {
  VariantArrayFacts f;
  f.present = true;
  f.type = type;
  return f;
}

// A VT_ARRAY | VT_UI1 variant whose array runs from `lower` to `upper`.
VariantArrayFacts Bytes(std::int32_t lower, std::int32_t upper, std::uint32_t dims = 1,
                        std::uint32_t elementSize = 1) {
  VariantArrayFacts f = Variant(0x2011);
  f.hasArray = true;
  f.elementSize = elementSize;
  f.dims = dims;
  f.boundsRead = dims == 1;
  f.lower = lower;
  f.upper = upper;
  return f;
}

VariantArrayFacts Unreadable(VariantArrayFacts f) {
  f.boundsRead = false;
  return f;
}

VariantArrayFacts ByReference(VariantArrayFacts f) {
  f.type = 0x6011;
  return f;
}

struct ExecCase {
  const char* what;
  std::uint32_t sizeOut;
  VariantArrayFacts out;
  std::int32_t expected;
};

TEST(ExecOutput, TypeThenElementCount) {
  const ExecCase cases[] = {
      {"size 0, no variant", 0, VariantArrayFacts{}, 0},
      {"size 0, a VT_I4", 0, Variant(3), 0},
      {"size 0, nine bytes", 0, Bytes(0, 8), 0},
      {"no variant", 4, VariantArrayFacts{}, kEPointer},
      {"VT_EMPTY", 4, Variant(0), kTypeMismatch},
      {"VT_I4", 4, Variant(3), kTypeMismatch},
      {"byte array by reference", 4, ByReference(Bytes(0, 3)), kTypeMismatch},
      {"VT_ARRAY | VT_I1", 4, Variant(0x2010), kTypeMismatch},
      {"two-byte elements under the byte type", 4, Bytes(0, 3, 1, 2), kTypeMismatch},
      {"null array", 4, Variant(0x2011), kOutOfMemory},
      {"three bytes", 4, Bytes(0, 2), kOutOfMemory},
      {"four bytes", 4, Bytes(0, 3), 0},
      {"five bytes", 4, Bytes(0, 4), kOutOfMemory},
      {"eight bytes", 4, Bytes(0, 7), kOutOfMemory},
      {"four bytes from 1", 4, Bytes(1, 4), 0},
      {"four bytes from -2", 4, Bytes(-2, 1), 0},
      {"no bytes", 4, Bytes(0, -1), kOutOfMemory},
      {"two dimensions", 4, Bytes(0, 3, 2), kOutOfMemory},
      {"no dimension", 4, Bytes(0, 3, 0), kOutOfMemory},
      {"bounds unreadable", 4, Unreadable(Bytes(0, 3)), kOutOfMemory},
      {"the widest count", 0xFFFFFFFFu, Bytes(-2147483647, 2147483647), 0},
  };
  for (const ExecCase& c : cases)
    EXPECT_EQ(CheckExecOutput(c.sizeOut, DescribeByteArray(c.out)), c.expected) << c.what;
}

struct InputCase {
  const char* what;
  InputVariantFacts in;
  std::int32_t expected;
};

InputVariantFacts Input(std::uint16_t type, bool referenceNull = false, std::uint16_t referredType = 0) {
  return InputVariantFacts{true, type, referenceNull, referredType};
}

TEST(ExecInput, AnythingButObjectsRecordsVariantArraysAndNullOrNestedReferences) {
  const InputCase cases[] = {
      {"no variant", InputVariantFacts{}, 0},
      {"VT_EMPTY", Input(0), 0},
      {"VT_NULL", Input(1), 0},
      {"VT_I4", Input(3), 0},
      {"VT_BSTR", Input(8), 0},
      {"VT_DECIMAL", Input(14), 0},
      {"bytes", Input(0x2011), 0},
      {"VT_ARRAY | VT_I4", Input(0x2003), 0},
      {"bytes by reference", Input(0x6011), 0},
      {"VT_I4 by reference", Input(0x4003), 0},
      {"VT_DISPATCH", Input(9), kTypeMismatch},
      {"VT_UNKNOWN", Input(13), kTypeMismatch},
      {"VT_RECORD", Input(36), kTypeMismatch},
      {"VT_ARRAY | VT_DISPATCH", Input(0x2009), kTypeMismatch},
      {"VT_ARRAY | VT_UNKNOWN", Input(0x200D), kTypeMismatch},
      {"VT_ARRAY | VT_RECORD", Input(0x2024), kTypeMismatch},
      {"VT_ARRAY | VT_VARIANT", Input(0x200C), kTypeMismatch},
      {"VT_DISPATCH by reference", Input(0x4009), kTypeMismatch},
      {"VT_UNKNOWN by reference", Input(0x400D), kTypeMismatch},
      {"variant array by reference", Input(0x600C), kTypeMismatch},
      {"a bare VT_VARIANT", Input(12), kTypeMismatch},
      {"a null reference", Input(0x4003, true), kTypeMismatch},
      {"a null variant reference", Input(0x400C, true), kTypeMismatch},
      {"a variant reference to VT_EMPTY", Input(0x400C, false, 0), 0},
      {"a variant reference to bytes", Input(0x400C, false, 0x2011), 0},
      {"a variant reference to VT_I4", Input(0x400C, false, 3), 0},
      {"a variant reference to VT_DISPATCH", Input(0x400C, false, 9), kTypeMismatch},
      {"a variant reference to VT_UNKNOWN", Input(0x400C, false, 13), kTypeMismatch},
      {"a variant reference to a variant array", Input(0x400C, false, 0x200C), kTypeMismatch},
      {"a variant reference to a reference", Input(0x400C, false, 0x4011), kTypeMismatch},
  };
  for (const InputCase& c : cases) EXPECT_EQ(CheckExecInput(c.in), c.expected) << c.what;
}

TEST(MachineInfo, ArrayAndLayoutOf388Or308Only) {
  for (std::int32_t n : {0, 100, 307, 308, 309, 387, 388, 389}) {
    const bool layout = n == 308 || n == 388;
    EXPECT_EQ(CheckMachineInfoArray(DescribeByteArray(Bytes(0, n - 1))), layout ? 0 : kOutOfMemory) << n;
    EXPECT_EQ(CheckMachineInfoArray(DescribeByteArray(Bytes(1, n))), layout ? 0 : kOutOfMemory) << n;
    EXPECT_EQ(IsMachineInfoLayout(static_cast<std::uint32_t>(n)), layout) << n;
  }
  EXPECT_EQ(CheckMachineInfoArray(DescribeByteArray(Bytes(0, 387, 2))), kOutOfMemory);
  EXPECT_EQ(CheckMachineInfoArray(DescribeByteArray(Variant(0x2011))), kOutOfMemory);
  EXPECT_EQ(CheckMachineInfoArray(DescribeByteArray(ByReference(Bytes(0, 387)))), kTypeMismatch);
  EXPECT_EQ(CheckMachineInfoArray(DescribeByteArray(Variant(8))), kTypeMismatch);
  EXPECT_EQ(CheckMachineInfoArray(DescribeByteArray(VariantArrayFacts{})), kEPointer);
}

}  // namespace
}  // namespace vtq
