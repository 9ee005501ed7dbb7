// The machine information record for rmctl machine: the bridge's own text
// lines of the record (bridge/host/MachineInfoText.h), as text or JSON.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rmctl {

// "Label: value" lines, each ending in '\n'.
std::string MachineText(const std::uint8_t* record, std::size_t size);
// One object whose members are the same labels and values, in order.
std::string MachineJson(const std::uint8_t* record, std::size_t size);

}  // namespace rmctl
