// Reads fields of a machine information record in tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/host/MachineInfoRecord.h"

namespace vtq::test {

using Record = std::array<std::uint8_t, kMachineInfoRecordSize>;

inline std::string Text(const Record& r, machine_info::Field f) {
  const char* p = reinterpret_cast<const char*>(r.data() + f.offset);
  const void* zero = std::memchr(p, 0, f.size);
  // A text field always ends with its zero byte inside the field.
  if (!zero) return "<unterminated>";
  return std::string(p, static_cast<const char*>(zero) - p);
}

inline std::uint32_t Number(const Record& r, machine_info::Field f) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < f.size; ++i) v |= static_cast<std::uint32_t>(r[f.offset + i]) << (8 * i);
  return v;
}

inline bool AllZero(const Record& r, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i)
    if (r[i] != 0) return false;
  return true;
}

inline Record Build(const std::vector<std::uint8_t>& table, std::uint32_t layout = kMachineInfoFullLayout) {
  Record r{};
  SmbiosTable t(table.data(), table.size(), static_cast<std::uint32_t>(table.size()));
  BuildMachineInfoRecord(t, layout, r.data());
  return r;
}

}  // namespace vtq::test
