// The road of one event end to end: the firmware stand-in raises it, the
// bridge service (started by COM at rmtray's request) relays it, rmtray's
// watcher re-reads the radios and the icon, tooltip and balloon in Wine's
// notification area change.
#include "tests/system/bridge/relay/TrayBridgeFixture.h"

namespace relaytest {
namespace {

using traytest::kBothDisabled;
using traytest::kBothOn;
using traytest::kWlanDisabledBtOn;

class TrayRelay : public TrayWithBridge {
 protected:
  // rmtray's icon is shown and its watcher has had the bridge subscribe.
  void StartWithTheRelayOn() {
    StartWithTheRelay();
    ASSERT_TRUE(WaitForImage(traytest::kOn));
  }
};

// One rmtray, started once, follows three kinds of change: the wireless
// button, a LAN cable, and a second press during the re-read of the first.
TEST_F(TrayRelay, TheButtonALanCableAndAChangeDuringTheReReadReachTheIconThroughTheBridge) {
  StartWithTheRelayOn();
  {
    SCOPED_TRACE("the wireless button");
    // The press holds both radios off: word 0x0006063B.
    ASSERT_EQ(Fwsim("button"), 0);
    EXPECT_TRUE(WaitForTip(kBothDisabled));
    EXPECT_TRUE(WaitForImage(traytest::kOff));
    EXPECT_TRUE(WaitForBalloon(kBothDisabled));
    EXPECT_EQ(LogMessages("EventID:5, EventData: 394811").size(), 1u);

    // The next press lets them on again.
    ASSERT_EQ(Fwsim("button"), 0);
    EXPECT_TRUE(WaitForTip(kBothOn));
    EXPECT_TRUE(WaitForImage(traytest::kOn));
    EXPECT_TRUE(WaitForBalloon(kBothOn));
    EXPECT_EQ(LogMessages("EventID:5, EventData: 986939").size(), 1u);
  }
  {
    SCOPED_TRACE("a LAN cable holds WLAN off with LAN switching enabled until it is unplugged");
    ASSERT_EQ(Fwsim("lan plug"), 0);
    EXPECT_TRUE(WaitForTip(kWlanDisabledBtOn));
    EXPECT_TRUE(WaitForImage(traytest::kOn));
    EXPECT_TRUE(WaitForBalloon(kWlanDisabledBtOn));
    ASSERT_EQ(Fwsim("lan unplug"), 0);
    EXPECT_TRUE(WaitForTip(kBothOn));
    EXPECT_TRUE(WaitForBalloon(kBothOn));
  }
  {
    // The second press comes while the watcher is still inside its re-read
    // of the first: the stand-in holds the re-read's answer back for 3 s
    // after it read the word. The relay's signal stays set until the
    // watcher waits again, so one more re-read shows the final state.
    SCOPED_TRACE("a change during the re-read");
    ASSERT_EQ(Fwsim("fault answer-delay 3000"), 0);
    const long before = RequestsAnswered();
    ASSERT_GE(before, 0);
    const std::size_t eventsBefore = LogMessages("EventID:5").size();

    ASSERT_EQ(Fwsim("button"), 0);
    ASSERT_TRUE(traytest::WaitFor([&] { return RequestsAnswered() > before; }, std::chrono::seconds(10)));
    ASSERT_EQ(Fwsim("button"), 0);
    EXPECT_EQ(RequestsAnswered(), before + 1);  // the second press came during the first re-read

    EXPECT_TRUE(WaitForTip(kBothDisabled, false, std::chrono::seconds(10)));
    EXPECT_TRUE(WaitForTip(kBothOn, false, std::chrono::seconds(15)));
    EXPECT_TRUE(WaitForImage(traytest::kOn));
    EXPECT_EQ(RequestsAnswered(), before + 2);
    EXPECT_EQ(LogMessages("EventID:5").size(), eventsBefore + 2);
    ASSERT_EQ(Fwsim("fault clear"), 0);
  }
  EndPromptly();
}

}  // namespace
}  // namespace relaytest
