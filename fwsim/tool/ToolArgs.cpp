#include "fwsim/tool/ToolArgs.h"

#include <cerrno>
#include <cstdlib>

namespace fwsim::tool {
namespace {

const char kUsage[] =
    "fwsim - drives the simulated notebook of the firmware stand-in (fwsimwmi.dll)\n"
    "\n"
    "Usage: fwsim COMMAND [ARGUMENTS]\n"
    "\n"
    "  help                      this text\n"
    "  init                      create the machine state (profile both) unless it exists\n"
    "  show                      print the whole state\n"
    "  events                    print the recent events (vtqBEvnt, vtqDockEvent)\n"
    "  wait [--after N] [MS]     wait up to MS (default 10000) for events after sequence N\n"
    "                            (default: the last one now) and print them\n"
    "  profile NAME              reset radios, setup, button, LAN cable, displays and docks\n"
    "                            to a profile: both, wlan, bluetooth, none, unsupported\n"
    "                            (SMBIOS table, fault knobs and events stay)\n"
    "  set NAME on|off           one firmware value:\n"
    "                              wlan, bluetooth          the radio is present\n"
    "                              wlan-setup, bluetooth-setup\n"
    "                                                       the firmware setup allows it\n"
    "                              wlan-selected, bluetooth-selected\n"
    "                                                       the user selection (as a switch)\n"
    "                              lan-switching-present    the setup offers LAN - WLAN switching\n"
    "                              lan-switching            LAN - WLAN switching enabled\n"
    "                              separate-switching       radios switch one by one\n"
    "                              button                   the wireless button lets radios on\n"
    "                              lan-cable                a LAN cable is plugged in\n"
    "  button                    press the wireless button (toggles its hold of the radios)\n"
    "  lan plug|unplug           plug or unplug the LAN cable\n"
    "  call CMD TYPE [IN [OUT]]  one vtqBIntM request as a client sends it; IN is hex\n"
    "                            bytes (\"0102\", \"-\" for none), OUT the output size\n"
    "  event ID DATA [ID DATA]...\n"
    "                            raise vtqBEvnt with EventID and EventData; several pairs\n"
    "                            reach a subscriber in one delivery, in this order (at most 16)\n"
    "  dock-event [DATA]         raise vtqBEvnt 1 and vtqDockEvent (DATA default 0)\n"
    "  display INSTANCE STATE    set ulState of a vtqGAED instance (index or InstanceName)\n"
    "  display count N           number of vtqGAED instances (0 to 8)\n"
    "  dock INSTANCE STATE       dock or undock: ulState of a vtqDockQuery instance; a\n"
    "                            change raises vtqBEvnt 1 and vtqDockEvent\n"
    "  dock count N              number of vtqDockQuery instances (0 to 8)\n"
    "  smbios load FILE [--version M.N]\n"
    "                            load a raw structure table or a dmidecode --dump-bin file;\n"
    "                            --version for a raw table (default 3.0)\n"
    "  smbios default            back to the built-in table\n"
    "  smbios save FILE          write the raw structure table to FILE\n"
    "  fault NAME VALUE          a fault of the WMI layer:\n"
    "                              enum-timeouts N          vtqBIntM enumeration's Next times out N times\n"
    "                              data-length N|off        every Data array has N bytes\n"
    "                              getmethod on|off         GetMethod on vtqBIntM fails\n"
    "                              outdata-missing on|off   no OutData out-parameter\n"
    "                              returncode-missing on|off\n"
    "                                                       OutData without rwReturnCode\n"
    "                              event-classes-missing on|off\n"
    "                                                       no vtqBEvnt or vtqDockEvent\n"
    "                              delay MS                 every provider call waits MS first\n"
    "                              answer-delay MS          a vtqBIntM method call waits MS after\n"
    "                                                       the firmware answered\n"
    "  fault clear               all fault knobs off\n"
    "  reset                     a fresh machine: profile both, built-in SMBIOS table, no\n"
    "                            faults (the event sequence goes on)\n"
    "\n"
    "Numbers are decimal or 0x hexadecimal. rwReturnCode: 0 done, 1 unknown command or\n"
    "type, 2 wrong input size, 3 wrong output size, 4 per-radio switch without separate\n"
    "switching, 5 machine state busy.\n"
    "Exit codes: 0 done, 1 could not be done (no such instance, bad SMBIOS file, state\n"
    "unavailable), 2 usage error; nothing changes unless the exit code is 0.\n";

}  // namespace

const SettingName kSettingNames[11] = {
    {"wlan", model::Setting::WlanPresent},
    {"bluetooth", model::Setting::BluetoothPresent},
    {"wlan-setup", model::Setting::WlanSetup},
    {"bluetooth-setup", model::Setting::BluetoothSetup},
    {"wlan-selected", model::Setting::WlanSelected},
    {"bluetooth-selected", model::Setting::BluetoothSelected},
    {"lan-switching-present", model::Setting::LanSwitchingPresent},
    {"lan-switching", model::Setting::LanSwitching},
    {"separate-switching", model::Setting::SeparateSwitching},
    {"button", model::Setting::Button},
    {"lan-cable", model::Setting::LanCable},
};

namespace {

struct FaultName {
  const char* name;
  FaultKnob knob;
};
constexpr FaultName kFaults[] = {
    {"enum-timeouts", FaultKnob::EnumTimeouts},
    {"data-length", FaultKnob::DataLength},
    {"getmethod", FaultKnob::GetMethod},
    {"outdata-missing", FaultKnob::OutDataMissing},
    {"returncode-missing", FaultKnob::ReturnCodeMissing},
    {"event-classes-missing", FaultKnob::EventClassesMissing},
    {"delay", FaultKnob::Delay},
    {"answer-delay", FaultKnob::AnswerDelay},
};

ParseResult Fail(std::string error) {
  ParseResult r;
  r.error = std::move(error);
  return r;
}

ParseResult Ok(ToolCommand c) {
  ParseResult r;
  r.ok = true;
  r.command = std::move(c);
  return r;
}

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  if (text == "-") return true;
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == ',') continue;
    digits.push_back(c);
  }
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
  if (digits.empty() || digits.size() % 2 != 0 || digits.size() > 2 * model::kMaxOutputSize) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int hi = nibble(digits[i]), lo = nibble(digits[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
  }
  return true;
}

