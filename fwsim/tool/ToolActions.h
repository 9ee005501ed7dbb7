// What fwsim.exe does with a parsed command, on a MachineState it holds
// locked: the changes and the texts it prints. Portable, so that the rules
// are tested natively; Main.cpp only opens the machine and the files.
#pragma once

#include <string>

#include "fwsim/model/Firmware.h"
#include "fwsim/model/MachineState.h"
#include "fwsim/model/SmbiosFile.h"
#include "fwsim/tool/ToolArgs.h"

namespace fwsim::tool {

struct ActionResult {
  bool ok = true;       // false: nothing may be published
  std::string output;   // for stdout
  std::string error;    // for stderr, when !ok
};

// Every verb that changes the machine (Profile, Set, Button, Lan, Call,
// Event, DockEvent, BlockState, BlockCount, SmbiosLoad, SmbiosDefault,
// Fault, FaultClear, Reset). `image` is the parsed file of SmbiosLoad.
ActionResult ApplyToolCommand(model::MachineState& state, const ToolCommand& command,
                              const model::SmbiosImage* image = nullptr);

// `fwsim show`.
std::string DescribeState(const model::MachineState& state);
// One event, as `fwsim events` and `fwsim wait` print it.
std::string DescribeEvent(const model::EventRecordCopy& event);
// `fwsim events`.
std::string DescribeEvents(const model::MachineState& state);
// The word in hex with its bytes and every flag the tray program decodes.
std::string DescribeWord(std::uint32_t word);
// One line per SMBIOS structure kind that the machine information record reads.
std::string DescribeSmbios(const model::MachineState& state);

}  // namespace fwsim::tool
