#include "rmctl/core/Arguments.h"

#include <gtest/gtest.h>

namespace rmctl {
namespace {

struct Case {
  std::vector<std::string> words;
  bool ok;
  Verb verb;
  bool help, json;
  Radio radio;
  bool on;
  const char* error;
};

TEST(RmctlArguments, ParsesEveryCommandAndRejectsTheRest) {
  const Case cases[] = {
      {{"status"}, true, Verb::Status, false, false, Radio::Wlan, false, ""},
      {{"STATUS", "--JSON"}, true, Verb::Status, false, true, Radio::Wlan, false, ""},
      {{"status", "--help"}, true, Verb::Status, true, false, Radio::Wlan, false, ""},
      {{"watch", "--json"}, true, Verb::Watch, false, true, Radio::Wlan, false, ""},
      {{"machine", "--json"}, true, Verb::Machine, false, true, Radio::Wlan, false, ""},
      {{"report"}, true, Verb::Report, false, false, Radio::Wlan, false, ""},
      {{"report", "-h"}, true, Verb::Report, true, false, Radio::Wlan, false, ""},
      {{"wlan", "on"}, true, Verb::Switch, false, false, Radio::Wlan, true, ""},
      {{"Bluetooth", "OFF"}, true, Verb::Switch, false, false, Radio::Bluetooth, false, ""},
      {{"all", "on"}, true, Verb::Switch, false, false, Radio::All, true, ""},
      {{"all", "/?"}, true, Verb::Switch, true, false, Radio::All, false, ""},
      {{"wlan", "on", "--help"}, true, Verb::Switch, true, false, Radio::Wlan, true, ""},
      {{"--help"}, true, Verb::None, true, false, Radio::Wlan, false, ""},
      {{}, false, Verb::None, false, false, Radio::Wlan, false, "no command given"},
      {{"stat"}, false, Verb::None, false, false, Radio::Wlan, false, "unknown command 'stat'"},
      {{"--json"}, false, Verb::None, false, false, Radio::Wlan, false, "unknown command '--json'"},
      {{"wlan"}, false, Verb::None, false, false, Radio::Wlan, false, "'wlan' needs on or off"},
      {{"wlan", "toggle"}, false, Verb::None, false, false, Radio::Wlan, false, "unexpected 'toggle' after 'wlan'"},
      {{"wlan", "on", "off"}, false, Verb::None, false, false, Radio::Wlan, false, "unexpected 'off' after 'wlan'"},
      {{"wlan", "on", "--json"}, false, Verb::None, false, false, Radio::Wlan, false,
       "unexpected '--json' after 'wlan'"},
      {{"report", "--json"}, false, Verb::None, false, false, Radio::Wlan, false,
       "unexpected '--json' after 'report'"},
      {{"status", "--json", "--json"}, false, Verb::None, false, false, Radio::Wlan, false, "--json given twice"},
      {{"status", "on"}, false, Verb::None, false, false, Radio::Wlan, false, "unexpected 'on' after 'status'"},
      {{"sta\ttus\n"}, false, Verb::None, false, false, Radio::Wlan, false, "unknown command 'sta?tus?'"},
      {{"status", "\x7f"}, false, Verb::None, false, false, Radio::Wlan, false, "unexpected '?' after 'status'"},
      {{"status", ""}, false, Verb::None, false, false, Radio::Wlan, false, "unexpected '' after 'status'"},
  };
  for (const Case& c : cases) {
    const ParseResult r = ParseArguments(c.words);
    const std::string where = c.words.empty() ? "(none)" : c.words[0] + "...";
    EXPECT_EQ(r.ok, c.ok) << where;
    EXPECT_EQ(r.error, c.error) << where;
    if (!c.ok) continue;
    EXPECT_EQ(r.command.verb, c.verb) << where;
    EXPECT_EQ(r.command.help, c.help) << where;
    EXPECT_EQ(r.command.json, c.json) << where;
    if (c.verb == Verb::Switch) {
      EXPECT_EQ(r.command.radio, c.radio) << where;
      EXPECT_EQ(r.command.on, c.on) << where;
    }
  }
}

TEST(RmctlArguments, EveryVerbHasItsOwnHelp) {
  EXPECT_EQ(HelpText(Verb::Status).rfind("rmctl status [--json]\n", 0), 0u);
  EXPECT_EQ(HelpText(Verb::Switch).rfind("rmctl wlan|bluetooth|all on|off\n", 0), 0u);
  EXPECT_EQ(HelpText(Verb::Watch).rfind("rmctl watch [--json]\n", 0), 0u);
  EXPECT_EQ(HelpText(Verb::Machine).rfind("rmctl machine [--json]\n", 0), 0u);
  EXPECT_EQ(HelpText(Verb::Report).rfind("rmctl report\n", 0), 0u);
  EXPECT_NE(HelpText(Verb::None).find("Exit codes: 0 done, 1 usage error, 2 bridge or firmware unavailable,\n3 switch refused."),
            std::string::npos);
}

}  // namespace
}  // namespace rmctl
