#include "bridge/host/DataBlockRules.h"

#include <cstdio>

namespace vtq {
namespace {

constexpr std::int32_t kPointerMissing = static_cast<std::int32_t>(0x80004003);  // E_POINTER

char16_t FoldAscii(char16_t c) noexcept {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

std::string DataBlockInstanceName(std::uint32_t instance) {
  char text[32];
  std::snprintf(text, sizeof(text), "ACPI\\PNP0C14\\0_%ld",
                static_cast<long>(static_cast<std::int32_t>(instance)));
  return text;
}

std::int32_t CheckDataBlockRequest(std::uint32_t command, bool hasState) noexcept {
  if (command != kDataBlockRead && command != kDataBlockWrite) return kInvalidArgument;
  if (!hasState) return kPointerMissing;
  return 0;
}

bool SameInstanceName(const std::u16string& found, const std::string& wanted) noexcept {
  if (found.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const auto w = static_cast<unsigned char>(wanted[i]);
    if (w >= 0x80) return false;
    if (FoldAscii(found[i]) != FoldAscii(static_cast<char16_t>(w))) return false;
  }
  return true;
}

void DataBlockWalk::Accessed(std::int32_t hr) noexcept {
  if (hr >= 0)
    done_ = true;
  else
    accessFailure_ = hr;
}

void DataBlockWalk::EnumerationFailed(std::int32_t hr) noexcept { enumFailure_ = hr; }

std::int32_t DataBlockWalk::Result() const noexcept {
  if (done_) return 0;
  if (accessFailure_ < 0) return accessFailure_;
  if (enumFailure_ < 0) return enumFailure_;
  return kInvalidArgument;
}

}  // namespace vtq
