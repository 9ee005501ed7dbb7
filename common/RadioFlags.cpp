#include "common/RadioFlags.h"

namespace rm {
namespace {

int Bit(std::uint8_t byte, int bit) { return (byte >> bit) & 1; }

}  // namespace

RadioFlags RadioFlags::Decode(const WirelessWord& word) {
  RadioFlags f;
  f.hasWlan = Bit(word[0], 0);
  f.hasBluetooth = Bit(word[0], 1);
  f.lanSwitchingPresent = Bit(word[0], 3);
  f.lanSwitchingEnabled = Bit(word[0], 4);
  f.separateSwitching = Bit(word[0], 5);
  f.wlanOn = Bit(word[1], 0);
  f.wlanSelected = Bit(word[1], 1);
  f.wlanBiosEnabled = Bit(word[1], 2);
  f.wlanButtonEnabled = Bit(word[1], 3);
  f.wlanLanSwitchedOff = Bit(word[1], 4);
  f.bluetoothOn = Bit(word[2], 0);
  f.bluetoothSelected = Bit(word[2], 1);
  f.bluetoothBiosEnabled = Bit(word[2], 2);
  f.bluetoothButtonEnabled = Bit(word[2], 3);
  return f;
}

bool WlanHeldByLanSwitching(const RadioFlags& f) {
  return f.lanSwitchingPresent && f.lanSwitchingEnabled && f.wlanLanSwitchedOff;
}

bool WlanUsable(const RadioFlags& f) {
  return f.wlanBiosEnabled && f.wlanButtonEnabled && !WlanHeldByLanSwitching(f);
}

bool BluetoothUsable(const RadioFlags& f) {
  return f.bluetoothBiosEnabled && f.bluetoothButtonEnabled;
}

bool NoSupportedDevices(const RadioFlags& f) { return !f.hasWlan && !f.hasBluetooth; }

DisplayState WlanDisplayState(const RadioFlags& f) {
  if (!WlanUsable(f)) return DisplayState::Disabled;
  return f.wlanOn ? DisplayState::On : DisplayState::Off;
}

DisplayState BluetoothDisplayState(const RadioFlags& f) {
  if (!BluetoothUsable(f)) return DisplayState::Disabled;
  return f.bluetoothOn ? DisplayState::On : DisplayState::Off;
}

OffReason WlanOffReason(const RadioFlags& f) {
  if (!f.wlanBiosEnabled) return OffReason::BiosSettings;
  if (!f.wlanButtonEnabled) return OffReason::WirelessButton;
  if (WlanHeldByLanSwitching(f)) return OffReason::LanSwitching;
  return f.wlanOn ? OffReason::None : OffReason::UserSelection;
}

OffReason BluetoothOffReason(const RadioFlags& f) {
  if (!f.bluetoothBiosEnabled) return OffReason::BiosSettings;
  if (!f.bluetoothButtonEnabled) return OffReason::WirelessButton;
  return f.bluetoothOn ? OffReason::None : OffReason::UserSelection;
}

int ClassifyChange(const WirelessWord& previous, const WirelessWord& current) {
  const std::uint8_t d1 = previous[1] ^ current[1];
  const std::uint8_t d2 = previous[2] ^ current[2];
  if (Bit(d1, 4)) return kChangeLanSwitching;
  if (Bit(d1, 3)) return kChangeButton;
  if (Bit(d2, 3)) return kChangeButton;
  if (Bit(d1, 1)) return kChangeSelection;
  if (Bit(d2, 1)) return kChangeSelection;
  return kChangeNone;
}

SwitchRequest WlanSwitchRequest(bool on) {
  return {static_cast<std::uint8_t>(on ? kSwitchWlan : 0), kSwitchWlan, 0, 0};
}

SwitchRequest BluetoothSwitchRequest(bool on) {
  return {static_cast<std::uint8_t>(on ? kSwitchBluetooth : 0), kSwitchBluetooth, 0, 0};
}

SwitchRequest ToggleWlanRequest(const RadioFlags& f) { return WlanSwitchRequest(!f.wlanOn); }

SwitchRequest ToggleBluetoothRequest(const RadioFlags& f) { return BluetoothSwitchRequest(!f.bluetoothOn); }

SwitchRequest AllRadiosOnRequest() { return {kSwitchAllRadios, kSwitchAllRadios, 0, 0}; }

SwitchRequest AllRadiosOffRequest() { return {0, kSwitchAllRadios, 0, 0}; }

}  // namespace rm