bool ParseVersion(const std::string& text, std::uint8_t& major, std::uint8_t& minor) {
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos) return false;
  std::uint32_t a = 0, b = 0;
  if (!ParseNumber(text.substr(0, dot), a) || !ParseNumber(text.substr(dot + 1), b) || a > 255 || b > 255)
    return false;
  major = static_cast<std::uint8_t>(a);
  minor = static_cast<std::uint8_t>(b);
  return true;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

ParseResult ParseBlock(const std::vector<std::string>& a, model::BlockClass cls) {
  const char* word = cls == model::BlockClass::Display ? "display" : "dock";
  ToolCommand c;
  c.block = cls;
  if (a.size() != 3) return Fail(std::string(word) + " takes two arguments: INSTANCE STATE or count N");
  if (a[1] == "count") {
    c.verb = Verb::BlockCount;
    if (!ParseNumber(a[2], c.number) || c.number > model::kMaxBlocks)
      return Fail(std::string(word) + " count: " + Quote(a[2]) + " is not a number from 0 to " +
                  std::to_string(model::kMaxBlocks));
    return Ok(c);
  }
  c.verb = Verb::BlockState;
  std::uint32_t index = 0;
  if (ParseNumber(a[1], index)) {
    c.byIndex = true;
    c.index = index;
  } else if (a[1].empty() || a[1].size() >= model::kInstanceNameSize) {
    return Fail(std::string(word) + ": " + Quote(a[1]) + " is neither an index nor an instance name");
  } else {
    c.text = a[1];
  }
  if (!ParseNumber(a[2], c.number)) return Fail(std::string(word) + ": state " + Quote(a[2]) + " is not a number");
  return Ok(c);
}

ParseResult ParseFault(const std::vector<std::string>& a) {
  ToolCommand c;
  if (a.size() == 2 && a[1] == "clear") {
    c.verb = Verb::FaultClear;
    return Ok(c);
  }
  if (a.size() != 3) return Fail("fault takes NAME VALUE, or clear");
  c.verb = Verb::Fault;
  const FaultName* found = nullptr;
  for (const auto& f : kFaults)
    if (a[1] == f.name) found = &f;
  if (!found) return Fail("fault: unknown knob " + Quote(a[1]) + " (fwsim help lists them)");
  c.fault = found->knob;
  switch (c.fault) {
    case FaultKnob::EnumTimeouts:
    case FaultKnob::Delay:
    case FaultKnob::AnswerDelay:
      if (!ParseNumber(a[2], c.number)) return Fail("fault " + a[1] + ": " + Quote(a[2]) + " is not a number");
      if (c.fault == FaultKnob::Delay && c.number > 600000) return Fail("fault delay: at most 600000 ms");
      if (c.fault == FaultKnob::AnswerDelay && c.number > 60000) return Fail("fault answer-delay: at most 60000 ms");
      break;
    case FaultKnob::DataLength:
      if (a[2] == "off") {
        c.on = false;
      } else if (ParseNumber(a[2], c.number) && c.number <= model::kMaxOutputSize) {
        c.on = true;
      } else {
        return Fail("fault data-length: " + Quote(a[2]) + " is neither off nor a number from 0 to " +
                    std::to_string(model::kMaxOutputSize));
      }
      break;
    default:
      if (!ParseOnOff(a[2], c.on)) return Fail("fault " + a[1] + ": " + Quote(a[2]) + " is not on or off");
      break;
  }
  return Ok(c);
}

