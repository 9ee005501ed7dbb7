// The machine information record that vtqGetMachineInfoEx hands its clients:
// 388 bytes, little-endian, built from the SMBIOS structure table. Two
// layouts differ only in where the system product name goes (full: offset
// 308; short: offset 68, and the client receives only the first 308 bytes).
// Portable: the reader passes the table's bytes in, nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bridge/host/SmbiosTable.h"

namespace vtq {

inline constexpr std::size_t kMachineInfoRecordSize = 388;
inline constexpr std::uint32_t kMachineInfoFullLayout = 388;
inline constexpr std::uint32_t kMachineInfoShortLayout = 308;

// Where each field lies in the record, and its size.
namespace machine_info {
struct Field {
  std::size_t offset;
  std::size_t size;
};
inline constexpr Field kRecordSize{0, 4};
inline constexpr Field kFirmwareVersion{4, 32};
inline constexpr Field kManufacturer{36, 32};
inline constexpr Field kShortProductName{68, 32};
inline constexpr Field kSerialNumber{100, 32};
inline constexpr Field kBoardProduct{132, 32};
inline constexpr Field kTotalMemory{164, 2};
inline constexpr Field kVideoNumber{166, 2};
inline constexpr Field kProcessorVersion{168, 50};
inline constexpr Field kBoardVersion{218, 34};
inline constexpr Field kProcessorFamily{252, 4};
inline constexpr Field kProcessorMaxSpeed{256, 2};
inline constexpr Field kProcessorMaxSpeedAgain{258, 2};
inline constexpr Field kUuid{260, 16};
inline constexpr Field kFirstMemoryWord{276, 2};
inline constexpr Field kSecondMemoryWord{278, 2};
inline constexpr Field kFullProductName{308, 80};
}  // namespace machine_info

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
