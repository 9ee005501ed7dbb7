#include "fwsim/model/SmbiosDefault.h"

#include <initializer_list>
#include <string>

namespace fwsim::model {
namespace {

// Appends one structure: its formatted area, then its string set.
class TableBuilder {
 public:
  // type, handle, then the formatted bytes after the 4-byte header.
  void Add(std::uint8_t type, std::uint16_t handle, std::initializer_list<std::uint8_t> body,
           std::initializer_list<const char*> strings = {}) {
    bytes_.push_back(type);
    bytes_.push_back(static_cast<std::uint8_t>(4 + body.size()));
    bytes_.push_back(static_cast<std::uint8_t>(handle));
    bytes_.push_back(static_cast<std::uint8_t>(handle >> 8));
    bytes_.insert(bytes_.end(), body);
    for (const char* s : strings) {
      bytes_.insert(bytes_.end(), s, s + std::char_traits<char>::length(s));
      bytes_.push_back(0);
    }
    if (strings.size() == 0) bytes_.push_back(0);
    bytes_.push_back(0);
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

constexpr std::uint8_t Lo(unsigned v) { return static_cast<std::uint8_t>(v & 0xFF); }
constexpr std::uint8_t Hi(unsigned v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }

// Handles.
enum : std::uint16_t {
  kBios = 0x0000, kSystem, kBoard, kChassis, kProcessor, kOnboard, kMemoryArray,
  kMemory0, kMemory1, kMemory2, kMappedAddress, kBootInfo, kEnd,
};

}  // namespace

std::vector<std::uint8_t> DefaultSmbiosTable() {
  TableBuilder t;
  // Type 0, BIOS Information (2.4+ length 0x18). ROM 64K * (0x3F + 1) = 4 MB;
  // characteristics: PCI, flash upgradeable, shadowing, CD boot, selectable
  // boot, EDD; extension byte 1: ACPI, USB legacy; byte 2: BIOS boot
  // specification, targeted content distribution, UEFI.
  t.Add(0, kBios,
        {1, 2, Lo(0xE000), Hi(0xE000), 3, 0x3F,
         0x80, 0x98, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00,
         0x03, 0x0D, 1, 7, 1, 3},
        {"Kestrel Firmware Co.", "KS14 Ver. 1.07", "03/14/2016"});
  // Type 1, System Information (length 0x1B); wake-up type: power switch.
  t.Add(1, kSystem,
        {1, 2, 3, 4,
         0x5B, 0x3E, 0x6C, 0x1A, 0x92, 0x4F, 0xD1, 0x11, 0x8B, 0x3A, 0x00, 0x1E, 0x57, 0x2C, 0x41, 0x7D,
         0x06, 5, 6},
        {"Kestrel Computer Corp.", "Sparrow 14 KS14", "KS14-A2", "KS14A2-0042-7731", "KS14A2-EU",
         "Sparrow"});
  // Type 2, Baseboard Information (length 0x0F, no contained handles):
  // hosting board, in chassis kChassis, motherboard.
  t.Add(2, kBoard,
        {1, 2, 3, 4, 0, 0x01, 5, Lo(kChassis), Hi(kChassis), 0x0A, 0},
        {"Kestrel Computer Corp.", "KS14-MB", "Rev 1.02", "MB1400427731", "Mainboard"});
  // Type 3, System Enclosure (2.7+ length 0x16, no contained elements):
  // notebook; boot-up, power supply and thermal states safe; security none.
  t.Add(3, kChassis,
        {1, 0x0A, 2, 3, 0, 0x03, 0x03, 0x03, 0x03, 0, 0, 0, 0, 0, 1, 0, 0, 4},
        {"Kestrel Computer Corp.", "Sparrow 14", "KS14A2-0042-7731", "KS14A2"});
  // Type 4, Processor Information (2.6+ length 0x2A): central processor,
  // family other, 1.1 V, 100 MHz external clock, 2400 MHz maximum and
  // current speed, populated and enabled, no cache information, 2 cores,
  // 4 threads, 64-bit capable, multi-core, hardware threads, execute
  // protection, virtualisation, power control.
  t.Add(4, kProcessor,
        {1, 0x03, 0x01, 2,
         0xD4, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF,
         3, 0x8B, Lo(100), Hi(100), Lo(2400), Hi(2400), Lo(2400), Hi(2400), 0x41, 0x01,
         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 4, 2, 2, 4, 0xFC, 0x00, 0x01, 0x00},
        {"U3E1", "Kestrel Semiconductor", "Kestrel Strider S7-5500U CPU @ 2.40GHz", "KS7-5500U"});
  // Type 10, On Board Devices Information: video and Ethernet, enabled.
  t.Add(10, kOnboard, {0x83, 1, 0x85, 2}, {"Kestrel HD Graphics 5500", "Kestrel Gigabit Ethernet"});
  // Type 16, Physical Memory Array (2.7+ length 0x17): system board, system
  // memory, no error correction, 16 GB maximum, three devices.
  t.Add(16, kMemoryArray,
        {0x03, 0x03, 0x03, 0x00, 0x00, 0x00, 0x01, 0xFE, 0xFF, 3, 0,
         0, 0, 0, 0, 0, 0, 0, 0});
  // Type 17, Memory Device (2.8 length 0x28): 4096 MB soldered DDR3 at 1600,
  // a 4096 MB DDR3 SODIMM, and an empty SODIMM socket.
  t.Add(17, kMemory0,
        {Lo(kMemoryArray), Hi(kMemoryArray), 0xFE, 0xFF, 64, 0, 64, 0, Lo(4096), Hi(4096), 0x0B, 0,
         1, 2, 0x18, 0x80, 0x00, Lo(1600), Hi(1600), 3, 4, 0, 5, 0x01,
         0, 0, 0, 0, Lo(1600), Hi(1600), Lo(1350), Hi(1350), Lo(1350), Hi(1350), Lo(1350), Hi(1350)},
        {"Onboard Memory", "BANK 0", "Kestrel Memory", "00000000", "KM3L4G16"});
  t.Add(17, kMemory1,
        {Lo(kMemoryArray), Hi(kMemoryArray), 0xFE, 0xFF, 64, 0, 64, 0, Lo(4096), Hi(4096), 0x0D, 0,
         1, 2, 0x18, 0x80, 0x00, Lo(1600), Hi(1600), 3, 4, 0, 5, 0x01,
         0, 0, 0, 0, Lo(1600), Hi(1600), Lo(1350), Hi(1350), Lo(1350), Hi(1350), Lo(1350), Hi(1350)},
        {"DIMM B", "BANK 1", "Kestrel Memory", "4A3B2C1D", "KM3S4G16"});
  t.Add(17, kMemory2,
        {Lo(kMemoryArray), Hi(kMemoryArray), 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0x0D, 0,
         1, 2, 0x02, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0x00,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"DIMM C", "BANK 2"});
  // Type 19, Memory Array Mapped Address (2.7+ length 0x1F): 0 to 8 GB - 1 KB.
  t.Add(19, kMappedAddress,
        {0, 0, 0, 0, 0xFF, 0xFF, 0x7F, 0x00, Lo(kMemoryArray), Hi(kMemoryArray), 2,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  // Type 32, System Boot Information: no errors detected.
  t.Add(32, kBootInfo, {0, 0, 0, 0, 0, 0, 0});
  // Type 127, End-of-Table.
  t.Add(127, kEnd, {});
  return t.Take();
}

}  // namespace fwsim::model
