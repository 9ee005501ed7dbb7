#include "fwsim/tool/ToolActions.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#include "fwsim/model/Firmware.h"

namespace fwsim::tool {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

const char* BlockWord(model::BlockClass cls) { return cls == model::BlockClass::Display ? "display" : "dock"; }
const char* BlockClassName(model::BlockClass cls) {
  return cls == model::BlockClass::Display ? "vtqGAED" : "vtqDockQuery";
}

// The events raised since `before`, one line each.
std::string Raised(const model::MachineState& state, std::uint64_t before) {
  std::string out;
  for (const auto& e : model::EventsAfter(state, before)) out += "raised " + DescribeEvent(e) + "\n";
  return out;
}

const char* NameOfSetting(model::Setting s) {
  for (const auto& r : kSettingNames)
    if (r.setting == s) return r.name;
  return "?";
}

const char* FaultName(FaultKnob k) {
  switch (k) {
    case FaultKnob::EnumTimeouts: return "enum-timeouts";
    case FaultKnob::DataLength: return "data-length";
    case FaultKnob::GetMethod: return "getmethod";
    case FaultKnob::OutDataMissing: return "outdata-missing";
    case FaultKnob::ReturnCodeMissing: return "returncode-missing";
    case FaultKnob::EventClassesMissing: return "event-classes-missing";
    case FaultKnob::Delay: return "delay";
    case FaultKnob::AnswerDelay: return "answer-delay";
  }
  return "?";
}

std::string DescribeFaults(const model::FaultState& f) {
  std::string out;
  if (f.enumTimeouts) out += Format("  enum-timeouts %u\n", f.enumTimeouts);
  if (f.dataLength >= 0) out += Format("  data-length %d\n", f.dataLength);
  if (f.getMethodFails) out += "  getmethod on\n";
  if (f.outDataMissing) out += "  outdata-missing on\n";
  if (f.returnCodeMissing) out += "  returncode-missing on\n";
  if (f.eventClassesMissing) out += "  event-classes-missing on\n";
  if (f.delayMs) out += Format("  delay %u\n", f.delayMs);
  if (f.answerDelayMs) out += Format("  answer-delay %u\n", f.answerDelayMs);
  return out.empty() ? "  none\n" : out;
}

std::string DescribeBlocks(const model::MachineState& state, model::BlockClass cls) {
  const std::uint32_t n = model::BlockCount(state, cls);
  std::string out = Format("%ss (%s): %u instance%s\n", BlockWord(cls), BlockClassName(cls), n, n == 1 ? "" : "s");
  for (std::uint32_t i = 0; i < n; ++i) {
    const model::BlockState* b = model::Block(state, cls, i);
    out += Format("  %u  %-22s ulState %u (0x%08X)\n", i, model::InstanceName(*b).c_str(), b->ulState, b->ulState);
  }
  return out;
}

ActionResult Fail(std::string error) {
  ActionResult r;
  r.ok = false;
  r.error = std::move(error);
  return r;
}

std::string WordLine(const model::MachineState& state) {
  return Format("wireless word 0x%08X\n", model::StatusWordOf(state));
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) out += Format(i ? " %02X" : "%02X", bytes[i]);
  return out.empty() ? "(none)" : out;
}

}  // namespace

std::string DescribeEvent(const model::EventRecordCopy& e) {
  if (e.kind == model::EventKind::DockEvent)
    return Format("#%llu vtqDockEvent (data 0x%08X)", static_cast<unsigned long long>(e.sequence), e.eventData);
  return Format("#%llu vtqBEvnt EventID %u EventData 0x%08X", static_cast<unsigned long long>(e.sequence),
                e.eventId, e.eventData);
}

std::string DescribeWord(std::uint32_t w) {
  namespace b = model::word;
  auto flag = [&](const char* name, std::uint32_t bit) { return Format(" %s=%d", name, (w & bit) ? 1 : 0); };
  std::string out = Format("0x%08X (bytes %02X %02X %02X %02X)\n", w, w & 0xFF, (w >> 8) & 0xFF, (w >> 16) & 0xFF,
                           (w >> 24) & 0xFF);
  out += "  byte 0:" + flag("hasWlan", b::kHasWlan) + flag("hasBluetooth", b::kHasBluetooth) +
         flag("lanSwitchingPresent", b::kLanSwitchingPresent) + flag("lanSwitchingEnabled", b::kLanSwitchingEnabled) +
         flag("separateSwitching", b::kSeparateSwitching) + "\n";
  out += "  byte 1:" + flag("wlanOn", b::kWlanOn) + flag("wlanSelected", b::kWlanSelected) +
         flag("wlanBiosEnabled", b::kWlanBiosEnabled) + flag("wlanButtonEnabled", b::kWlanButtonEnabled) +
         flag("wlanLanSwitchedOff", b::kWlanLanSwitchedOff) + "\n";
  out += "  byte 2:" + flag("bluetoothOn", b::kBluetoothOn) + flag("bluetoothSelected", b::kBluetoothSelected) +
         flag("bluetoothBiosEnabled", b::kBluetoothBiosEnabled) +
         flag("bluetoothButtonEnabled", b::kBluetoothButtonEnabled) + "\n";
  return out;
}

