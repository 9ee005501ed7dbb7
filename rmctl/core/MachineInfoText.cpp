#include "rmctl/core/MachineInfoText.h"

#include <cstdio>
#include <cstring>

#include "common/BridgeContract.h"

namespace rmctl {

namespace {

namespace mi = vtq::machine_info;

class RecordView {
 public:
  RecordView(const std::uint8_t* record, std::size_t size) : record_(record), size_(size) {}

  bool Has(mi::Field f) const { return f.offset + f.size <= size_; }
  std::string Text(mi::Field f) const {
    const char* p = reinterpret_cast<const char*>(record_ + f.offset);
    const void* zero = std::memchr(p, 0, f.size);
    return std::string(p, zero ? static_cast<const char*>(zero) - p : f.size);
  }
  std::uint32_t Number(mi::Field f) const {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < f.size; ++i) v |= static_cast<std::uint32_t>(record_[f.offset + i]) << (8 * i);
    return v;
  }
  const std::uint8_t* Bytes(mi::Field f) const { return record_ + f.offset; }

 private:
  const std::uint8_t* record_;
  std::size_t size_;
};

std::string Printf(const char* format, unsigned long a, unsigned long b = 0) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

std::string UuidText(const std::uint8_t* b) {
  std::string text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += Printf("%02x", b[i]);
  }
  return text;
}

}  // namespace

std::vector<std::string> FormatMachineInfoRecord(const std::uint8_t* record, std::size_t size) {
  const RecordView r(record, size);
  std::vector<std::string> lines;
  auto text = [&](const char* label, mi::Field f) {
    if (r.Has(f)) lines.push_back(std::string(label) + ": " + r.Text(f));
  };
  auto number = [&](const char* label, mi::Field f, const char* unit = "") {
    if (r.Has(f)) lines.push_back(std::string(label) + ": " + Printf("%lu", r.Number(f)) + unit);
  };

  number("Record size", mi::kRecordSize);
  text("Firmware version", mi::kFirmwareVersion);
  text("Manufacturer", mi::kManufacturer);
  // The full layout carries the product name at its end, the short one in
  // the slot that the full layout leaves empty.
  if (r.Has(mi::kFullProductName) && !r.Text(mi::kFullProductName).empty()) {
    text("Product name", mi::kFullProductName);
  } else {
    text("Product name", mi::kShortProductName);
  }
  text("Serial number", mi::kSerialNumber);
  text("Board product", mi::kBoardProduct);
  text("Board version", mi::kBoardVersion);
  text("Processor", mi::kProcessorVersion);
  number("Processor family", mi::kProcessorFamily);
  number("Processor maximum speed", mi::kProcessorMaxSpeed, " MHz");
  number("Total memory", mi::kTotalMemory, " MB");
  number("On-board video number", mi::kVideoNumber);
  if (r.Has(mi::kUuid)) lines.push_back("UUID (table byte order): " + UuidText(r.Bytes(mi::kUuid)));
  if (r.Has(mi::kSecondMemoryWord)) {
    lines.push_back(Printf("Memory device words: 0x%04lx 0x%04lx", r.Number(mi::kFirstMemoryWord),
                           r.Number(mi::kSecondMemoryWord)));
  }
  return lines;
}

}  // namespace rmctl
