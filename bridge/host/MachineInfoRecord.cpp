#include "bridge/host/MachineInfoRecord.h"

#include <algorithm>
#include <cstring>

namespace vtq {

namespace {

namespace mi = machine_info;

// SMBIOS structure types and field offsets the record takes.
constexpr std::uint8_t kFirmwareType = 0;
constexpr std::uint8_t kSystemType = 1;
constexpr std::uint8_t kBoardType = 2;
constexpr std::uint8_t kChassisType = 3;
constexpr std::uint8_t kProcessorType = 4;
constexpr std::uint8_t kOnboardDevicesType = 10;
constexpr std::uint8_t kMemoryDeviceType = 17;

constexpr std::uint16_t kSizeInKilobytes = 0x8000;
constexpr std::uint16_t kSeeExtendedSize = 0x7FFF;
constexpr std::size_t kExtendedSizeOffset = 0x1C;
constexpr std::uint8_t kVideoDevice = 3;

// The join of version and date is formatted into a buffer of 260 bytes.
constexpr std::size_t kJoinedLimit = 259;

void PutText(std::uint8_t* record, mi::Field field, std::string_view text) noexcept {
  const std::size_t n = std::min(text.size(), field.size - 1);
  if (n != 0) std::memcpy(record + field.offset, text.data(), n);
  record[field.offset + n] = 0;
}

void PutWord(std::uint8_t* record, mi::Field field, std::uint32_t value) noexcept {
  for (std::size_t i = 0; i < field.size; ++i) record[field.offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

char Lower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle) noexcept {
  if (lowerNeedle.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
    bool match = true;
    for (std::size_t j = 0; j < lowerNeedle.size() && match; ++j) match = Lower(text[i + j]) == lowerNeedle[j];
    if (match) return i;
  }
  return std::string_view::npos;
}

std::string_view TrimChar(std::string_view text, char c) noexcept {
  while (!text.empty() && text.front() == c) text.remove_prefix(1);
  while (!text.empty() && text.back() == c) text.remove_suffix(1);
  return text;
}

void TakeFirmware(const SmbiosStructure& s, std::uint8_t* record) {
  PutText(record, mi::kFirmwareVersion, FirmwareVersionText(s.StringAt(5), s.StringAt(8)));
}

void TakeSystem(const SmbiosStructure& s, std::uint32_t layoutSize, std::uint8_t* record) noexcept {
  PutText(record, mi::kManufacturer, TrimSpaces(s.StringAt(4)));
  PutText(record, layoutSize == kMachineInfoFullLayout ? mi::kFullProductName : mi::kShortProductName,
          TrimSpaces(s.StringAt(5)));
  PutText(record, mi::kSerialNumber, TrimSpaces(s.StringAt(7)));
  // Structures older than SMBIOS 2.1 end before the UUID.
  if (s.Holds(8, mi::kUuid.size)) std::memcpy(record + mi::kUuid.offset, s.Bytes(8), mi::kUuid.size);
}

void TakeBoard(const SmbiosStructure& s, std::uint8_t* record) noexcept {
  PutText(record, mi::kBoardProduct, BoardProductText(s.StringAt(5)));
  PutText(record, mi::kBoardVersion, TrimSpaces(s.StringAt(6)));
}

void TakeProcessor(const SmbiosStructure& s, std::uint8_t* record) noexcept {
  PutText(record, mi::kProcessorVersion, TrimSpaces(s.StringAt(0x10)));
  PutWord(record, mi::kProcessorFamily, s.Byte(6));
  PutWord(record, mi::kProcessorMaxSpeed, s.Word(0x14));
  PutWord(record, mi::kProcessorMaxSpeedAgain, s.Word(0x14));
}

void TakeOnboardDevices(const SmbiosStructure& s, std::uint8_t* record) noexcept {
  std::uint16_t number = 0;
  // Byte 6 is the second device's type byte, not the first device's
  // description (byte 5); the number comes from the string it names.
  if ((s.Byte(4) & 0x7F) == kVideoDevice) number = LeadingNumber(s.StringAt(6));
  PutWord(record, mi::kVideoNumber, number);
}

void TakeMemoryDevices(SmbiosTable& table, std::uint8_t* record) noexcept {
  std::uint32_t total = 0;
  unsigned index = 0;
  // Each search continues after the device found before, to the end.
  for (auto s = table.FindFromCursor(kMemoryDeviceType); s; s = table.FindFromCursor(kMemoryDeviceType)) {
    total += MemoryDeviceMegabytes(*s);
    // The field has 16 bits: a larger total stays at its greatest value
    // rather than wrapping around to a small one.
    total = std::min<std::uint32_t>(total, 0xFFFF);
    if ((s->Word(12) & kSizeInKilobytes) == 0) {
      if (index == 0) PutWord(record, mi::kFirstMemoryWord, s->Word(0x16));
      if (index == 1) PutWord(record, mi::kSecondMemoryWord, s->Word(0x16));
    }
    ++index;
    table.SkipCurrent();
  }
  PutWord(record, mi::kTotalMemory, total);
}

}  // namespace

std::string_view TrimSpaces(std::string_view text) noexcept { return TrimChar(text, ' '); }

std::string FirmwareVersionText(std::string_view version, std::string_view releaseDate) {
  std::string text(TrimSpaces(version));
  text += " - ";
  text += TrimSpaces(releaseDate);
  if (text.size() > kJoinedLimit) text.resize(kJoinedLimit);
  std::string_view joined = TrimSpaces(text);
  if (std::size_t at = FindNoCase(joined, "ver. "); at != std::string_view::npos) {
    joined.remove_prefix(at + 5);
  } else if (std::size_t v = joined.find_first_of("vV"); v != std::string_view::npos) {
    joined.remove_prefix(v + 1);
  }
  return std::string(joined);
}

std::string_view BoardProductText(std::string_view product) noexcept {
  return TrimChar(TrimSpaces(product), 'h');
}

std::uint16_t LeadingNumber(std::string_view text) noexcept {
  std::size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Digits accumulate into a 32-bit value that stops at its limits, as a
  // C library conversion does; the record keeps the low 16 bits.
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t{1} << 31);
  }
  if (negative) value = -value;
  value = std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX);
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(value)) & 0xFFFF);
}

std::uint32_t MemoryDeviceMegabytes(const SmbiosStructure& device) noexcept {
  const std::uint16_t size = device.Word(12);
  if (size & kSizeInKilobytes) return 0;
  // From SMBIOS 2.7 on, 0x7FFF says the size (32 GB or more) is in the
  // extended size dword; structures without that field mean 32767 MB.
  if (size == kSeeExtendedSize && device.Holds(kExtendedSizeOffset, 4)) {
    return device.Dword(kExtendedSizeOffset) & 0x7FFFFFFF;
  }
  return size;
}

void BuildMachineInfoRecord(SmbiosTable& table, std::uint32_t layoutSize, std::uint8_t* record) {
  table.Rewind();
  if (auto s = table.Find(kFirmwareType)) TakeFirmware(*s, record);
  if (auto s = table.Find(kSystemType)) TakeSystem(*s, layoutSize, record);
  if (auto s = table.Find(kBoardType)) TakeBoard(*s, record);
  table.Find(kChassisType);  // nothing is taken; it moves the cursor
  if (auto s = table.Find(kProcessorType)) TakeProcessor(*s, record);

  table.Rewind();
  if (auto s = table.Find(kOnboardDevicesType)) TakeOnboardDevices(*s, record);

  table.Rewind();
  TakeMemoryDevices(table, record);
}

}  // namespace vtq
