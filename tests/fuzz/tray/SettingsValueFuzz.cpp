// The settings key's values as the store reads them: any registry type and
// any bytes. A value is taken only as a 4-byte REG_DWORD, then as its
// little-endian number; anything else leaves the setting as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <cstring>

#include "common/settings/SettingsRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint32_t type = 0;
  std::memcpy(&type, data, 4);
  type %= 12;  // REG_NONE .. REG_QWORD and one beyond
  const std::size_t length = size - 4;
  // The value's bytes in a block of exactly their size.
  std::unique_ptr<std::uint8_t[]> value(new std::uint8_t[length ? length : 1]);
  if (length) std::memcpy(value.get(), data + 4, length);

  constexpr std::uint32_t kBefore = 0xA5A5A5A5u;
  std::uint32_t out = kBefore;
  const bool taken = rm::TakeDwordValue(type, length ? value.get() : nullptr, length, &out);
  if (taken != (type == 4 && length == 4)) std::abort();
  if (!taken && out != kBefore) std::abort();
  if (taken) {
    const std::uint32_t expected = static_cast<std::uint32_t>(data[4]) | static_cast<std::uint32_t>(data[5]) << 8 |
                                   static_cast<std::uint32_t>(data[6]) << 16 | static_cast<std::uint32_t>(data[7]) << 24;
    if (out != expected) std::abort();
  }
  return 0;
}
