#include "tray/core/StartupDiagnostics.h"

#include <cstring>

namespace rm {

std::array<std::uint8_t, StartupDiagnostics::kBytes> StartupDiagnostics::Serialize() const {
  std::array<std::uint8_t, kBytes> out{};
  for (std::size_t i = 0; i < kCount; ++i) {
    const auto v = static_cast<std::uint32_t>(slots[i]);
    out[i * 4 + 0] = static_cast<std::uint8_t>(v);
    out[i * 4 + 1] = static_cast<std::uint8_t>(v >> 8);
    out[i * 4 + 2] = static_cast<std::uint8_t>(v >> 16);
    out[i * 4 + 3] = static_cast<std::uint8_t>(v >> 24);
  }
  return out;
}

std::int32_t NonzeroHandleValue(const void* p) {
  if (!p) return 0;
  // The low 32 bits identify the object well enough for a diagnostic record;
  // a pointer whose low half is zero still has to read as "created".
  std::uintptr_t bits = 0;
  std::memcpy(&bits, &p, sizeof p);
  const auto low = static_cast<std::uint32_t>(bits);
  return low ? static_cast<std::int32_t>(low) : 1;
}

}  // namespace rm