ParseResult ParseSmbios(const std::vector<std::string>& a) {
  ToolCommand c;
  if (a.size() < 2) return Fail("smbios takes load FILE, default or save FILE");
  if (a[1] == "default") {
    if (a.size() != 2) return Fail("smbios default takes no argument");
    c.verb = Verb::SmbiosDefault;
    return Ok(c);
  }
  if (a[1] == "save") {
    if (a.size() != 3) return Fail("smbios save takes one FILE");
    c.verb = Verb::SmbiosSave;
    c.text = a[2];
    return Ok(c);
  }
  if (a[1] != "load") return Fail("smbios: unknown " + Quote(a[1]) + " (load, default, save)");
  c.verb = Verb::SmbiosLoad;
  for (std::size_t i = 2; i < a.size(); ++i) {
    if (a[i] == "--version") {
      if (i + 1 >= a.size() || !ParseVersion(a[i + 1], c.major, c.minor))
        return Fail("smbios load: --version takes MAJOR.MINOR, such as 2.8");
      c.versionGiven = true;
      ++i;
    } else if (c.text.empty() && !a[i].empty()) {
      c.text = a[i];
    } else {
      return Fail("smbios load: unexpected " + Quote(a[i]));
    }
  }
  if (c.text.empty()) return Fail("smbios load takes a FILE");
  return Ok(c);
}

ParseResult ParseWait(const std::vector<std::string>& a) {
  ToolCommand c;
  c.verb = Verb::Wait;
  c.number = kDefaultWaitMs;
  bool timeoutGiven = false;
  for (std::size_t i = 1; i < a.size(); ++i) {
    std::uint32_t v = 0;
    if (a[i] == "--after") {
      if (i + 1 >= a.size() || !ParseNumber(a[i + 1], v)) return Fail("wait: --after takes a sequence number");
      c.afterGiven = true;
      c.after = v;
      ++i;
    } else if (!timeoutGiven && ParseNumber(a[i], v)) {
      c.number = v;
      timeoutGiven = true;
    } else {
      return Fail("wait: unexpected " + Quote(a[i]) + " (wait [--after N] [TIMEOUT-MS])");
    }
  }
  return Ok(c);
}

ParseResult ParseCall(const std::vector<std::string>& a) {
  ToolCommand c;
  c.verb = Verb::Call;
  if (a.size() < 3 || a.size() > 5) return Fail("call takes COMMAND TYPE [INPUT-HEX [OUTPUT-SIZE]]");
  if (!ParseNumber(a[1], c.number)) return Fail("call: command " + Quote(a[1]) + " is not a number");
  if (!ParseNumber(a[2], c.data)) return Fail("call: type " + Quote(a[2]) + " is not a number");
  if (a.size() >= 4 && !ParseHexBytes(a[3], c.input))
    return Fail("call: input " + Quote(a[3]) + " is not hex bytes such as 0102 (or - for none)");
  if (a.size() == 5) {
    if (!ParseNumber(a[4], c.sizeOut) || c.sizeOut > model::kMaxOutputSize)
      return Fail("call: output size " + Quote(a[4]) + " is not a number from 0 to " +
                  std::to_string(model::kMaxOutputSize));
  } else {
    // The two wireless commands' sizes by default.
    c.sizeOut = c.number == model::kCommandRead ? 4 : 0;
  }
  return Ok(c);
}

}  // namespace

const char* ToolUsage() { return kUsage; }

