// The machine information record as readable text lines ("Manufacturer:
// ..."), for programs that show the record to a person.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rmctl {

// One line per field of the record's first `size` bytes (388 or 308 as a
// client receives them); fields that lie beyond `size` are left out. Text
// fields end at their first zero byte or at the field's end.
std::vector<std::string> FormatMachineInfoRecord(const std::uint8_t* record, std::size_t size);

}  // namespace rmctl
