// The firmware of the simulated notebook: the wireless status word derived
// from the radios' state, the commands of vtqBIntM, the wireless button, the
// LAN cable, the setup values, the data blocks and the events all of these
// raise. Every operation works on a MachineState that the caller owns (and,
// in fwsim/machine, holds locked).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fwsim/model/MachineState.h"

namespace fwsim::model {

// Status word bits, little-endian: byte 0 in bits 0-7, byte 1 in 8-15,
// byte 2 in 16-23, as the tray program reads it.
namespace word {
constexpr std::uint32_t kHasWlan = 1u << 0;
constexpr std::uint32_t kHasBluetooth = 1u << 1;
constexpr std::uint32_t kLanSwitchingPresent = 1u << 3;
constexpr std::uint32_t kLanSwitchingEnabled = 1u << 4;
constexpr std::uint32_t kSeparateSwitching = 1u << 5;
constexpr std::uint32_t kWlanOn = 1u << 8;
constexpr std::uint32_t kWlanSelected = 1u << 9;
constexpr std::uint32_t kWlanBiosEnabled = 1u << 10;
constexpr std::uint32_t kWlanButtonEnabled = 1u << 11;
constexpr std::uint32_t kWlanLanSwitchedOff = 1u << 12;
constexpr std::uint32_t kBluetoothOn = 1u << 16;
constexpr std::uint32_t kBluetoothSelected = 1u << 17;
constexpr std::uint32_t kBluetoothBiosEnabled = 1u << 18;
constexpr std::uint32_t kBluetoothButtonEnabled = 1u << 19;
}  // namespace word

// Bits of byte 0 (states) and byte 1 (mask) of the switch request.
constexpr std::uint8_t kSwitchWlan = 0x01;
constexpr std::uint8_t kSwitchBluetooth = 0x02;
constexpr std::uint8_t kSwitchAll = 0x08;

// Commands of vtqBIntM that the firmware answers.
constexpr std::uint32_t kCommandRead = 1;
constexpr std::uint32_t kCommandWrite = 2;
constexpr std::uint32_t kTypeWireless = 5;

// rwReturnCode values (fwsim/README.md).
enum ReturnCode : std::uint32_t {
  kReturnOk = 0,
  kReturnUnsupported = 1,    // unknown command or command type, or no firmware classes
  kReturnBadInputSize = 2,   // the input is not the command's size
  kReturnBadOutputSize = 3,  // the output size is not the command's size
  kReturnNotOffered = 4,     // a per-radio switch while only all radios switch together
  kReturnMachineBusy = 5,    // fwsim/machine: the shared state could not be locked
};

// Largest Data array an answer carries; a larger output size is refused
// with an empty array.
constexpr std::uint32_t kMaxOutputSize = 4096;

// vtqBEvnt EventIDs.
constexpr std::uint32_t kEventDock = 1;
constexpr std::uint32_t kEventAls = 4;
constexpr std::uint32_t kEventWireless = 5;

struct Answer {
  std::uint32_t returnCode = kReturnOk;
  std::vector<std::uint8_t> data;  // output-size bytes, zero on a refused request
};

enum class BlockClass { Display /* vtqGAED */, Dock /* vtqDockQuery */ };

// The values of `fwsim set NAME VALUE`.
enum class Setting {
  WlanPresent,
  BluetoothPresent,
  WlanSetup,            // the firmware setup allows the wireless LAN radio
  BluetoothSetup,
  WlanSelected,         // the user selection, as a switch request would set it
  BluetoothSelected,
  LanSwitchingPresent,  // the setup offers LAN - WLAN switching
  LanSwitching,         // LAN - WLAN switching enabled in the setup
  SeparateSwitching,
  Button,               // the wireless button lets the radios on
  LanCable,             // a LAN cable is plugged in
};

const char* ProfileName(Profile profile);
// The name stored in a block, also when it fills the field without a terminator.
std::string InstanceName(const BlockState& block);
bool ProfileFromName(const std::string& name, Profile& profile);

// Data-block instances of a state: the count (at most kMaxBlocks) and
// instance `index`, nullptr beyond the count.
std::uint32_t BlockCount(const MachineState& state, BlockClass cls) noexcept;
const BlockState* Block(const MachineState& state, BlockClass cls, std::uint32_t index) noexcept;
// The index of the instance named `name` (compared without regard to ASCII
// case), or -1.
int FindBlock(const MachineState& state, BlockClass cls, const std::string& name) noexcept;
// One value of `fwsim set` as the state holds it.
bool GetSetting(const MachineState& state, Setting setting) noexcept;
// The wireless status word of a state.
std::uint32_t StatusWordOf(const MachineState& state) noexcept;

// A fresh machine: profile "both", the default SMBIOS table, no faults, no events.
void InitState(MachineState& state);

class Firmware {
 public:
  explicit Firmware(MachineState& state) noexcept : state_(state) {}

