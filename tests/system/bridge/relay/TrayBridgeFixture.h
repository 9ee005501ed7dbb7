// The fixture of system tests that run rmtray with the bridge service
// registered: a fresh marker folder and the registration for the suite, the
// service stopped and logging everything before each test, rmtray killed
// and the service stopped after it.
#pragma once

#include "tests/system/bridge/relay/RelayHarness.h"
#include "tests/system/tray/TrayIconFixture.h"

namespace relaytest {

class TrayWithBridge : public traytest::TrayIconSystem {
 protected:
  static void SetUpTestSuite() { RegisterBridgeForSuite(); }
  static void TearDownTestSuite() { RemoveBridgeAfterSuite(); }

  void SetUp() override {
    TrayIconSystem::SetUp();
    ASSERT_TRUE(bridgetest::StopBridgeService());
    ASSERT_TRUE(bridgetest::SetParameter("Settings", 3));
    ::DeleteFileA(bridgetest::LogFile().c_str());
  }
  // Starts rmtray and waits until it has asked the bridge to relay and
  // shows both radios on.
  void StartWithTheRelay() {
    StartAndWaitForIcon();
    ASSERT_TRUE(traytest::WaitFor([] { return !LogMessages("vtqSetupWmiEvents returns: 0x00000000").empty(); },
                                  std::chrono::seconds(30)));
    ASSERT_TRUE(WaitForTip(traytest::kBothOn));
  }
  void TearDown() override {
    tray_.Kill();
    bridgetest::StopBridgeService();
    TrayIconSystem::TearDown();
  }
};

}  // namespace relaytest
