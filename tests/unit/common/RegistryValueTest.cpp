#include "common/RegistryValue.h"

#include <gtest/gtest.h>

namespace rm {
namespace {

// The tray program's settings and the bridge's parameters are read by this
// rule alike.
TEST(RegistryDwordRule, TakesOnlyFourByteDwords) {
  const std::uint8_t data[8] = {0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0};
  struct Case {
    std::uint32_t type;
    const std::uint8_t* data;
    std::size_t size;
    bool taken;
    std::uint32_t value;  // afterwards; 7 when left alone
  };
  const Case cases[] = {
      {4, data, 4, true, 0x12345678u},
      {4, data + 4, 4, true, 1u},
      // A REG_DWORD whose data is not exactly 4 bytes long counts as missing.
      {4, data, 3, false, 7u},
      {4, data, 5, false, 7u},
      {4, data, 8, false, 7u},
      {4, data, 0, false, 7u},
      {4, nullptr, 4, false, 7u},
      {1 /* REG_SZ */, data, 4, false, 7u},
      {3 /* REG_BINARY */, data, 4, false, 7u},
      {5 /* REG_DWORD_BIG_ENDIAN */, data, 4, false, 7u},
      {11 /* REG_QWORD */, data, 8, false, 7u},
  };
  for (const Case& c : cases) {
    std::uint32_t v = 7;
    EXPECT_EQ(TakeDwordValue(c.type, c.data, c.size, &v), c.taken) << c.type << " " << c.size;
    EXPECT_EQ(v, c.value) << c.type << " " << c.size;
  }
}

}  // namespace
}  // namespace rm
