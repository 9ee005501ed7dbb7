// The raw SMBIOS structure table as the firmware publishes it: a bounded walk
// over its structures, the structure search with its cursor, and string
// lookup. Portable; the table's bytes come from outside and are never
// trusted: nothing here reads outside the bytes handed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vtq {

// One structure: its formatted area (type in byte 0, length in byte 1,
// handle in bytes 2 and 3) and its string set, which ends with two zero
// bytes. Both lie wholly inside the table.
class SmbiosStructure {
 public:
  SmbiosStructure(const std::uint8_t* formatted, std::size_t length, std::size_t stringSetLength) noexcept
      : formatted_(formatted), length_(length), stringSetLength_(stringSetLength) {}

  std::uint8_t type() const noexcept { return formatted_[0]; }
  // Length of the formatted area (at least 4).
  std::size_t length() const noexcept { return length_; }
  // Formatted area plus string set, both terminating zeros included.
  std::size_t totalLength() const noexcept { return length_ + stringSetLength_; }

  // Whether the formatted area holds `size` bytes at `offset`.
  bool Holds(std::size_t offset, std::size_t size) const noexcept {
    return offset <= length_ && size <= length_ - offset;
  }
  // Little-endian fields of the formatted area. A field that lies beyond
  // the formatted length (an older or shortened structure) reads as 0.
  std::uint8_t Byte(std::size_t offset) const noexcept;
  std::uint16_t Word(std::size_t offset) const noexcept;
  std::uint32_t Dword(std::size_t offset) const noexcept;
  const std::uint8_t* Bytes(std::size_t offset) const noexcept { return formatted_ + offset; }

  // String number n of the string set (numbered from 1). 0 gives an empty
  // string; a number beyond the last string gives the last string; an empty
  // set gives an empty string.
  std::string_view String(std::uint8_t number) const noexcept;
  // The string numbered by the byte at `offset`.
  std::string_view StringAt(std::size_t offset) const noexcept { return String(Byte(offset)); }

 private:
  const std::uint8_t* formatted_;
  std::size_t length_;
  std::size_t stringSetLength_;
};

// The table with a search cursor. The walk covers the table's declared size
// or the bytes actually handed over, whichever is smaller, and ends early at
// the first structure that is malformed (formatted length below 4) or does
// not fit (formatted area or string set running past that end).
class SmbiosTable {
 public:
  SmbiosTable(const std::uint8_t* data, std::size_t available, std::uint32_t declaredSize) noexcept;

  // Bytes the walk covers.
  std::size_t size() const noexcept { return size_; }
  // Byte position of the cursor (the structure at which the next search
  // starts).
  std::size_t cursor() const noexcept { return cursor_; }

  // Examines the structures from the cursor on. A structure of `type` is
  // the result and the cursor stays on it, so the next search examines it
  // first. Without a result the cursor goes back to the table's start.
  std::optional<SmbiosStructure> FindFromCursor(std::uint8_t type) noexcept;
  // As FindFromCursor, but when nothing is found between the cursor and
  // the end, the structures before the cursor are examined too, from the
  // table's start on. Firmware lists its structures in any order (some put
  // the processor before the firmware information), and a structure that
  // lies before the cursor is still the machine's.
  std::optional<SmbiosStructure> Find(std::uint8_t type) noexcept;
  // Moves the cursor past the structure it stands on.
  void SkipCurrent() noexcept;
  void Rewind() noexcept { cursor_ = 0; }

  // The structure at byte position `offset`, if a whole and well-formed one
  // starts there.
  std::optional<SmbiosStructure> At(std::size_t offset) const noexcept;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t cursor_ = 0;
};

}  // namespace vtq
