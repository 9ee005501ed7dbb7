// rmctl's command line: the words after the program name, parsed into one
// command. Nothing here acts; a command that does not parse changes nothing.
#pragma once

#include <string>
#include <vector>

namespace rmctl {

enum class Verb { None, Status, Switch, Watch, Machine, Report };
enum class Radio { Wlan, Bluetooth, All };

struct Command {
  Verb verb = Verb::None;
  bool help = false;  // --help: print the verb's help (or the overview) and stop
  bool json = false;  // status, watch, machine
  Radio radio = Radio::Wlan;  // Switch only
  bool on = false;            // Switch only
};

struct ParseResult {
  bool ok = false;
  Command command;
  std::string error;  // one line, without the usage hint, when !ok
};

// Verbs, radios, "on"/"off" and options compare without regard to case.
// "--help", "-h" and "/?" anywhere ask for help on the verb before them.
ParseResult ParseArguments(const std::vector<std::string>& words);

// The help text: the overview for Verb::None, else the verb's own.
std::string HelpText(Verb verb);

}  // namespace rmctl
