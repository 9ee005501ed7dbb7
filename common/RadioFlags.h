// The wireless status word and what the programs derive from it: the
// decoded flags, each radio's display state and reason, the kind of change
// between two words, and the switch requests. The tray program and rmctl
// both decide with these rules. Portable: no Windows headers.
#pragma once

#include <array>
#include <cstdint>

namespace rm {

// The 4-byte answer of the wireless query (command 1, type 5). Byte 3 is
// not used.
using WirelessWord = std::array<std::uint8_t, 4>;

// The 4-byte input of the wireless switch (command 2, type 5): byte 0 the
// new states, byte 1 the mask of what to change, bytes 2 and 3 zero.
using SwitchRequest = std::array<std::uint8_t, 4>;

// Each flag is 0 or 1. Bits of the word not listed here are ignored.
struct RadioFlags {
  // byte 0
  int hasWlan = 0;               // bit 0
  int hasBluetooth = 0;          // bit 1
  int lanSwitchingPresent = 0;   // bit 3
  int lanSwitchingEnabled = 0;   // bit 4
  int separateSwitching = 0;     // bit 5
  // byte 1
  int wlanOn = 0;                // bit 0
  int wlanSelected = 0;          // bit 1
  int wlanBiosEnabled = 0;       // bit 2
  int wlanButtonEnabled = 0;     // bit 3
  int wlanLanSwitchedOff = 0;    // bit 4
  // byte 2
  int bluetoothOn = 0;           // bit 0
  int bluetoothSelected = 0;     // bit 1
  int bluetoothBiosEnabled = 0;  // bit 2
  int bluetoothButtonEnabled = 0;  // bit 3

  static RadioFlags Decode(const WirelessWord& word);
};

// LAN - WLAN switching holds the wireless LAN radio off only when the
// firmware offers it, it is enabled and the radio is marked switched off.
bool WlanHeldByLanSwitching(const RadioFlags& f);
bool WlanUsable(const RadioFlags& f);
bool BluetoothUsable(const RadioFlags& f);
// Neither radio present: the no-device refusal at start-up.
bool NoSupportedDevices(const RadioFlags& f);

enum class DisplayState { Off, On, Disabled };
// Why a present radio is not on. None when it is on.
enum class OffReason { None, BiosSettings, WirelessButton, LanSwitching, UserSelection };

DisplayState WlanDisplayState(const RadioFlags& f);
DisplayState BluetoothDisplayState(const RadioFlags& f);
OffReason WlanOffReason(const RadioFlags& f);
OffReason BluetoothOffReason(const RadioFlags& f);
// What a re-read changed, judged from bytes 1 and 2 of the previous and the
// current word; byte 0 and the on-bits take no part.
enum ChangeKind : int {
  kChangeNone = 0,
  kChangeButton = 1,        // a wireless button bit
  kChangeLanSwitching = 2,  // the LAN switching hold
  kChangeSelection = 3,     // a selection bit
};
int ClassifyChange(const WirelessWord& previous, const WirelessWord& current);

// Bits of both bytes of a switch request.
inline constexpr std::uint8_t kSwitchWlan = 0x01;
inline constexpr std::uint8_t kSwitchBluetooth = 0x02;
inline constexpr std::uint8_t kSwitchAllRadios = 0x08;

// One radio to the given state.
SwitchRequest WlanSwitchRequest(bool on);
SwitchRequest BluetoothSwitchRequest(bool on);
SwitchRequest ToggleWlanRequest(const RadioFlags& f);
SwitchRequest ToggleBluetoothRequest(const RadioFlags& f);
SwitchRequest AllRadiosOnRequest();
SwitchRequest AllRadiosOffRequest();

// What the windows need of the radio model: a consistent copy of the flags
// and the switch. The tray program's RadioState is the one implementation.
class RadioControl {
 public:
  virtual RadioFlags Flags() const = 0;
  // True when the firmware accepted the request.
  virtual bool SwitchRadios(const SwitchRequest& request) = 0;

 protected:
  ~RadioControl() = default;
};

}  // namespace rm
