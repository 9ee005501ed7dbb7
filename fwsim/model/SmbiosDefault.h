// The default SMBIOS table of the simulated notebook: a standard-conformant
// SMBIOS 2.8 structure table of an invented notebook, the Kestrel Sparrow 14.
#pragma once

#include <cstdint>
#include <vector>

namespace fwsim::model {

constexpr std::uint8_t kDefaultSmbiosMajor = 2;
constexpr std::uint8_t kDefaultSmbiosMinor = 8;

// Types 0, 1, 2, 3, 4, 10, 16, 17 (three devices, one an empty socket), 19,
// 32 and 127, in that order.
std::vector<std::uint8_t> DefaultSmbiosTable();

}  // namespace fwsim::model
