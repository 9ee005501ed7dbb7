// The SMBIOS file reader of `fwsim smbios load`: entry points, table
// addresses and structure walks of arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fwsim/model/MachineState.h"
#include "fwsim/model/SmbiosFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fwsim::model;
  SmbiosImage image;
  std::string error;
  if (ParseSmbiosFile(data, size, image, error)) {
    // What was accepted is a whole table that fits the shared state.
    if (image.table.empty() || image.table.size() > kSmbiosCapacity || !error.empty()) std::abort();
    std::size_t used = 0, count = 0;
    if (!CheckStructureTable(image.table.data(), image.table.size(), used, count, error)) std::abort();
    if (used != image.table.size() || count != image.structureCount) std::abort();
    const auto structures = SmbiosStructures(image.table.data(), image.table.size());
    if (structures.size() != count) std::abort();
    for (const auto& s : structures) {
      for (std::size_t i = 4; i < s.length; ++i) (void)SmbiosString(s, s.formatted[i]);
    }
  } else if (error.empty()) {
    std::abort();
  }
  // The summary walk takes any bytes.
  (void)SmbiosStructures(data, size);
  return 0;
}
