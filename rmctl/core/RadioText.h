// What rmctl says about the radios, decided from the wireless status word
// with the shared radio rules (common/RadioFlags.h): the status in text and
// JSON, a watch line, and whether a switch may be sent.
#pragma once

#include <optional>
#include <string>

#include "common/RadioFlags.h"
#include "rmctl/core/Arguments.h"

namespace rmctl {

// The word as one number, byte 0 in the low bits: "0x000F0F3B".
std::string WordHex(const rm::WirelessWord& word);

// A reason as the tray program shows it ("BIOS Settings", ...); empty for None.
const char* ReasonText(rm::OffReason reason);

// Several lines, each ending in '\n'.
std::string StatusText(const rm::WirelessWord& word);
// One JSON object, without a line end.
std::string StatusJson(const rm::WirelessWord& word);

// Every flag of the word by name with its bit, then each radio's usable
// state and reason: the report's lines, each ending in '\n'.
std::string FlagsText(const rm::WirelessWord& word);

// A local time for the watch lines.
struct Stamp {
  int year, month, day, hour, minute, second, millisecond;
};
// "2026-12-08 14:00:05.120  WLAN: on  Bluetooth: off (User Selection)  word 0x000F0D3B"
std::string WatchLine(const Stamp& stamp, const rm::WirelessWord& word);
// The status object with a "time" member first.
std::string WatchJson(const Stamp& stamp, const rm::WirelessWord& word);

// A switch that may be sent: the request; otherwise why not.
struct SwitchDecision {
  std::optional<rm::SwitchRequest> request;
  std::string refusal;  // one line when refused
};
// Refused for a radio that is not present or not usable, for one radio on a
// machine that switches only all radios together, and for "all" when no
// present radio is usable.
SwitchDecision DecideSwitch(Radio radio, bool on, const rm::RadioFlags& flags);

}  // namespace rmctl
