// The command line of fwsim.exe, parsed without touching the machine:
// a usage error is found before anything changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fwsim/model/Firmware.h"

namespace fwsim::tool {

enum class Verb {
  Help,
  Init,           // create the state when there is none
  Show,           // print the whole state
  Events,         // print the recent events
  Wait,           // wait [--after N] [TIMEOUT-MS]: wait for the next events
  Profile,        // profile NAME
  Set,            // set NAME on|off
  Button,         // press the wireless button
  Lan,            // lan plug|unplug
  Call,           // call COMMAND TYPE [INPUT-HEX] [OUTPUT-SIZE]
  Event,          // event ID DATA [ID DATA]...
  DockEvent,      // dock-event [DATA]
  BlockState,     // display|dock INSTANCE STATE
  BlockCount,     // display|dock count N
  SmbiosLoad,     // smbios load FILE [--version M.N]
  SmbiosDefault,  // smbios default
  SmbiosSave,     // smbios save FILE
  Fault,          // fault NAME VALUE
  FaultClear,     // fault clear
  Reset,          // reset
};

enum class FaultKnob {
  EnumTimeouts,
  DataLength,
  GetMethod,
  OutDataMissing,
  ReturnCodeMissing,
  EventClassesMissing,
  Delay,
  AnswerDelay,
};

struct ToolCommand {
  Verb verb = Verb::Help;
  model::Profile profile = model::Profile::Both;
  model::Setting setting = model::Setting::WlanSelected;
  bool on = false;                     // set, lan (plug), boolean faults
  model::BlockClass block = model::BlockClass::Display;
  bool byIndex = false;                // the instance is `index`, else `text`
  std::uint32_t index = 0;
  std::uint32_t number = 0;            // event ID, block state or count, fault value, call command
  std::uint32_t data = 0;              // event data, call command type
  std::vector<std::pair<std::uint32_t, std::uint32_t>> events;  // event: every (ID, DATA) pair
  std::vector<std::uint8_t> input;     // call input bytes
  std::uint32_t sizeOut = 0;           // call output size
  FaultKnob fault = FaultKnob::Delay;
  bool versionGiven = false;           // smbios load --version
  std::uint8_t major = 0;
  std::uint8_t minor = 0;
  std::string text;                    // file name, instance name
  bool afterGiven = false;             // wait --after
  std::uint64_t after = 0;
};

constexpr std::uint32_t kDefaultWaitMs = 10000;
// `event` pairs raised together, at most (the event ring holds 64).
constexpr std::size_t kMaxEventsTogether = 16;

struct ParseResult {
  bool ok = false;
  ToolCommand command;
  std::string error;  // one line, for stderr, when !ok
};

// args: the words after the program name.
ParseResult ParseToolArgs(const std::vector<std::string>& args);

// The text of `fwsim help`.
const char* ToolUsage();

// Numbers: decimal or 0x-prefixed hexadecimal; `allowNegative` takes a
// leading '-' for a 32-bit signed value and stores its two's complement.
// The tool's names of the firmware values, in the order `show` prints them.
struct SettingName {
  const char* name;
  model::Setting setting;
};
extern const SettingName kSettingNames[11];

bool ParseNumber(const std::string& text, std::uint32_t& value, bool allowNegative = false);
bool ParseOnOff(const std::string& text, bool& on);

}  // namespace fwsim::tool
