#include "bridge/host/SmbiosTable.h"

#include <algorithm>

namespace vtq {

namespace {

constexpr std::size_t kHeaderLength = 4;  // type, length, handle

}  // namespace

std::uint8_t SmbiosStructure::Byte(std::size_t offset) const noexcept {
  return Holds(offset, 1) ? formatted_[offset] : 0;
}

std::uint16_t SmbiosStructure::Word(std::size_t offset) const noexcept {
  if (!Holds(offset, 2)) return 0;
  return static_cast<std::uint16_t>(formatted_[offset] | (formatted_[offset + 1] << 8));
}

std::uint32_t SmbiosStructure::Dword(std::size_t offset) const noexcept {
  if (!Holds(offset, 4)) return 0;
  return static_cast<std::uint32_t>(formatted_[offset]) | (static_cast<std::uint32_t>(formatted_[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(formatted_[offset + 2]) << 16) |
         (static_cast<std::uint32_t>(formatted_[offset + 3]) << 24);
}

std::string_view SmbiosStructure::String(std::uint8_t number) const noexcept {
  if (number == 0) return {};
  // The strings proper: the set without its closing double zero.
  const char* p = reinterpret_cast<const char*>(formatted_ + length_);
  const char* const end = p + (stringSetLength_ - 2);
  std::string_view last;
  for (unsigned n = 1; p < end; ++n) {
    const char* zero = std::find(p, end, '\0');
    last = std::string_view(p, static_cast<std::size_t>(zero - p));
    if (n == number) break;
    p = zero + 1;
  }
  return last;
}

SmbiosTable::SmbiosTable(const std::uint8_t* data, std::size_t available, std::uint32_t declaredSize) noexcept
    : data_(data), size_(data ? std::min<std::size_t>(available, declaredSize) : 0) {}

std::optional<SmbiosStructure> SmbiosTable::At(std::size_t offset) const noexcept {
  if (offset > size_ || size_ - offset < kHeaderLength) return std::nullopt;
  const std::uint8_t* s = data_ + offset;
  const std::size_t length = s[1];
  const std::size_t room = size_ - offset;
  // A length below the header's own would overlap the next structure's
  // bytes; such a table cannot be walked any further with confidence.
  if (length < kHeaderLength || length > room) return std::nullopt;
  // The string set runs to the first two consecutive zero bytes.
  for (std::size_t i = length; i + 1 < room; ++i) {
    if (s[i] == 0 && s[i + 1] == 0) return SmbiosStructure(s, length, i + 2 - length);
  }
  return std::nullopt;
}

std::optional<SmbiosStructure> SmbiosTable::FindFromCursor(std::uint8_t type) noexcept {
  while (auto s = At(cursor_)) {
    if (s->type() == type) return s;
    cursor_ += s->totalLength();
  }
  cursor_ = 0;
  return std::nullopt;
}

std::optional<SmbiosStructure> SmbiosTable::Find(std::uint8_t type) noexcept {
  const std::size_t start = cursor_;
  if (auto s = FindFromCursor(type)) return s;
  for (std::size_t at = 0; at < start;) {
    auto s = At(at);
    if (!s) break;
    if (s->type() == type) {
      cursor_ = at;
      return s;
    }
    at += s->totalLength();
  }
  cursor_ = 0;
  return std::nullopt;
}

void SmbiosTable::SkipCurrent() noexcept {
  if (auto s = At(cursor_)) {
    cursor_ += s->totalLength();
  } else {
    cursor_ = size_;
  }
}

}  // namespace vtq
