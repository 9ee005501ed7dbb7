// Builds small SMBIOS structure tables for tests: each structure from its
// type, the formatted bytes after the 4-byte header, and its strings.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace vtq::test {

class TableBuilder {
 public:
  // `body` is the formatted area after the header (offset 4 on); the
  // structure's length byte is 4 + body.size() unless `length` is given.
  TableBuilder& Add(std::uint8_t type, std::vector<std::uint8_t> body, std::vector<std::string> strings = {},
                    int length = -1) {
    const std::size_t start = bytes_.size();
    bytes_.push_back(type);
    bytes_.push_back(static_cast<std::uint8_t>(length >= 0 ? length : 4 + static_cast<int>(body.size())));
    bytes_.push_back(static_cast<std::uint8_t>(handle_));
    bytes_.push_back(static_cast<std::uint8_t>(handle_ >> 8));
    ++handle_;
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    for (const auto& s : strings) {
      bytes_.insert(bytes_.end(), s.begin(), s.end());
      bytes_.push_back(0);
    }
    if (strings.empty()) bytes_.push_back(0);
    bytes_.push_back(0);
    offsets_.push_back(start);
    return *this;
  }
  TableBuilder& Raw(std::initializer_list<std::uint8_t> raw) {
    bytes_.insert(bytes_.end(), raw);
    return *this;
  }
  TableBuilder& End() { return Add(127, {}); }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }
  // Byte position of the n-th structure added (from 0).
  std::size_t OffsetOf(std::size_t n) const { return offsets_.at(n); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<std::size_t> offsets_;
  unsigned handle_ = 0;
};

// A formatted area of `size` bytes after the header, zero-filled, with
// the given bytes set at their structure offsets (offset 4 is body[0]).
inline std::vector<std::uint8_t> Body(std::size_t length, std::initializer_list<std::pair<std::size_t, std::uint8_t>> set) {
  std::vector<std::uint8_t> body(length - 4, 0);
  for (const auto& [offset, value] : set) body.at(offset - 4) = value;
  return body;
}

}  // namespace vtq::test
