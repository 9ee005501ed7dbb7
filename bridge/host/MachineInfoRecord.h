// The machine information record that vtqGetMachineInfoEx hands its clients,
// built from the SMBIOS structure table. Portable: the reader passes the table's bytes in, nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bridge/host/SmbiosTable.h"
#include "common/BridgeContract.h"

namespace vtq {

// The record's size, layouts and fields: common/BridgeContract.h.

// Fills `record` (kMachineInfoRecordSize bytes, zero-filled by the caller)
// from the table for the layout named by layoutSize: the product name goes
// to offset 308 when layoutSize is 388, else to offset 68. The record size
// field at offset 0 is left to the caller. A structure the table lacks
// leaves its fields empty or 0. Throws only std::bad_alloc.
void BuildMachineInfoRecord(SmbiosTable& table, std::uint32_t layoutSize, std::uint8_t* record);

// The rules that turn the table's strings and words into record fields.

// Spaces removed from both ends (other white space stays).
std::string_view TrimSpaces(std::string_view text) noexcept;
// Firmware version and release date joined as "version - date", then cut
// after the first "Ver. " (any case) or else after the first letter v (any
// case). Not yet cut to the field's size.
std::string FirmwareVersionText(std::string_view version, std::string_view releaseDate);
// The board product: spaces, then 'h' characters, removed from both ends.
std::string_view BoardProductText(std::string_view product) noexcept;
// The decimal number at the start of the text (after white space, with an
// optional sign), kept in 16 bits; 0 without one.
std::uint16_t LeadingNumber(std::string_view text) noexcept;
// Megabytes a memory device (type 17) adds to the total memory: the size
// word when its bit 15 is clear (the size is in MB), its extended size when
// the word is 0x7FFF and the structure has one, nothing for a size in KB.
std::uint32_t MemoryDeviceMegabytes(const SmbiosStructure& device) noexcept;

}  // namespace vtq
