// The simulated notebook's whole state as one fixed-layout plain structure.
// fwsim/machine keeps it in a file mapping shared by every process of a Wine
// prefix, so it holds no pointers and only fixed-width fields; a change of
// its layout needs a new kStateVersion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace fwsim::model {

constexpr std::uint32_t kStateVersion = 1;
constexpr std::size_t kMaxBlocks = 8;            // vtqGAED or vtqDockQuery instances
constexpr std::size_t kInstanceNameSize = 60;    // with the terminating zero
constexpr std::size_t kEventRingSize = 64;       // recent events kept for readers
constexpr std::size_t kSmbiosCapacity = 65536;   // bytes of the raw structure table
constexpr std::size_t kSmbiosSourceSize = 128;   // where the table came from, text

enum class Profile : std::uint32_t {
  Both = 0,         // wireless LAN and Bluetooth
  Wlan = 1,         // wireless LAN only
  Bluetooth = 2,    // Bluetooth only
  None = 3,         // the firmware classes without radios
  Unsupported = 4,  // no firmware classes at all
};

// One radio as the firmware keeps it; the status word is derived from it.
struct RadioState {
  std::uint8_t present;       // the radio exists
  std::uint8_t setupEnabled;  // the firmware setup allows it
  std::uint8_t selected;      // the user's last choice (switch request), on or off
  std::uint8_t reserved;
};

struct BlockState {  // one vtqGAED or vtqDockQuery instance
  char instanceName[kInstanceNameSize];
  std::uint32_t ulState;
};

struct FaultState {  // the fault knobs of fwsim::Faults
  std::uint32_t enumTimeouts;
  std::int32_t dataLength;  // -1: off
  std::uint8_t getMethodFails;
  std::uint8_t outDataMissing;
  std::uint8_t returnCodeMissing;
  std::uint8_t eventClassesMissing;
  std::uint32_t delayMs;
  std::uint32_t answerDelayMs;  // after the firmware answered a vtqBIntM request
};

enum class EventKind : std::uint32_t { BiosEvent = 0 /* vtqBEvnt */, DockEvent = 1 /* vtqDockEvent */ };

struct EventRecord {
  std::uint64_t sequence;  // 0: empty slot
  std::uint32_t eventClass;  // EventKind
  std::uint32_t eventId;
  std::uint32_t eventData;
  std::uint32_t joinsNext;  // 1: reaches a subscriber in one delivery with the next event
};

struct MachineState {
  std::uint32_t profile;  // Profile
  std::uint32_t firmwareClasses;  // 0 on the unsupported profile
  RadioState wlan;
  RadioState bluetooth;
  std::uint8_t lanSwitchingPresent;  // the setup offers LAN - WLAN switching
  std::uint8_t lanSwitchingEnabled;  // ... and it is enabled
  std::uint8_t separateSwitching;    // radios can be switched one by one
  std::uint8_t buttonEnabled;        // the wireless button lets the radios on (toggled by a press)
  std::uint8_t lanCablePlugged;
  std::uint8_t reserved1[3];
  std::uint32_t displayCount;
  BlockState displays[kMaxBlocks];  // vtqGAED
  std::uint32_t dockCount;
  BlockState docks[kMaxBlocks];     // vtqDockQuery
  FaultState faults;
  std::uint64_t lastSequence;  // of the last event raised; never goes back
  EventRecord events[kEventRingSize];  // event n lives at n % kEventRingSize
  std::uint32_t smbiosMajor;
  std::uint32_t smbiosMinor;
  std::uint32_t smbiosLength;
  char smbiosSource[kSmbiosSourceSize];
  std::uint8_t smbios[kSmbiosCapacity];
  std::uint32_t requestsAnswered;  // vtqBIntM requests the firmware answered; wraps
};

static_assert(std::is_trivially_copyable<MachineState>::value, "shared state must be plain");
static_assert(std::is_standard_layout<MachineState>::value, "shared state must be plain");
static_assert(offsetof(MachineState, lastSequence) % 8 == 0, "64-bit fields aligned alike in 32 and 64 bit");
static_assert(offsetof(MachineState, events) % 8 == 0, "64-bit fields aligned alike in 32 and 64 bit");
static_assert(sizeof(EventRecord) == 24, "fixed layout");
static_assert(sizeof(BlockState) == 64, "fixed layout");
static_assert(sizeof(FaultState) == 20, "fixed layout");
static_assert(sizeof(MachineState) % 8 == 0, "fixed layout");

}  // namespace fwsim::model