std::string DescribeSmbios(const model::MachineState& state) {
  const std::size_t length = state.smbiosLength <= model::kSmbiosCapacity ? state.smbiosLength : 0;
  const auto structures = model::SmbiosStructures(state.smbios, length);
  std::size_t sourceLength = 0;
  while (sourceLength < sizeof state.smbiosSource && state.smbiosSource[sourceLength]) ++sourceLength;
  std::string out = Format("smbios: version %u.%u, %llu bytes, %llu structures, from %s\n", state.smbiosMajor,
                           state.smbiosMinor, static_cast<unsigned long long>(length),
                           static_cast<unsigned long long>(structures.size()),
                           std::string(state.smbiosSource, sourceLength).c_str());
  std::map<int, int> counts;
  for (const auto& s : structures) ++counts[s.type];
  std::string types;
  for (const auto& [type, count] : counts) types += count > 1 ? Format(" %d(x%d)", type, count) : Format(" %d", type);
  out += "  types:" + types + "\n";
  unsigned long memoryMb = 0;
  int devices = 0, populated = 0;
  for (const auto& s : structures) {
    const std::uint8_t* f = s.formatted;
    auto str = [&](std::size_t offset) {
      return offset < s.length ? model::SmbiosString(s, f[offset]) : std::string();
    };
    switch (s.type) {
      case 0:
        out += "  BIOS: " + str(4) + ", version \"" + str(5) + "\", " + str(8) + "\n";
        break;
      case 1:
        out += "  system: " + str(4) + " " + str(5) + ", serial " + str(7) + "\n";
        break;
      case 2:
        out += "  board: " + str(4) + " " + str(5) + " " + str(6) + "\n";
        break;
      case 4:
        out += "  processor: " + str(16) + (s.length > 0x15 ? Format(", %u MHz", f[0x14] | f[0x15] << 8) : "") + "\n";
        break;
      case 17:
        if (s.length > 0x0D) {
          const unsigned size = f[0x0C] | f[0x0D] << 8;
          ++devices;
          if (size == 0x7FFF && s.length >= 0x20) {  // 32 GB or more: Extended Size in MB
            ++populated;
            memoryMb += (f[0x1C] | f[0x1D] << 8 | f[0x1E] << 16 | static_cast<unsigned long>(f[0x1F] & 0x7F) << 24);
          } else if (size != 0 && size != 0xFFFF) {
            ++populated;
            memoryMb += (size & 0x8000) ? (size & 0x7FFF) / 1024 : size;  // bit 15: in KB
          }
        }
        break;
      default:
        break;
    }
  }
  if (devices) out += Format("  memory: %d devices, %d populated, %lu MB\n", devices, populated, memoryMb);
  return out;
}

std::string DescribeState(const model::MachineState& state) {
  std::string out;
  out += Format("profile: %s\n", model::ProfileName(static_cast<model::Profile>(state.profile)));
  out += Format("firmware classes: %s\n", state.firmwareClasses ? "present" : "absent (unsupported machine)");
  out += "wireless word: " + DescribeWord(model::StatusWordOf(state));
  out += "settings (fwsim set NAME on|off):\n";
  for (const auto& r : kSettingNames) out += Format("  %-22s %s\n", r.name, OnOff(model::GetSetting(state, r.setting)));
  out += DescribeBlocks(state, model::BlockClass::Display);
  out += DescribeBlocks(state, model::BlockClass::Dock);
  out += "faults:\n" + DescribeFaults(state.faults);
  out += Format("events: last sequence %llu\n", static_cast<unsigned long long>(state.lastSequence));
  out += Format("firmware requests answered: %u\n", state.requestsAnswered);
  out += DescribeSmbios(state);
  return out;
}

std::string DescribeEvents(const model::MachineState& state) {
  const auto events = model::EventsAfter(state, 0);
  std::string out = Format("last sequence %llu; %llu recent events\n",
                           static_cast<unsigned long long>(state.lastSequence),
                           static_cast<unsigned long long>(events.size()));
  for (const auto& e : events) out += "  " + DescribeEvent(e) + "\n";
  return out;
}

