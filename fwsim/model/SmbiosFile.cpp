#include "fwsim/model/SmbiosFile.h"

#include <cstdio>
#include <cstring>

#include "fwsim/model/MachineState.h"

namespace fwsim::model {
namespace {

std::uint16_t Word(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Dword(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint64_t Qword(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Dword(p)) | static_cast<std::uint64_t>(Dword(p + 4)) << 32;
}

bool SumsToZero(const std::uint8_t* p, std::size_t n) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum = static_cast<std::uint8_t>(sum + p[i]);
  return sum == 0;
}

std::string Hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

// Takes the table at [address, address + length) of the file, clipped to
// the file's end when `clip` (an SMBIOS 3 maximum size), and checks it.
bool TakeTable(const std::uint8_t* bytes, std::size_t size, std::uint64_t address, std::uint64_t length,
               bool clip, SmbiosImage& image, std::string& error) {
  if (address >= size) {
    error = "the entry point puts the table at " + Hex(address) + ", beyond the end of the file (" +
            std::to_string(size) + " bytes)";
    return false;
  }
  const std::uint64_t available = size - address;
  if (length > available) {
    if (!clip) {
      error = "the table (" + std::to_string(length) + " bytes at " + Hex(address) +
              ") runs past the end of the file (" + std::to_string(size) + " bytes)";
      return false;
    }
    length = available;
  }
  std::size_t used = 0;
  if (!CheckStructureTable(bytes + address, static_cast<std::size_t>(length), used, image.structureCount,
                           error))
    return false;
  image.table.assign(bytes + address, bytes + address + used);
  return true;
}

}  // namespace

bool CheckStructureTable(const std::uint8_t* table, std::size_t size, std::size_t& used,
                         std::size_t& structures, std::string& error) {
  structures = 0;
  std::size_t at = 0;
  while (at < size) {
    // Zero bytes after the last structure are padding (a maximum size
    // larger than the table, a table without End-of-Table).
    if (structures > 0) {
      std::size_t z = at;
      while (z < size && table[z] == 0) ++z;
      if (z == size) break;
    }
    const std::string where = "structure " + std::to_string(structures + 1) + " at offset " + Hex(at);
    if (size - at < 4) {
      error = where + ": incomplete header";
      return false;
    }
    const std::uint8_t length = table[at + 1];
    if (length < 4) {
      error = where + ": formatted length " + std::to_string(length) + " is less than 4";
      return false;
    }
    if (length > size - at) {
      error = where + ": formatted area runs past the end of the table";
      return false;
    }
    // The string set ends with two zero bytes; an empty set is just those two.
    std::size_t end = at + length;
    bool terminated = false;
    while (end + 1 < size) {
      if (table[end] == 0 && table[end + 1] == 0) {
        terminated = true;
        break;
      }
      ++end;
    }
    if (!terminated) {
      error = where + ": string set not terminated by two zero bytes";
      return false;
    }
    const std::uint8_t type = table[at];
    at = end + 2;
    ++structures;
    if (type == 127) break;
  }
  if (structures == 0) {
    error = "the table holds no structure";
    return false;
  }
  if (at > kSmbiosCapacity) {
    error = "the table (" + std::to_string(at) + " bytes) is larger than " + std::to_string(kSmbiosCapacity) +
            " bytes";
    return false;
  }
  used = at;
  return true;
}

bool ParseSmbiosFile(const std::uint8_t* bytes, std::size_t size, SmbiosImage& image, std::string& error) {
  image = SmbiosImage{};
  error.clear();
  if (size == 0) {
    error = "the file is empty";
    return false;
  }
  if (size >= 5 && std::memcmp(bytes, "_SM3_", 5) == 0) {
    // SMBIOS 3 entry point: length at 6, version at 7 and 8, maximum table
    // size at 0x0C, 64-bit table address at 0x10.
    if (size < 0x18) {
      error = "the _SM3_ entry point is cut short (" + std::to_string(size) + " of 24 bytes)";
      return false;
    }
    const std::uint8_t length = bytes[6];
    if (length < 0x18 || length > size) {
      error = "the _SM3_ entry point gives an impossible length " + std::to_string(length);
      return false;
    }
    if (!SumsToZero(bytes, length)) {
      error = "the _SM3_ entry point's checksum is wrong";
      return false;
    }
    image.kind = SmbiosFileKind::EntryPoint30;
    image.major = bytes[7];
    image.minor = bytes[8];
    return TakeTable(bytes, size, Qword(bytes + 0x10), Dword(bytes + 0x0C), true, image, error);
  }
  if (size >= 4 && std::memcmp(bytes, "_SM_", 4) == 0) {
    // SMBIOS 2.1 entry point: length at 5, version at 6 and 7, then the
    // intermediate "_DMI_" anchor at 0x10 with the table length at 0x16 and
    // the 32-bit table address at 0x18.
    if (size < 0x1F) {
      error = "the _SM_ entry point is cut short (" + std::to_string(size) + " of 31 bytes)";
      return false;
    }
    const std::uint8_t length = bytes[5];
    if (length < 0x1E || length > size) {
      error = "the _SM_ entry point gives an impossible length " + std::to_string(length);
      return false;
    }
    if (!SumsToZero(bytes, length)) {
      error = "the _SM_ entry point's checksum is wrong";
      return false;
    }
    if (std::memcmp(bytes + 0x10, "_DMI_", 5) != 0 || !SumsToZero(bytes + 0x10, 0x0F)) {
      error = "the _SM_ entry point's intermediate _DMI_ anchor is missing or its checksum is wrong";
      return false;
    }
    image.kind = SmbiosFileKind::EntryPoint21;
    image.major = bytes[6];
    image.minor = bytes[7];
    return TakeTable(bytes, size, Dword(bytes + 0x18), Word(bytes + 0x16), false, image, error);
  }
  if (size >= 5 && std::memcmp(bytes, "_DMI_", 5) == 0) {
    // Legacy DMI entry point: table length at 6, address at 8, BCD revision at 0x0E.
    if (size < 0x0F) {
      error = "the _DMI_ entry point is cut short (" + std::to_string(size) + " of 15 bytes)";
      return false;
    }
    if (!SumsToZero(bytes, 0x0F)) {
      error = "the _DMI_ entry point's checksum is wrong";
      return false;
    }
    image.kind = SmbiosFileKind::LegacyDmi;
    image.major = static_cast<std::uint8_t>(bytes[0x0E] >> 4);
    image.minor = static_cast<std::uint8_t>(bytes[0x0E] & 0x0F);
    return TakeTable(bytes, size, Dword(bytes + 8), Word(bytes + 6), false, image, error);
  }
  image.kind = SmbiosFileKind::RawTable;
  image.major = kRawTableMajor;
  image.minor = kRawTableMinor;
  std::size_t used = 0;
  std::string why;
  if (!CheckStructureTable(bytes, size, used, image.structureCount, why)) {
    error = "neither an SMBIOS entry point (_SM_, _SM3_, _DMI_) nor a structure table: " + why;
    return false;
  }
  image.table.assign(bytes, bytes + used);
  return true;
}

std::vector<SmbiosStructure> SmbiosStructures(const std::uint8_t* table, std::size_t size) {
  std::vector<SmbiosStructure> out;
  std::size_t at = 0;
  while (size - at >= 4) {
    const std::uint8_t length = table[at + 1];
    if (length < 4 || length > size - at) break;
    SmbiosStructure s;
    s.type = table[at];
    s.handle = Word(table + at + 2);
    s.formatted = table + at;
    s.length = length;
    std::size_t p = at + length;
    bool terminated = false;
    std::string current;
    while (p + 1 < size) {
      if (table[p] == 0 && table[p + 1] == 0) {
        terminated = true;
        break;
      }
      if (table[p] == 0) {
        s.strings.push_back(current);
        current.clear();
      } else {
        current.push_back(static_cast<char>(table[p]));
      }
      ++p;
    }
    if (!terminated) break;
    if (p > at + length) s.strings.push_back(current);  // the last string ends at the double zero
    out.push_back(std::move(s));
    at = p + 2;
    if (out.back().type == 127) break;
  }
  return out;
}

std::string SmbiosString(const SmbiosStructure& s, std::uint8_t n) {
  if (n == 0 || n > s.strings.size()) return std::string();
  return s.strings[n - 1];
}

}  // namespace fwsim::model
