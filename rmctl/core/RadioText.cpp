#include "rmctl/core/RadioText.h"

#include <cstdio>

#include "rmctl/core/Json.h"

namespace rmctl {
namespace {

using rm::DisplayState;
using rm::OffReason;
using rm::RadioFlags;

struct RadioView {
  bool present;
  bool usable;
  bool on;
  DisplayState state;
  OffReason reason;
};

RadioView Wlan(const RadioFlags& f) {
  return {f.hasWlan != 0, rm::WlanUsable(f), f.wlanOn != 0, rm::WlanDisplayState(f), rm::WlanOffReason(f)};
}

RadioView Bluetooth(const RadioFlags& f) {
  return {f.hasBluetooth != 0, rm::BluetoothUsable(f), f.bluetoothOn != 0, rm::BluetoothDisplayState(f),
          rm::BluetoothOffReason(f)};
}

const char* StateWord(DisplayState s) {
  switch (s) {
    case DisplayState::On: return "on";
    case DisplayState::Off: return "off";
    case DisplayState::Disabled: return "disabled";
  }
  return "";
}

// "on", "off (User Selection)", "disabled (Wireless Button)", "not present".
std::string Short(const RadioView& r) {
  if (!r.present) return "not present";
  std::string s = StateWord(r.state);
  if (r.reason != OffReason::None) s += std::string(" (") + ReasonText(r.reason) + ")";
  return s;
}

std::string Detail(const char* label, const RadioView& r) {
  std::string line = label;
  if (!r.present) return line + "not present\n";
  line += r.usable ? "present, usable, " : "present, not usable, ";
  line += r.on ? "on" : "off";
  if (r.reason != OffReason::None) line += std::string(" - ") + ReasonText(r.reason);
  return line + "\n";
}

const char* Bool(bool b) { return b ? "true" : "false"; }

std::string RadioJson(const RadioView& r) {
  std::string j = std::string("{\"present\":") + Bool(r.present);
  if (r.present) {
    j += std::string(",\"usable\":") + Bool(r.usable) + ",\"on\":" + Bool(r.on) + ",\"state\":" +
         JsonString(StateWord(r.state)) + ",\"reason\":" +
         (r.reason == OffReason::None ? std::string("null") : JsonString(ReasonText(r.reason)));
  }
  return j + "}";
}

const char* Enabled(int flag) { return flag ? "Enabled" : "Disabled"; }

std::string StampText(const Stamp& s, char separator) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d.%03d", s.year, s.month, s.day, separator, s.hour,
                s.minute, s.second, s.millisecond);
  return text;
}

// The members of the status object, without its braces.
std::string StatusMembers(const rm::WirelessWord& word) {
  const RadioFlags f = RadioFlags::Decode(word);
  std::string j = "\"word\":" + JsonString(WordHex(word));
  j += ",\"wlan\":" + RadioJson(Wlan(f));
  j += ",\"bluetooth\":" + RadioJson(Bluetooth(f));
  j += std::string(",\"separateSwitching\":") + Bool(f.separateSwitching);
  j += ",\"firmwareSetup\":{";
  std::string sep;
  if (f.hasWlan) {
    j += std::string("\"wlan\":") + Bool(f.wlanBiosEnabled);
    sep = ",";
  }
  if (f.hasBluetooth) {
    j += sep + "\"bluetooth\":" + Bool(f.bluetoothBiosEnabled);
    sep = ",";
  }
  if (f.lanSwitchingPresent) j += sep + "\"lanSwitching\":" + Bool(f.lanSwitchingEnabled);
  return j + "}";
}

}  // namespace

std::string WordHex(const rm::WirelessWord& word) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X%02X%02X%02X", word[3], word[2], word[1], word[0]);
  return text;
}

const char* ReasonText(OffReason reason) {
  switch (reason) {
    case OffReason::BiosSettings: return "BIOS Settings";
    case OffReason::WirelessButton: return "Wireless Button";
    case OffReason::LanSwitching: return "LAN Switching";
    case OffReason::UserSelection: return "User Selection";
    case OffReason::None: break;
  }
  return "";
}

