// What the tool's commands do to the machine and print.
#include "fwsim/tool/ToolActions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>

#include "fwsim/model/Firmware.h"

namespace fwsim::tool {
namespace {

class ToolActionsTest : public ::testing::Test {
 protected:
  ToolActionsTest() : state_(new model::MachineState) { model::InitState(*state_); }

  ActionResult Apply(const std::string& line, const model::SmbiosImage* image = nullptr) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    const ParseResult parsed = ParseToolArgs(words);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    return ApplyToolCommand(*state_, parsed.command, image);
  }
  std::uint32_t Word() const { return model::StatusWordOf(*state_); }

  std::unique_ptr<model::MachineState> state_;
};

TEST_F(ToolActionsTest, ButtonPrintsTheWordAndTheEvent) {
  const ActionResult r = Apply("button");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(0x0006063Bu, Word());
  EXPECT_EQ(
      "wireless button pressed: radios held off by the button\n"
      "wireless word 0x0006063B\n"
      "raised #1 vtqBEvnt EventID 5 EventData 0x0006063B\n",
      r.output);
}

TEST_F(ToolActionsTest, LanPlugAndSet) {
  EXPECT_TRUE(Apply("lan plug").ok);
  EXPECT_NE(0u, Word() & 0x1000u);
  EXPECT_TRUE(Apply("set lan-switching off").ok);
  EXPECT_EQ(0u, Word() & 0x1000u);
  EXPECT_EQ(2u, state_->lastSequence);
}

TEST_F(ToolActionsTest, ProfileChangesTheMachine) {
  const ActionResult r = Apply("profile unsupported");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(0u, state_->firmwareClasses);
  EXPECT_NE(std::string::npos, r.output.find("profile unsupported\n"));
}

TEST_F(ToolActionsTest, CallRunsARequestAsAClientWould) {
  ActionResult r = Apply("call 2 5 00080000");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(0x000C0C3Bu, Word());
  EXPECT_NE(std::string::npos, r.output.find("rwReturnCode 0\nData (none)\n"));
  r = Apply("call 1 5");
  EXPECT_NE(std::string::npos, r.output.find("Data 3B 0C 0C 00\n"));
  r = Apply("call 9 9");
  EXPECT_NE(std::string::npos, r.output.find("rwReturnCode 1\n"));
}

TEST_F(ToolActionsTest, EventsAreRaisedAsGiven) {
  EXPECT_EQ("raised #1 vtqBEvnt EventID 4 EventData 0x0000002A\n", Apply("event 4 42").output);
  EXPECT_EQ(
      "raised #2 vtqBEvnt EventID 1 EventData 0x00000000\n"
      "raised #3 vtqDockEvent (data 0x00000000)\n",
      Apply("dock-event").output);
}

TEST_F(ToolActionsTest, EventPairsAreRaisedAsOneDelivery) {
  EXPECT_EQ(
      "raised #1 vtqBEvnt EventID 2 EventData 0x00000000\n"
      "raised #2 vtqBEvnt EventID 5 EventData 0x00000007\n"
      "raised #3 vtqBEvnt EventID 4 EventData 0x00000001\n",
      Apply("event 2 0 5 7 4 1").output);
  Apply("event 1 0");
  const auto events = model::EventsAfter(*state_, 0);
  ASSERT_EQ(4u, events.size());
  EXPECT_TRUE(events[0].joinsNext);
  EXPECT_TRUE(events[1].joinsNext);
  EXPECT_FALSE(events[2].joinsNext);
  EXPECT_FALSE(events[3].joinsNext);
}

TEST_F(ToolActionsTest, EveryRequestToTheFirmwareIsCounted) {
  EXPECT_NE(std::string::npos, DescribeState(*state_).find("firmware requests answered: 0\n"));
  Apply("call 1 5");
  Apply("call 2 5 00080000");
  Apply("call 9 9");  // refused, still answered
  Apply("button");    // not a request
  EXPECT_NE(std::string::npos, DescribeState(*state_).find("firmware requests answered: 3\n"));
}

TEST_F(ToolActionsTest, DockByNameRaisesTheDockEvents) {
  const ActionResult r = Apply("dock acpi\\pnp0c14\\0_0 1");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(1u, state_->docks[0].ulState);
  EXPECT_EQ(2u, state_->lastSequence);
}

TEST_F(ToolActionsTest, MissingInstanceFailsAndChangesNothing) {
  const auto before = std::make_unique<model::MachineState>(*state_);
  ActionResult r = Apply("display 2 1");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ("no vtqGAED instance 2 (fwsim show lists them)", r.error);
  r = Apply("dock ACPI\\PNP0C14\\0_7 1");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ("no vtqDockQuery instance \"ACPI\\PNP0C14\\0_7\" (fwsim show lists them)", r.error);
  EXPECT_EQ(0, std::memcmp(before.get(), state_.get(), sizeof *state_));
}

TEST_F(ToolActionsTest, BlockCount) {
  ASSERT_TRUE(Apply("display count 8").ok);
  EXPECT_EQ(8u, state_->displayCount);
  ASSERT_TRUE(Apply("display 7 2").ok);
  EXPECT_EQ(2u, state_->displays[7].ulState);
}

TEST_F(ToolActionsTest, FaultKnobsAndClear) {
  Apply("fault enum-timeouts 10");
  Apply("fault data-length 3");
  Apply("fault getmethod on");
  Apply("fault outdata-missing on");
  Apply("fault returncode-missing on");
  Apply("fault event-classes-missing on");
  Apply("fault answer-delay 40");
  const ActionResult r = Apply("fault delay 20");
  const model::FaultState& f = state_->faults;
  EXPECT_EQ(10u, f.enumTimeouts);
  EXPECT_EQ(3, f.dataLength);
  EXPECT_EQ(1, f.getMethodFails);
  EXPECT_EQ(1, f.outDataMissing);
  EXPECT_EQ(1, f.returnCodeMissing);
  EXPECT_EQ(1, f.eventClassesMissing);
  EXPECT_EQ(20u, f.delayMs);
  EXPECT_NE(std::string::npos, r.output.find("  delay 20\n  answer-delay 40\n"));
  EXPECT_EQ(40u, f.answerDelayMs);
  Apply("fault data-length off");
  EXPECT_EQ(-1, f.dataLength);
  EXPECT_EQ("faults cleared\n", Apply("fault clear").output);
  EXPECT_EQ(0u, f.enumTimeouts);
  EXPECT_EQ(-1, f.dataLength);
  EXPECT_EQ(0, f.getMethodFails);
  EXPECT_EQ(0u, f.delayMs);
  EXPECT_EQ(0u, f.answerDelayMs);
}

TEST_F(ToolActionsTest, SmbiosLoadTakesTheImageAndAnOverriddenVersion) {
  model::SmbiosImage image;
  image.major = 3;
  image.minor = 0;
  image.table = {127, 4, 0, 0, 0, 0};
  ActionResult r = Apply("smbios load x.table", &image);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(3u, state_->smbiosMajor);
  EXPECT_EQ(6u, state_->smbiosLength);
  EXPECT_STREQ("x.table", state_->smbiosSource);
  r = Apply("smbios load --version 2.4 x.table", &image);
  EXPECT_EQ(2u, state_->smbiosMajor);
  EXPECT_EQ(4u, state_->smbiosMinor);
  EXPECT_TRUE(Apply("smbios default").ok);
  EXPECT_STREQ("default", state_->smbiosSource);
  EXPECT_FALSE(Apply("smbios load y.table").ok);  // no image
}

TEST_F(ToolActionsTest, ResetGoesBackToAFreshMachine) {
  Apply("profile none");
  Apply("fault getmethod on");
  ASSERT_TRUE(Apply("reset").ok);
  EXPECT_EQ(0x000F0F3Bu, Word());
  EXPECT_EQ(0, state_->faults.getMethodFails);
}

TEST_F(ToolActionsTest, ReadOnlyCommandsAreNotActions) {
  EXPECT_FALSE(Apply("show").ok);
  EXPECT_FALSE(Apply("init").ok);
}

TEST_F(ToolActionsTest, DescribeWordDecodesEveryFlag) {
  // Both present, on, allowed by setup and button.
  const std::string text = DescribeWord(0x000D0D03);
  EXPECT_NE(std::string::npos, text.find("0x000D0D03 (bytes 03 0D 0D 00)"));
  EXPECT_NE(std::string::npos, text.find("hasWlan=1 hasBluetooth=1 lanSwitchingPresent=0"));
  EXPECT_NE(std::string::npos, text.find("wlanOn=1 wlanSelected=0 wlanBiosEnabled=1 wlanButtonEnabled=1"));
  EXPECT_NE(std::string::npos, text.find("bluetoothOn=1 bluetoothSelected=0 bluetoothBiosEnabled=1"));
}

TEST_F(ToolActionsTest, DescribeStateShowsEverything) {
  state_->faults.delayMs = 5;
  const std::string text = DescribeState(*state_);
  for (const char* part :
       {"profile: both\n", "firmware classes: present\n", "wireless word: 0x000F0F3B", "wlanLanSwitchedOff=0",
        "  lan-cable              off\n", "displays (vtqGAED): 2 instances\n",
        "  0  ACPI\\PNP0C14\\0_0       ulState 1 (0x00000001)\n", "docks (vtqDockQuery): 1 instance\n",
        "faults:\n  delay 5\n", "events: last sequence 0\n", "smbios: version 2.8, 836 bytes, 13 structures, from default\n",
        "  types: 0 1 2 3 4 10 16 17(x3) 19 32 127\n", "  memory: 3 devices, 2 populated, 8192 MB\n"})
    EXPECT_NE(std::string::npos, text.find(part)) << part << "\n" << text;
}

TEST_F(ToolActionsTest, DescribeEventsListsTheRing) {
  Apply("button");
  Apply("event 4 1");
  const std::string text = DescribeEvents(*state_);
  EXPECT_EQ(
      "last sequence 2; 2 recent events\n"
      "  #1 vtqBEvnt EventID 5 EventData 0x0006063B\n"
      "  #2 vtqBEvnt EventID 4 EventData 0x00000001\n",
      text);
}

}  // namespace
}  // namespace fwsim::tool
