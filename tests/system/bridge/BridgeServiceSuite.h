// The base of the bridge's system test suites: the bridge is registered as
// a service for the suite and removed after it, and the firmware stand-in is
// reset around it, so that the prefix is left as it was found.
#pragma once

#include <gtest/gtest.h>

#include "tests/system/bridge/BridgeHarness.h"
#include "tests/support/WmiClient.h"

namespace bridgetest {

class BridgeServiceSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(RegisterBridgeService());
    if (StandInBuilt()) rmtest::Fwsim("reset");
  }
  static void TearDownTestSuite() {
    RemoveBridgeService();
    if (StandInBuilt()) rmtest::Fwsim("reset");
  }
};

}  // namespace bridgetest
