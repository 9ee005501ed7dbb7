// The rule by which a number is taken from a registry value, for the tray
// program's settings and the bridge's parameters alike. Portable: no
// Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rm {

// The registry type a number must have (REG_DWORD).
inline constexpr std::uint32_t kRegTypeDword = 4;

// A value is taken only when it is a REG_DWORD of exactly 4 bytes; anything
// else (a string, a binary, a DWORD of the wrong length) counts as missing
// and leaves *out alone. Returns whether it was taken.
bool TakeDwordValue(std::uint32_t type, const std::uint8_t* data, std::size_t size, std::uint32_t* out);

}  // namespace rm