  std::uint32_t StatusWord() const noexcept { return StatusWordOf(state_); }
  bool HasFirmwareClasses() const noexcept { return state_.firmwareClasses != 0; }

  // One request to vtqBIntM.
  Answer Execute(std::uint32_t command, std::uint32_t commandType,
                 const std::vector<std::uint8_t>& input, std::uint32_t sizeOut);
  // The switch request of command 2 type 5; false when it asks for a
  // per-radio switch that the firmware does not offer (nothing changes).
  bool ApplySwitchRequest(std::uint8_t states, std::uint8_t mask);

  // The radios, setup, button, LAN cable and data blocks of a profile; the
  // SMBIOS table, fault knobs and events stay.
  void ApplyProfile(Profile profile);
  // Everything back to a fresh machine but the event sequence, which never
  // goes back.
  void Reset();

  void PressButton();
  void SetLanCable(bool plugged);
  void Set(Setting setting, bool on);
  bool Get(Setting setting) const noexcept { return GetSetting(state_, setting); }

  // Data blocks by index; false beyond the count.
  std::uint32_t BlockCount(BlockClass cls) const noexcept { return model::BlockCount(state_, cls); }
  // A client's write (PutInstance): no event.
  bool WriteBlock(BlockClass cls, std::uint32_t index, std::uint32_t ulState) noexcept;
  // A hardware change of the state, as the tool makes it: a dock raises
  // vtqBEvnt 1 and vtqDockEvent when the state changes.
  bool ChangeBlock(BlockClass cls, std::uint32_t index, std::uint32_t ulState);
  // Sets the number of instances (0 to kMaxBlocks); new ones get the
  // default names "ACPI\PNP0C14\0_<index>" and state 0.
  bool SetBlockCount(BlockClass cls, std::uint32_t count);

  // Records one event in the ring.
  void Raise(EventKind kind, std::uint32_t eventId, std::uint32_t eventData) noexcept;
  // vtqBEvnt 1 and vtqDockEvent, both with `data`.
  void RaiseDockEvent(std::uint32_t data) noexcept;
  // vtqBEvnt events (ID, data) that reach a subscriber in one delivery, in
  // this order.
  void RaiseTogether(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& events) noexcept;

  // Replaces the SMBIOS table; false (and nothing changes) when it is empty
  // or larger than kSmbiosCapacity.
  bool SetSmbios(std::uint8_t major, std::uint8_t minor, const std::vector<std::uint8_t>& table,
                 const std::string& source);
  void SetDefaultSmbios();

 private:
  // Raises vtqBEvnt 5 with the new word when the word differs from `before`.
  void ReportWireless(std::uint32_t before) noexcept;
  BlockState* Blocks(BlockClass cls) noexcept;
  std::uint32_t& Count(BlockClass cls) noexcept;

  MachineState& state_;
};

// The events with sequence > after, oldest first (at most kEventRingSize).
struct EventRecordCopy {
  std::uint64_t sequence;
  EventKind kind;
  std::uint32_t eventId;
  std::uint32_t eventData;
  bool joinsNext;  // delivered together with the next event
};
std::vector<EventRecordCopy> EventsAfter(const MachineState& state, std::uint64_t after);

}  // namespace fwsim::model
