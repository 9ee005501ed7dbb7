// The command line of fwsim.exe.
#include "fwsim/tool/ToolArgs.h"

#include <gtest/gtest.h>

#include <sstream>

namespace fwsim::tool {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

ToolCommand Ok(const std::string& line) {
  const ParseResult r = ParseToolArgs(Words(line));
  EXPECT_TRUE(r.ok) << line << ": " << r.error;
  return r.command;
}

std::string Error(const std::string& line) {
  const ParseResult r = ParseToolArgs(Words(line));
  EXPECT_FALSE(r.ok) << line;
  EXPECT_FALSE(r.error.empty()) << line;
  return r.error;
}

TEST(ToolArgsTest, WordsWithoutArguments) {
  EXPECT_EQ(Verb::Help, Ok("help").verb);
  EXPECT_EQ(Verb::Help, Ok("--help").verb);
  EXPECT_EQ(Verb::Init, Ok("init").verb);
  EXPECT_EQ(Verb::Show, Ok("show").verb);
  EXPECT_EQ(Verb::Events, Ok("events").verb);
  EXPECT_EQ(Verb::Button, Ok("button").verb);
  EXPECT_EQ(Verb::Reset, Ok("reset").verb);
  EXPECT_EQ("show takes no argument", Error("show all"));
  EXPECT_EQ("button takes no argument", Error("button twice"));
}

TEST(ToolArgsTest, NoOrUnknownCommand) {
  EXPECT_EQ("no command (fwsim help lists them)", Error(""));
  EXPECT_EQ("unknown command \"shwo\" (fwsim help lists them)", Error("shwo"));
}

TEST(ToolArgsTest, Profile) {
  EXPECT_EQ(model::Profile::Unsupported, Ok("profile unsupported").profile);
  EXPECT_EQ(model::Profile::Wlan, Ok("profile wlan").profile);
  EXPECT_NE(std::string::npos, Error("profile laptop").find("unknown \"laptop\""));
  Error("profile");
  Error("profile both wlan");
}

TEST(ToolArgsTest, Set) {
  ToolCommand c = Ok("set wlan-setup off");
  EXPECT_EQ(Verb::Set, c.verb);
  EXPECT_EQ(model::Setting::WlanSetup, c.setting);
  EXPECT_FALSE(c.on);
  c = Ok("set lan-switching-present 1");
  EXPECT_EQ(model::Setting::LanSwitchingPresent, c.setting);
  EXPECT_TRUE(c.on);
  EXPECT_EQ(model::Setting::SeparateSwitching, Ok("set separate-switching on").setting);
  EXPECT_EQ(model::Setting::BluetoothSelected, Ok("set bluetooth-selected on").setting);
  EXPECT_EQ(model::Setting::LanCable, Ok("set lan-cable on").setting);
  EXPECT_NE(std::string::npos, Error("set wifi on").find("unknown value \"wifi\""));
  EXPECT_NE(std::string::npos, Error("set wlan maybe").find("not on or off"));
  Error("set wlan");
}

TEST(ToolArgsTest, Lan) {
  EXPECT_TRUE(Ok("lan plug").on);
  EXPECT_FALSE(Ok("lan unplug").on);
  EXPECT_EQ("lan takes plug or unplug", Error("lan in"));
  Error("lan");
}

TEST(ToolArgsTest, Event) {
  ToolCommand c = Ok("event 4 0x10");
  EXPECT_EQ(Verb::Event, c.verb);
  EXPECT_EQ(4u, c.number);
  EXPECT_EQ(16u, c.data);
  c = Ok("event -1 -2");
  EXPECT_EQ(0xFFFFFFFFu, c.number);
  EXPECT_EQ(0xFFFFFFFEu, c.data);
  Error("event 5");
  Error("event five 1");
  Error("event 5 0x100000000");
}

TEST(ToolArgsTest, EventPairsRaisedTogether) {
  ToolCommand c = Ok("event 2 0 5 7 -1 0x20");
  EXPECT_EQ(Verb::Event, c.verb);
  ASSERT_EQ(3u, c.events.size());
  EXPECT_EQ(2u, c.events[0].first);
  EXPECT_EQ(5u, c.events[1].first);
  EXPECT_EQ(7u, c.events[1].second);
  EXPECT_EQ(0xFFFFFFFFu, c.events[2].first);
  EXPECT_EQ(0x20u, c.events[2].second);
  EXPECT_EQ(1u, Ok("event 4 1").events.size());
  Error("event 2 0 5");
  Error("event 2 0 x 1");
  Error("event 2 0 5 y");
  std::string sixteen = "event", seventeen;
  for (int i = 0; i < 16; ++i) sixteen += " 1 0";
  seventeen = sixteen + " 1 0";
  EXPECT_EQ(16u, Ok(sixteen).events.size());
  EXPECT_NE(std::string::npos, Error(seventeen).find("at most 16"));
}

TEST(ToolArgsTest, DockEvent) {
  EXPECT_EQ(0u, Ok("dock-event").data);
  EXPECT_EQ(3u, Ok("dock-event 3").data);
  Error("dock-event x");
  Error("dock-event 1 2");
}

TEST(ToolArgsTest, DisplayAndDock) {
  ToolCommand c = Ok("display 1 3");
  EXPECT_EQ(Verb::BlockState, c.verb);
  EXPECT_EQ(model::BlockClass::Display, c.block);
  EXPECT_TRUE(c.byIndex);
  EXPECT_EQ(1u, c.index);
  EXPECT_EQ(3u, c.number);
  c = Ok("dock ACPI\\PNP0C14\\0_0 1");
  EXPECT_EQ(model::BlockClass::Dock, c.block);
  EXPECT_FALSE(c.byIndex);
  EXPECT_EQ("ACPI\\PNP0C14\\0_0", c.text);
  c = Ok("dock count 0");
  EXPECT_EQ(Verb::BlockCount, c.verb);
  EXPECT_EQ(0u, c.number);
  EXPECT_EQ(8u, Ok("display count 8").number);
  EXPECT_NE(std::string::npos, Error("display count 9").find("from 0 to 8"));
  EXPECT_NE(std::string::npos, Error("display 0 on").find("is not a number"));
  Error("display 0");
  Error("dock " + std::string(80, 'x') + " 1");
}

TEST(ToolArgsTest, Smbios) {
  ToolCommand c = Ok("smbios load C:\\t.dump");
  EXPECT_EQ(Verb::SmbiosLoad, c.verb);
  EXPECT_EQ("C:\\t.dump", c.text);
  EXPECT_FALSE(c.versionGiven);
  c = Ok("smbios load --version 2.8 x.table");
  EXPECT_TRUE(c.versionGiven);
  EXPECT_EQ(2, c.major);
  EXPECT_EQ(8, c.minor);
  EXPECT_EQ("x.table", c.text);
  EXPECT_EQ(Verb::SmbiosDefault, Ok("smbios default").verb);
  EXPECT_EQ(Verb::SmbiosSave, Ok("smbios save out.bin").verb);
  EXPECT_EQ("smbios load takes a FILE", Error("smbios load"));
  Error("smbios load a b");
  Error("smbios load x --version");
  Error("smbios load x --version 2");
  Error("smbios load x --version 2.256");
  Error("smbios dump x");
  Error("smbios");
  Error("smbios default x");
}

TEST(ToolArgsTest, Faults) {
  ToolCommand c = Ok("fault enum-timeouts 3");
  EXPECT_EQ(FaultKnob::EnumTimeouts, c.fault);
  EXPECT_EQ(3u, c.number);
  c = Ok("fault data-length 5");
  EXPECT_EQ(FaultKnob::DataLength, c.fault);
  EXPECT_TRUE(c.on);
  EXPECT_EQ(5u, c.number);
  EXPECT_FALSE(Ok("fault data-length off").on);
  EXPECT_TRUE(Ok("fault getmethod on").on);
  EXPECT_EQ(FaultKnob::OutDataMissing, Ok("fault outdata-missing on").fault);
  EXPECT_EQ(FaultKnob::ReturnCodeMissing, Ok("fault returncode-missing on").fault);
  EXPECT_EQ(FaultKnob::EventClassesMissing, Ok("fault event-classes-missing off").fault);
  EXPECT_EQ(250u, Ok("fault delay 250").number);
  EXPECT_EQ(FaultKnob::AnswerDelay, Ok("fault answer-delay 3000").fault);
  EXPECT_EQ(3000u, Ok("fault answer-delay 3000").number);
  Error("fault answer-delay 60001");
  Error("fault answer-delay on");
  EXPECT_EQ(Verb::FaultClear, Ok("fault clear").verb);
  EXPECT_NE(std::string::npos, Error("fault slow on").find("unknown knob"));
  Error("fault getmethod 3");
  Error("fault delay off");
  Error("fault delay 600001");
  Error("fault data-length -1");
  Error("fault data-length 4097");
  Error("fault enum-timeouts");
}

TEST(ToolArgsTest, Call) {
  ToolCommand c = Ok("call 1 5");
  EXPECT_EQ(Verb::Call, c.verb);
  EXPECT_EQ(1u, c.number);
  EXPECT_EQ(5u, c.data);
  EXPECT_TRUE(c.input.empty());
  EXPECT_EQ(4u, c.sizeOut);
  c = Ok("call 2 5 0001");
  EXPECT_EQ((std::vector<std::uint8_t>{0x00, 0x01}), c.input);
  EXPECT_EQ(0u, c.sizeOut);
  c = Ok("call 7 9 - 16");
  EXPECT_TRUE(c.input.empty());
  EXPECT_EQ(16u, c.sizeOut);
  // At most 4096 bytes each way.
  EXPECT_EQ(4096u, Ok("call 2 5 " + std::string(8192, 'a')).input.size());
  EXPECT_EQ(4096u, Ok("call 2 5 0x" + std::string(8192, 'a')).input.size());
  Error("call 2 5 " + std::string(8194, 'a'));
  EXPECT_EQ(4096u, Ok("call 1 5 - 4096").sizeOut);
  Error("call 1 5 - 4097");
  Error("call 1");
  Error("call 2 5 012");
  Error("call 2 5 zz");
}

TEST(ToolArgsTest, Wait) {
  ToolCommand c = Ok("wait");
  EXPECT_EQ(Verb::Wait, c.verb);
  EXPECT_FALSE(c.afterGiven);
  EXPECT_EQ(10000u, c.number);
  c = Ok("wait --after 12 500");
  EXPECT_TRUE(c.afterGiven);
  EXPECT_EQ(12u, c.after);
  EXPECT_EQ(500u, c.number);
  EXPECT_EQ(0u, Ok("wait 0 --after 3").number);
  Error("wait --after");
  Error("wait 1 2");
  Error("wait soon");
}

TEST(ToolArgsTest, Numbers) {
  std::uint32_t v = 0;
  EXPECT_TRUE(ParseNumber("0", v));
  EXPECT_EQ(0u, v);
  EXPECT_TRUE(ParseNumber("4294967295", v));
  EXPECT_EQ(0xFFFFFFFFu, v);
  EXPECT_TRUE(ParseNumber("0xfF", v));
  EXPECT_EQ(255u, v);
  EXPECT_FALSE(ParseNumber("4294967296", v));
  EXPECT_FALSE(ParseNumber("0x", v));
  EXPECT_FALSE(ParseNumber("", v));
  EXPECT_FALSE(ParseNumber("12a", v));
  EXPECT_FALSE(ParseNumber("-1", v));
  EXPECT_TRUE(ParseNumber("-2147483648", v, true));
  EXPECT_EQ(0x80000000u, v);
  EXPECT_FALSE(ParseNumber("-2147483649", v, true));
  EXPECT_FALSE(ParseNumber("-", v, true));
}

TEST(ToolArgsTest, UsageNamesEveryCommandAndKnob) {
  const std::string usage = ToolUsage();
  for (const char* word :
       {"init", "show", "events", "wait [--after N]", "profile", "set", "button", "lan plug|unplug", "call", "event ID DATA", "dock-event",
        "display INSTANCE STATE", "dock INSTANCE STATE", "smbios load", "smbios default", "smbios save", "fault NAME",
        "fault clear", "reset", "enum-timeouts", "data-length", "getmethod", "outdata-missing", "returncode-missing",
        "event-classes-missing", "delay", "answer-delay", "event ID DATA [ID DATA]", "lan-switching-present", "separate-switching", "Exit codes"})
    EXPECT_NE(std::string::npos, usage.find(word)) << word;
}

}  // namespace
}  // namespace fwsim::tool