bool ParseNumber(const std::string& text, std::uint32_t& value, bool allowNegative) {
  if (text.empty()) return false;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-') {
    if (!allowNegative) return false;
    negative = true;
    i = 1;
  }
  int base = 10;
  if (text.size() > i + 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  std::uint64_t v = 0;
  for (; i < text.size(); ++i) {
    const char ch = text[i];
    int d;
    if (ch >= '0' && ch <= '9') d = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
    else return false;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (negative) {
    if (v > 0x80000000ull) return false;
    value = static_cast<std::uint32_t>(0x100000000ull - v);
    if (v == 0) value = 0;
  } else {
    value = static_cast<std::uint32_t>(v);
  }
  return true;
}

bool ParseOnOff(const std::string& text, bool& on) {
  if (text == "on" || text == "1" || text == "true" || text == "yes") {
    on = true;
    return true;
  }
  if (text == "off" || text == "0" || text == "false" || text == "no") {
    on = false;
    return true;
  }
  return false;
}

ParseResult ParseToolArgs(const std::vector<std::string>& args) {
  if (args.empty()) return Fail("no command (fwsim help lists them)");
  const std::string& verb = args[0];
  ToolCommand c;
  auto noArgs = [&](Verb v) {
    if (args.size() != 1) return Fail(verb + " takes no argument");
    c.verb = v;
    return Ok(c);
  };
  if (verb == "help" || verb == "--help" || verb == "-h" || verb == "/?") return noArgs(Verb::Help);
  if (verb == "init") return noArgs(Verb::Init);
  if (verb == "show") return noArgs(Verb::Show);
  if (verb == "events") return noArgs(Verb::Events);
  if (verb == "button") return noArgs(Verb::Button);
  if (verb == "reset") return noArgs(Verb::Reset);
  if (verb == "profile") {
    if (args.size() != 2) return Fail("profile takes one NAME: both, wlan, bluetooth, none, unsupported");
    if (!model::ProfileFromName(args[1], c.profile))
      return Fail("profile: unknown " + Quote(args[1]) + " (both, wlan, bluetooth, none, unsupported)");
    c.verb = Verb::Profile;
    return Ok(c);
  }
  if (verb == "set") {
    if (args.size() != 3) return Fail("set takes NAME on|off");
    const SettingName* found = nullptr;
    for (const auto& s : kSettingNames)
      if (args[1] == s.name) found = &s;
    if (!found) return Fail("set: unknown value " + Quote(args[1]) + " (fwsim help lists them)");
    if (!ParseOnOff(args[2], c.on)) return Fail("set " + args[1] + ": " + Quote(args[2]) + " is not on or off");
    c.verb = Verb::Set;
    c.setting = found->setting;
    return Ok(c);
  }
  if (verb == "lan") {
    if (args.size() != 2 || (args[1] != "plug" && args[1] != "unplug")) return Fail("lan takes plug or unplug");
    c.verb = Verb::Lan;
    c.on = args[1] == "plug";
    return Ok(c);
  }
  if (verb == "call") return ParseCall(args);
  if (verb == "wait") return ParseWait(args);
  if (verb == "event") {
    if (args.size() < 3 || args.size() % 2 == 0) return Fail("event takes ID DATA, or several ID DATA pairs");
    if (args.size() > 1 + 2 * kMaxEventsTogether) return Fail("event: at most 16 ID DATA pairs");
    for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
      std::uint32_t id = 0, data = 0;
      if (!ParseNumber(args[i], id, true)) return Fail("event: ID " + Quote(args[i]) + " is not a 32-bit number");
      if (!ParseNumber(args[i + 1], data, true))
        return Fail("event: DATA " + Quote(args[i + 1]) + " is not a 32-bit number");
      c.events.emplace_back(id, data);
    }
    c.number = c.events.front().first;
    c.data = c.events.front().second;
    c.verb = Verb::Event;
    return Ok(c);
  }
  if (verb == "dock-event") {
    if (args.size() > 2) return Fail("dock-event takes at most DATA");
    if (args.size() == 2 && !ParseNumber(args[1], c.data, true))
      return Fail("dock-event: DATA " + Quote(args[1]) + " is not a 32-bit number");
    c.verb = Verb::DockEvent;
    return Ok(c);
  }
  if (verb == "display") return ParseBlock(args, model::BlockClass::Display);
  if (verb == "dock") return ParseBlock(args, model::BlockClass::Dock);
  if (verb == "smbios") return ParseSmbios(args);
  if (verb == "fault") return ParseFault(args);
  return Fail("unknown command " + Quote(verb) + " (fwsim help lists them)");
}

}  // namespace fwsim::tool