ActionResult ApplyToolCommand(model::MachineState& state, const ToolCommand& c, const model::SmbiosImage* image) {
  model::Firmware fw(state);
  const std::uint64_t before = state.lastSequence;
  ActionResult r;
  switch (c.verb) {
    case Verb::Profile:
      fw.ApplyProfile(c.profile);
      r.output = Format("profile %s\n", model::ProfileName(c.profile)) + WordLine(state);
      break;
    case Verb::Set:
      fw.Set(c.setting, c.on);
      r.output = Format("%s %s\n", NameOfSetting(c.setting), OnOff(c.on)) + WordLine(state);
      break;
    case Verb::Button:
      fw.PressButton();
      r.output = Format("wireless button pressed: radios %s by the button\n",
                        state.buttonEnabled ? "allowed" : "held off") +
                 WordLine(state);
      break;
    case Verb::Lan:
      fw.SetLanCable(c.on);
      r.output = Format("LAN cable %s\n", c.on ? "plugged in" : "unplugged") + WordLine(state);
      break;
    case Verb::Call: {
      const model::Answer a = fw.Execute(c.number, c.data, c.input, c.sizeOut);
      r.output = Format("rwReturnCode %u\nData %s\n", a.returnCode, HexBytes(a.data).c_str());
      break;
    }
    case Verb::Event:
      if (c.events.size() > 1)
        fw.RaiseTogether(c.events);
      else
        fw.Raise(model::EventKind::BiosEvent, c.number, c.data);
      break;
    case Verb::DockEvent:
      fw.RaiseDockEvent(c.data);
      break;
    case Verb::BlockState: {
      int index = c.byIndex ? static_cast<int>(c.index) : model::FindBlock(state, c.block, c.text);
      if (index < 0 || static_cast<std::uint32_t>(index) >= fw.BlockCount(c.block)) {
        return Fail(Format("no %s instance %s (fwsim show lists them)", BlockClassName(c.block),
                           c.byIndex ? std::to_string(c.index).c_str() : ("\"" + c.text + "\"").c_str()));
      }
      fw.ChangeBlock(c.block, static_cast<std::uint32_t>(index), c.number);
      const model::BlockState* b = model::Block(state, c.block, static_cast<std::uint32_t>(index));
      r.output = Format("%s %s ulState %u\n", BlockClassName(c.block), model::InstanceName(*b).c_str(), b->ulState);
      break;
    }
    case Verb::BlockCount:
      if (!fw.SetBlockCount(c.block, c.number)) return Fail("too many instances");
      r.output = Format("%u %s instance%s\n", c.number, BlockClassName(c.block), c.number == 1 ? "" : "s");
      break;
    case Verb::SmbiosLoad: {
      if (!image) return Fail("no SMBIOS table given");
      const std::uint8_t major = c.versionGiven ? c.major : image->major;
      const std::uint8_t minor = c.versionGiven ? c.minor : image->minor;
      if (!fw.SetSmbios(major, minor, image->table, c.text)) return Fail("the SMBIOS table does not fit");
      r.output = DescribeSmbios(state);
      break;
    }
    case Verb::SmbiosDefault:
      fw.SetDefaultSmbios();
      r.output = DescribeSmbios(state);
      break;
    case Verb::Fault: {
      model::FaultState& f = state.faults;
      switch (c.fault) {
        case FaultKnob::EnumTimeouts: f.enumTimeouts = c.number; break;
        case FaultKnob::DataLength: f.dataLength = c.on ? static_cast<std::int32_t>(c.number) : -1; break;
        case FaultKnob::GetMethod: f.getMethodFails = c.on; break;
        case FaultKnob::OutDataMissing: f.outDataMissing = c.on; break;
        case FaultKnob::ReturnCodeMissing: f.returnCodeMissing = c.on; break;
        case FaultKnob::EventClassesMissing: f.eventClassesMissing = c.on; break;
        case FaultKnob::Delay: f.delayMs = c.number; break;
        case FaultKnob::AnswerDelay: f.answerDelayMs = c.number; break;
      }
      r.output = Format("fault %s set\nfaults:\n", FaultName(c.fault)) + DescribeFaults(f);
      break;
    }
    case Verb::FaultClear:
      state.faults = model::FaultState{};
      state.faults.dataLength = -1;
      r.output = "faults cleared\n";
      break;
    case Verb::Reset:
      fw.Reset();
      r.output = "machine reset: profile both, built-in SMBIOS table, no faults\n" + WordLine(state);
      break;
    case Verb::Help:
    case Verb::Init:
    case Verb::Show:
    case Verb::Events:
    case Verb::Wait:
    case Verb::SmbiosSave:
      return Fail("this command does not change the machine");
  }
  r.output += Raised(state, before);
  return r;
}

}  // namespace fwsim::tool