std::string StatusText(const rm::WirelessWord& word) {
  const RadioFlags f = RadioFlags::Decode(word);
  std::string text;
  text += Detail("WLAN:       ", Wlan(f));
  text += Detail("Bluetooth:  ", Bluetooth(f));
  if (rm::NoSupportedDevices(f)) text += "No supported radios on this machine.\n";
  text += std::string("Switching:  ") + (f.separateSwitching ? "one radio at a time" : "all radios together") + "\n";
  if (f.hasWlan || f.hasBluetooth || f.lanSwitchingPresent) {
    text += "Firmware setup:\n";
    if (f.hasWlan) text += std::string("  Wireless LAN:          ") + Enabled(f.wlanBiosEnabled) + "\n";
    if (f.hasBluetooth) text += std::string("  Bluetooth:             ") + Enabled(f.bluetoothBiosEnabled) + "\n";
    if (f.lanSwitchingPresent) {
      text += std::string("  LAN - WLAN switching:  ") + Enabled(f.lanSwitchingEnabled) + "\n";
    }
  }
  text += "Status word: " + WordHex(word) + "\n";
  return text;
}

std::string FlagsText(const rm::WirelessWord& word) {
  const RadioFlags f = RadioFlags::Decode(word);
  struct Row {
    int byte, bit;
    const char* name;
    int value;
  };
  const Row rows[] = {
      {0, 0, "hasWlan", f.hasWlan},
      {0, 1, "hasBluetooth", f.hasBluetooth},
      {0, 3, "lanSwitchingPresent", f.lanSwitchingPresent},
      {0, 4, "lanSwitchingEnabled", f.lanSwitchingEnabled},
      {0, 5, "separateSwitching", f.separateSwitching},
      {1, 0, "wlanOn", f.wlanOn},
      {1, 1, "wlanSelected", f.wlanSelected},
      {1, 2, "wlanBiosEnabled", f.wlanBiosEnabled},
      {1, 3, "wlanButtonEnabled", f.wlanButtonEnabled},
      {1, 4, "wlanLanSwitchedOff", f.wlanLanSwitchedOff},
      {2, 0, "bluetoothOn", f.bluetoothOn},
      {2, 1, "bluetoothSelected", f.bluetoothSelected},
      {2, 2, "bluetoothBiosEnabled", f.bluetoothBiosEnabled},
      {2, 3, "bluetoothButtonEnabled", f.bluetoothButtonEnabled},
  };
  std::string text = "Status word: " + WordHex(word) + "\n";
  char line[64];
  for (const Row& r : rows) {
    std::snprintf(line, sizeof line, "  byte %d bit %d  %-24s %d\n", r.byte, r.bit, r.name, r.value);
    text += line;
  }
  text += Detail("  WLAN:       ", Wlan(f));
  text += Detail("  Bluetooth:  ", Bluetooth(f));
  return text;
}

std::string StatusJson(const rm::WirelessWord& word) { return "{" + StatusMembers(word) + "}"; }

std::string WatchLine(const Stamp& stamp, const rm::WirelessWord& word) {
  const RadioFlags f = RadioFlags::Decode(word);
  return StampText(stamp, ' ') + "  WLAN: " + Short(Wlan(f)) + "  Bluetooth: " + Short(Bluetooth(f)) + "  word " +
         WordHex(word);
}

std::string WatchJson(const Stamp& stamp, const rm::WirelessWord& word) {
  return "{\"time\":" + JsonString(StampText(stamp, 'T')) + "," + StatusMembers(word) + "}";
}

SwitchDecision DecideSwitch(Radio radio, bool on, const RadioFlags& f) {
  SwitchDecision d;
  auto one = [&](const RadioView& r, const char* name, rm::SwitchRequest request) {
    if (!r.present) {
      d.refusal = std::string("this machine has no ") + name + " radio";
    } else if (!r.usable) {
      d.refusal = std::string("the ") + name + " radio cannot be switched now: " + ReasonText(r.reason);
    } else if (!f.separateSwitching) {
      d.refusal = "this machine switches only all radios together (rmctl all on|off)";
    } else {
      d.request = request;
    }
  };
  switch (radio) {
    case Radio::Wlan: one(Wlan(f), "wireless LAN", rm::WlanSwitchRequest(on)); break;
    case Radio::Bluetooth: one(Bluetooth(f), "Bluetooth", rm::BluetoothSwitchRequest(on)); break;
    case Radio::All: {
      const RadioView w = Wlan(f), b = Bluetooth(f);
      if (rm::NoSupportedDevices(f)) {
        d.refusal = "this machine has no supported radios";
      } else if (!(w.present && w.usable) && !(b.present && b.usable)) {
        d.refusal = "no radio can be switched now: " +
                    std::string(ReasonText(w.present ? w.reason : b.reason));
      } else {
        d.request = on ? rm::AllRadiosOnRequest() : rm::AllRadiosOffRequest();
      }
      break;
    }
  }
  return d;
}

}  // namespace rmctl
