#include "common/StartupDiagnostics.h"

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

std::optional<StartupDiagnostics> StartupDiagnostics::Parse(const std::uint8_t* data, std::size_t size) {
  if (!data || size != kBytes) return std::nullopt;
  StartupDiagnostics d;
  for (std::size_t i = 0; i < kCount; ++i) {
    const std::uint32_t v = static_cast<std::uint32_t>(data[i * 4]) | static_cast<std::uint32_t>(data[i * 4 + 1]) << 8 |
                            static_cast<std::uint32_t>(data[i * 4 + 2]) << 16 |
                            static_cast<std::uint32_t>(data[i * 4 + 3]) << 24;
    d.slots[i] = static_cast<std::int32_t>(v);
  }
  return d;
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
