#include "rmctl/core/Arguments.h"

#include <cctype>

namespace rmctl {
namespace {

std::string Lower(const std::string& word) {
  std::string out = word;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A word as an error message quotes it: control characters shown as '?',
// so the message stays one line.
std::string Quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  return out + "'";
}

bool IsHelp(const std::string& lower) { return lower == "--help" || lower == "-h" || lower == "/?"; }

struct VerbName {
  const char* word;
  Verb verb;
  Radio radio;
};
constexpr VerbName kVerbs[] = {
    {"status", Verb::Status, Radio::Wlan},       {"watch", Verb::Watch, Radio::Wlan},
    {"machine", Verb::Machine, Radio::Wlan},     {"report", Verb::Report, Radio::Wlan},
    {"wlan", Verb::Switch, Radio::Wlan},         {"bluetooth", Verb::Switch, Radio::Bluetooth},
    {"all", Verb::Switch, Radio::All},
};

ParseResult Fail(std::string error) {
  ParseResult r;
  r.error = std::move(error);
  return r;
}

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& words) {
  ParseResult result;
  if (words.empty()) return Fail("no command given");
  const std::string first = Lower(words[0]);
  if (IsHelp(first)) {
    result.ok = true;
    result.command.help = true;
    return result;
  }
  const VerbName* name = nullptr;
  for (const VerbName& v : kVerbs)
    if (first == v.word) name = &v;
  if (!name) return Fail("unknown command " + Quoted(words[0]));

  Command& c = result.command;
  c.verb = name->verb;
  c.radio = name->radio;
  bool stateGiven = false;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::string w = Lower(words[i]);
    if (IsHelp(w)) {
      c.help = true;
    } else if (w == "--json" && (c.verb == Verb::Status || c.verb == Verb::Watch || c.verb == Verb::Machine)) {
      if (c.json) return Fail("--json given twice");
      c.json = true;
    } else if ((w == "on" || w == "off") && c.verb == Verb::Switch && !stateGiven) {
      c.on = w == "on";
      stateGiven = true;
    } else {
      return Fail("unexpected " + Quoted(words[i]) + " after " + Quoted(words[0]));
    }
  }
  if (c.verb == Verb::Switch && !stateGiven && !c.help) return Fail(Quoted(words[0]) + " needs on or off");
  result.ok = true;
  return result;
}

std::string HelpText(Verb verb) {
  switch (verb) {
    case Verb::Status:
      return "rmctl status [--json]\n"
             "  Shows each radio: present or not, usable or not, on or off, and why a\n"
             "  radio is off or unusable (BIOS Settings, Wireless Button, LAN Switching,\n"
             "  User Selection), with the firmware setup values.\n";
    case Verb::Switch:
      return "rmctl wlan|bluetooth|all on|off\n"
             "  Switches the wireless LAN radio, the Bluetooth radio or all radios, then\n"
             "  reads the state back and prints it. A radio that is not present or not\n"
             "  usable is not switched (exit code 3).\n";
    case Verb::Watch:
      return "rmctl watch [--json]\n"
             "  Prints the radios' state, then one line (or JSON object) with a time\n"
             "  stamp for every change, until Ctrl+C.\n";
    case Verb::Machine:
      return "rmctl machine [--json]\n"
             "  Shows the machine information record: firmware, maker, product, serial\n"
             "  number, UUID, board, processor and memory.\n";
    case Verb::Report:
      return "rmctl report\n"
             "  Prints a plain-text report for a support request: versions and paths,\n"
             "  the bridge service, the relay names, the tray program's settings and\n"
             "  DebugInfo, the radios, the machine, and the service log's last lines.\n";
    case Verb::None:
      break;
  }
  return "Usage: rmctl COMMAND [OPTIONS]\n"
         "\n"
         "Commands:\n"
         "  status [--json]                 the radios and why they are off\n"
         "  wlan|bluetooth|all on|off       switch radios\n"
         "  watch [--json]                  print each change until Ctrl+C\n"
         "  machine [--json]                the machine information record\n"
         "  report                          a diagnostics report for support\n"
         "\n"
         "Every command takes --help.\n"
         "Exit codes: 0 done, 1 usage error, 2 bridge or firmware unavailable,\n"
         "3 switch refused.\n";
}

}  // namespace rmctl
