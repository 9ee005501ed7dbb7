// Reading an SMBIOS table from a file: either a raw structure table (the
// bytes of MSSmBios_RawSMBiosTables.SMBiosData, /sys/firmware/dmi/tables/DMI)
// or a `dmidecode --dump-bin` file (an entry point at offset 0 and the table
// at the address the entry point gives). The bytes come from outside; every
// length and offset is checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fwsim::model {

enum class SmbiosFileKind { RawTable, EntryPoint21 /* _SM_ */, EntryPoint30 /* _SM3_ */, LegacyDmi /* _DMI_ */ };

struct SmbiosImage {
  SmbiosFileKind kind = SmbiosFileKind::RawTable;
  std::uint8_t major = 0;
  std::uint8_t minor = 0;
  std::vector<std::uint8_t> table;  // the structure table, up to and including End-of-Table
  std::size_t structureCount = 0;
};

// The version a raw table is taken to have when the caller names none.
constexpr std::uint8_t kRawTableMajor = 3;
constexpr std::uint8_t kRawTableMinor = 0;

// false with a one-line reason in `error` when the bytes are neither.
bool ParseSmbiosFile(const std::uint8_t* bytes, std::size_t size, SmbiosImage& image, std::string& error);

// Checks a structure table and returns the length up to and including the
// End-of-Table structure (type 127), or the whole length when the
// structures fill it exactly without one. false with a reason otherwise.
bool CheckStructureTable(const std::uint8_t* table, std::size_t size, std::size_t& used,
                         std::size_t& structures, std::string& error);

// One structure of a checked table, for summaries.
struct SmbiosStructure {
  std::uint8_t type = 0;
  std::uint16_t handle = 0;
  const std::uint8_t* formatted = nullptr;  // formatted area, header included
  std::size_t length = 0;                   // of the formatted area
  std::vector<std::string> strings;
};
std::vector<SmbiosStructure> SmbiosStructures(const std::uint8_t* table, std::size_t size);
// String number `n` of a structure ("" for 0 or one it does not have).
std::string SmbiosString(const SmbiosStructure& s, std::uint8_t n);

}  // namespace fwsim::model
