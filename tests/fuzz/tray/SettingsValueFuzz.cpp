// The settings key's values as the store reads them: any registry type and
// any bytes, in a block of exactly their size (ASan sees a read beyond it).
// What must hold whatever the input: a value not taken leaves the setting as
// it was; only a REG_DWORD (4) is ever taken; what is taken depends on the
// value alone, not on the setting before or on where its bytes lie, and two
// different values never give the same number; and the two values the
// table test pins keep their numbers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/settings/SettingsRules.h"

namespace {

struct Taken {
  bool taken;
  std::uint32_t value;
};

Taken Take(std::uint32_t type, const std::uint8_t* data, std::size_t size, std::uint32_t before) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
  if (size) std::memcpy(copy.get(), data, size);
  std::uint32_t out = before;
  const bool taken = rm::TakeDwordValue(type, size ? copy.get() : nullptr, size, &out);
  if (!taken && out != before) std::abort();
  return {taken, out};
}

void CheckPinnedValues() {
  const std::uint8_t pinned[8] = {0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0};
  const Taken a = Take(4, pinned, 4, 7);
  const Taken b = Take(4, pinned + 4, 4, 7);
  if (!a.taken || a.value != 0x12345678u || !b.taken || b.value != 1u) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool pinned = (CheckPinnedValues(), true);
  (void)pinned;
  if (size < 4) return 0;
  std::uint32_t type = 0;
  std::memcpy(&type, data, 4);
  type %= 12;  // REG_NONE .. REG_QWORD and one beyond
  const std::uint8_t* value = data + 4;
  const std::size_t length = size - 4;

  const Taken first = Take(type, value, length, 0xA5A5A5A5u);
  const Taken again = Take(type, value, length, 0u);
  if (first.taken != again.taken) std::abort();
  if (!first.taken) return 0;
  if (type != 4) std::abort();
  if (first.value != again.value) std::abort();

  // A value one bit away from this one gives another number.
  std::unique_ptr<std::uint8_t[]> other(new std::uint8_t[length]);
  std::memcpy(other.get(), value, length);
  other[length - 1] ^= 0x80;
  const Taken changed = Take(type, other.get(), length, 0u);
  if (!changed.taken || changed.value == first.value) std::abort();
  return 0;
}
