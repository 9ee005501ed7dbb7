#include "common/RegistryValue.h"

namespace rm {

bool TakeDwordValue(std::uint32_t type, const std::uint8_t* data, std::size_t size, std::uint32_t* out) {
  if (type != kRegTypeDword || size != 4 || !data || !out) return false;
  *out = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
         static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  return true;
}

}  // namespace rm
