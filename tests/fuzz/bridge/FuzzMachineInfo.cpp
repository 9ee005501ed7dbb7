// Feeds arbitrary firmware tables to the SMBIOS walk and the record builder.
// Input: 4 bytes of declared Size (little-endian), 1 byte choosing the
// layout, then the table's bytes, copied into a block of exactly their size
// so that any read past them is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "bridge/host/MachineInfoRecord.h"
#include "rmctl/core/MachineInfoText.h"

namespace {

namespace mi = vtq::machine_info;

void CheckTextField(const std::uint8_t* record, mi::Field f) {
  if (!std::memchr(record + f.offset, 0, f.size)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const std::uint32_t declared = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
                                 (static_cast<std::uint32_t>(data[2]) << 16) |
                                 (static_cast<std::uint32_t>(data[3]) << 24);
  const std::uint32_t layout = (data[4] & 1) ? vtq::kMachineInfoShortLayout : vtq::kMachineInfoFullLayout;
  const std::size_t length = size - 5;
  std::unique_ptr<std::uint8_t[]> table(new std::uint8_t[length]);
  if (length) std::memcpy(table.get(), data + 5, length);

  vtq::SmbiosTable walk(table.get(), length, declared);
  if (walk.size() > length) std::abort();
  std::uint8_t record[vtq::kMachineInfoRecordSize] = {};
  vtq::BuildMachineInfoRecord(walk, layout, record);
  for (mi::Field f : {mi::kFirmwareVersion, mi::kManufacturer, mi::kShortProductName, mi::kSerialNumber,
                      mi::kBoardProduct, mi::kProcessorVersion, mi::kBoardVersion, mi::kFullProductName}) {
    CheckTextField(record, f);
  }
  // The size field and the unused bytes are never written.
  for (std::size_t i = 0; i < 4; ++i)
    if (record[i]) std::abort();
  for (std::size_t i = 280; i < 308; ++i)
    if (record[i]) std::abort();
  // The layout that was not asked for keeps its product name slot empty.
  const mi::Field unused = layout == vtq::kMachineInfoFullLayout ? mi::kShortProductName : mi::kFullProductName;
  for (std::size_t i = 0; i < unused.size; ++i)
    if (record[unused.offset + i]) std::abort();

  (void)rmctl::FormatMachineInfoRecord(record, sizeof record);
  return 0;
}
