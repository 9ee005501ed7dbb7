#include "fwsim/model/Firmware.h"

#include <cstdio>
#include <cstring>

#include "fwsim/model/SmbiosDefault.h"

namespace fwsim::model {
namespace {

struct ProfileEntry {
  Profile profile;
  const char* name;
};
constexpr ProfileEntry kProfiles[] = {
    {Profile::Both, "both"},
    {Profile::Wlan, "wlan"},
    {Profile::Bluetooth, "bluetooth"},
    {Profile::None, "none"},
    {Profile::Unsupported, "unsupported"},
};

bool EqualNoCase(const char* a, const std::string& b) {
  const std::size_t n = std::strlen(a);
  if (n != b.size()) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

void SetName(BlockState& block, std::uint32_t index) {
  std::memset(block.instanceName, 0, sizeof block.instanceName);
  std::snprintf(block.instanceName, sizeof block.instanceName, "ACPI\\PNP0C14\\0_%u",
                static_cast<unsigned>(index));
}

std::uint8_t Bit(bool b) { return b ? 1 : 0; }

}  // namespace

std::string InstanceName(const BlockState& block) {
  std::size_t n = 0;
  while (n < sizeof block.instanceName && block.instanceName[n]) ++n;
  return std::string(block.instanceName, n);
}

const char* ProfileName(Profile profile) {
  for (const auto& p : kProfiles)
    if (p.profile == profile) return p.name;
  return "?";
}

bool ProfileFromName(const std::string& name, Profile& profile) {
  for (const auto& p : kProfiles) {
    if (name == p.name) {
      profile = p.profile;
      return true;
    }
  }
  return false;
}

void InitState(MachineState& state) {
  std::memset(&state, 0, sizeof state);
  state.faults.dataLength = -1;
  Firmware fw(state);
  fw.ApplyProfile(Profile::Both);
  fw.SetDefaultSmbios();
  // A fresh machine starts without events, also the one ApplyProfile raised.
  std::memset(state.events, 0, sizeof state.events);
  state.lastSequence = 0;
}

std::uint32_t StatusWordOf(const MachineState& s) noexcept {
  if (!s.firmwareClasses) return 0;
  std::uint32_t w = 0;
  const bool lanSwitching = s.lanSwitchingPresent && s.lanSwitchingEnabled;
  if (s.lanSwitchingPresent) w |= word::kLanSwitchingPresent;
  if (lanSwitching) w |= word::kLanSwitchingEnabled;
  if (s.separateSwitching) w |= word::kSeparateSwitching;
  if (s.wlan.present) {
    const bool lanHold = lanSwitching && s.lanCablePlugged;
    w |= word::kHasWlan;
    if (s.wlan.selected) w |= word::kWlanSelected;
    if (s.wlan.setupEnabled) w |= word::kWlanBiosEnabled;
    if (s.buttonEnabled) w |= word::kWlanButtonEnabled;
    if (lanHold) w |= word::kWlanLanSwitchedOff;
    if (s.wlan.selected && s.wlan.setupEnabled && s.buttonEnabled && !lanHold) w |= word::kWlanOn;
  }
  if (s.bluetooth.present) {
    w |= word::kHasBluetooth;
    if (s.bluetooth.selected) w |= word::kBluetoothSelected;
    if (s.bluetooth.setupEnabled) w |= word::kBluetoothBiosEnabled;
    if (s.buttonEnabled) w |= word::kBluetoothButtonEnabled;
    if (s.bluetooth.selected && s.bluetooth.setupEnabled && s.buttonEnabled) w |= word::kBluetoothOn;
  }
  return w;
}

Answer Firmware::Execute(std::uint32_t command, std::uint32_t commandType,
                         const std::vector<std::uint8_t>& input, std::uint32_t sizeOut) {
  Answer answer;
  ++state_.requestsAnswered;
  if (sizeOut > kMaxOutputSize) {
    answer.returnCode = kReturnBadOutputSize;
    return answer;
  }
  answer.data.assign(sizeOut, 0);
  if (!HasFirmwareClasses() || commandType != kTypeWireless ||
      (command != kCommandRead && command != kCommandWrite)) {
    answer.returnCode = kReturnUnsupported;
    return answer;
  }
  if (command == kCommandRead) {
    if (!input.empty()) {
      answer.returnCode = kReturnBadInputSize;
    } else if (sizeOut != 4) {
      answer.returnCode = kReturnBadOutputSize;
    } else {
      const std::uint32_t w = StatusWord();
      for (int i = 0; i < 4; ++i) answer.data[i] = static_cast<std::uint8_t>(w >> (8 * i));
    }
    return answer;
  }
  if (input.size() != 4) {
    answer.returnCode = kReturnBadInputSize;
  } else if (sizeOut != 0) {
    answer.returnCode = kReturnBadOutputSize;
  } else if (!ApplySwitchRequest(input[0], input[1])) {
    answer.returnCode = kReturnNotOffered;
  }
  return answer;
}

bool Firmware::ApplySwitchRequest(std::uint8_t states, std::uint8_t mask) {
  const std::uint32_t before = StatusWord();
  if (mask & kSwitchAll) {
    // All radios together; the per-radio bits of the same request are not looked at.
    const std::uint8_t on = Bit((states & kSwitchAll) != 0);
    if (state_.wlan.present) state_.wlan.selected = on;
    if (state_.bluetooth.present) state_.bluetooth.selected = on;
  } else if (mask & (kSwitchWlan | kSwitchBluetooth)) {
    if (!state_.separateSwitching) return false;
    if ((mask & kSwitchWlan) && state_.wlan.present)
      state_.wlan.selected = Bit((states & kSwitchWlan) != 0);
    if ((mask & kSwitchBluetooth) && state_.bluetooth.present)
      state_.bluetooth.selected = Bit((states & kSwitchBluetooth) != 0);
  }
  ReportWireless(before);
  return true;
}

void Firmware::ApplyProfile(Profile profile) {
  const std::uint32_t before = StatusWord();
  MachineState& s = state_;
  s.profile = static_cast<std::uint32_t>(profile);
  s.firmwareClasses = Bit(profile != Profile::Unsupported);
  const bool wlan = profile == Profile::Both || profile == Profile::Wlan;
  const bool bluetooth = profile == Profile::Both || profile == Profile::Bluetooth;
  s.wlan = RadioState{Bit(wlan), Bit(wlan), Bit(wlan), 0};
  s.bluetooth = RadioState{Bit(bluetooth), Bit(bluetooth), Bit(bluetooth), 0};
  // LAN - WLAN switching belongs to the wireless LAN radio.
  s.lanSwitchingPresent = Bit(wlan);
  s.lanSwitchingEnabled = Bit(wlan);
  s.separateSwitching = Bit(wlan || bluetooth);
  s.buttonEnabled = 1;
  s.lanCablePlugged = 0;
  std::memset(s.displays, 0, sizeof s.displays);
  std::memset(s.docks, 0, sizeof s.docks);
  s.displayCount = 0;
  s.dockCount = 0;
  if (profile != Profile::Unsupported) {
    SetBlockCount(BlockClass::Display, 2);
    s.displays[0].ulState = 1;  // the built-in panel
    SetBlockCount(BlockClass::Dock, 1);
  }
  ReportWireless(before);
}

void Firmware::Reset() {
  const std::uint32_t before = StatusWord();
  const std::uint64_t last = state_.lastSequence;
  EventRecord events[kEventRingSize];
  std::memcpy(events, state_.events, sizeof events);
  InitState(state_);
  state_.lastSequence = last;
  std::memcpy(state_.events, events, sizeof events);
  ReportWireless(before);
}

void Firmware::PressButton() {
  const std::uint32_t before = StatusWord();
  state_.buttonEnabled = Bit(!state_.buttonEnabled);
  ReportWireless(before);
}

void Firmware::SetLanCable(bool plugged) { Set(Setting::LanCable, plugged); }

void Firmware::Set(Setting setting, bool on) {
  const std::uint32_t before = StatusWord();
  const std::uint8_t v = Bit(on);
  switch (setting) {
    case Setting::WlanPresent: state_.wlan.present = v; break;
    case Setting::BluetoothPresent: state_.bluetooth.present = v; break;
    case Setting::WlanSetup: state_.wlan.setupEnabled = v; break;
    case Setting::BluetoothSetup: state_.bluetooth.setupEnabled = v; break;
    case Setting::WlanSelected: state_.wlan.selected = v; break;
    case Setting::BluetoothSelected: state_.bluetooth.selected = v; break;
    case Setting::LanSwitchingPresent: state_.lanSwitchingPresent = v; break;
    case Setting::LanSwitching: state_.lanSwitchingEnabled = v; break;
    case Setting::SeparateSwitching: state_.separateSwitching = v; break;
    case Setting::Button: state_.buttonEnabled = v; break;
    case Setting::LanCable: state_.lanCablePlugged = v; break;
  }
  ReportWireless(before);
}

bool GetSetting(const MachineState& s, Setting setting) noexcept {
  switch (setting) {
    case Setting::WlanPresent: return s.wlan.present;
    case Setting::BluetoothPresent: return s.bluetooth.present;
    case Setting::WlanSetup: return s.wlan.setupEnabled;
    case Setting::BluetoothSetup: return s.bluetooth.setupEnabled;
    case Setting::WlanSelected: return s.wlan.selected;
    case Setting::BluetoothSelected: return s.bluetooth.selected;
    case Setting::LanSwitchingPresent: return s.lanSwitchingPresent;
    case Setting::LanSwitching: return s.lanSwitchingEnabled;
    case Setting::SeparateSwitching: return s.separateSwitching;
    case Setting::Button: return s.buttonEnabled;
    case Setting::LanCable: return s.lanCablePlugged;
  }
  return false;
}

BlockState* Firmware::Blocks(BlockClass cls) noexcept {
  return cls == BlockClass::Display ? state_.displays : state_.docks;
}

std::uint32_t& Firmware::Count(BlockClass cls) noexcept {
  return cls == BlockClass::Display ? state_.displayCount : state_.dockCount;
}

std::uint32_t BlockCount(const MachineState& state, BlockClass cls) noexcept {
  const std::uint32_t n = cls == BlockClass::Display ? state.displayCount : state.dockCount;
  return n <= kMaxBlocks ? n : static_cast<std::uint32_t>(kMaxBlocks);
}

const BlockState* Block(const MachineState& state, BlockClass cls, std::uint32_t index) noexcept {
  if (index >= BlockCount(state, cls)) return nullptr;
  return cls == BlockClass::Display ? &state.displays[index] : &state.docks[index];
}

int FindBlock(const MachineState& state, BlockClass cls, const std::string& name) noexcept {
  for (std::uint32_t i = 0; i < BlockCount(state, cls); ++i) {
    if (EqualNoCase(InstanceName(*Block(state, cls, i)).c_str(), name)) return static_cast<int>(i);
  }
  return -1;
}

bool Firmware::WriteBlock(BlockClass cls, std::uint32_t index, std::uint32_t ulState) noexcept {
  if (index >= BlockCount(cls)) return false;
  Blocks(cls)[index].ulState = ulState;
  return true;
}

bool Firmware::ChangeBlock(BlockClass cls, std::uint32_t index, std::uint32_t ulState) {
  if (index >= BlockCount(cls)) return false;
  BlockState& b = Blocks(cls)[index];
  const bool changed = b.ulState != ulState;
  b.ulState = ulState;
  if (changed && cls == BlockClass::Dock) RaiseDockEvent(ulState);
  return true;
}

bool Firmware::SetBlockCount(BlockClass cls, std::uint32_t count) {
  if (count > kMaxBlocks) return false;
  BlockState* blocks = Blocks(cls);
  for (std::uint32_t i = BlockCount(cls); i < count; ++i) {
    SetName(blocks[i], i);
    blocks[i].ulState = 0;
  }
  for (std::uint32_t i = count; i < kMaxBlocks; ++i) std::memset(&blocks[i], 0, sizeof blocks[i]);
  Count(cls) = count;
  return true;
}

void Firmware::Raise(EventKind kind, std::uint32_t eventId, std::uint32_t eventData) noexcept {
  const std::uint64_t seq = ++state_.lastSequence;
  EventRecord& r = state_.events[seq % kEventRingSize];
  r.sequence = seq;
  r.eventClass = static_cast<std::uint32_t>(kind);
  r.eventId = eventId;
  r.eventData = eventData;
  r.joinsNext = 0;
}

void Firmware::RaiseTogether(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& events) noexcept {
  for (std::size_t i = 0; i < events.size(); ++i) {
    Raise(EventKind::BiosEvent, events[i].first, events[i].second);
    state_.events[state_.lastSequence % kEventRingSize].joinsNext = i + 1 < events.size() ? 1 : 0;
  }
}

void Firmware::RaiseDockEvent(std::uint32_t data) noexcept {
  Raise(EventKind::BiosEvent, kEventDock, data);
  Raise(EventKind::DockEvent, kEventDock, data);
}

void Firmware::ReportWireless(std::uint32_t before) noexcept {
  const std::uint32_t now = StatusWord();
  if (now != before) Raise(EventKind::BiosEvent, kEventWireless, now);
}

bool Firmware::SetSmbios(std::uint8_t major, std::uint8_t minor, const std::vector<std::uint8_t>& table,
                         const std::string& source) {
  if (table.empty() || table.size() > kSmbiosCapacity) return false;
  state_.smbiosMajor = major;
  state_.smbiosMinor = minor;
  state_.smbiosLength = static_cast<std::uint32_t>(table.size());
  std::memset(state_.smbios, 0, sizeof state_.smbios);
  std::memcpy(state_.smbios, table.data(), table.size());
  std::memset(state_.smbiosSource, 0, sizeof state_.smbiosSource);
  // Keep the end of a long path: it names the file.
  const std::size_t keep = sizeof state_.smbiosSource - 1;
  const std::string shown = source.size() > keep ? "..." + source.substr(source.size() - keep + 3) : source;
  std::memcpy(state_.smbiosSource, shown.data(), shown.size());
  return true;
}

void Firmware::SetDefaultSmbios() {
  SetSmbios(kDefaultSmbiosMajor, kDefaultSmbiosMinor, DefaultSmbiosTable(), "default");
}

std::vector<EventRecordCopy> EventsAfter(const MachineState& state, std::uint64_t after) {
  std::vector<EventRecordCopy> out;
  const std::uint64_t last = state.lastSequence;
  if (after >= last) return out;
  std::uint64_t first = after + 1;
  if (last - after > kEventRingSize) first = last - kEventRingSize + 1;
  for (std::uint64_t seq = first; seq <= last; ++seq) {
    const EventRecord& r = state.events[seq % kEventRingSize];
    if (r.sequence != seq) continue;  // a damaged slot
    out.push_back({seq, static_cast<EventKind>(r.eventClass), r.eventId, r.eventData, r.joinsNext != 0});
  }
  return out;
}

}  // namespace fwsim::model
