// Faults rmtray survives, end to end under Wine: the bridge service killed
// under it. (Its settings key deleted while it runs and a value of the wrong
// type at the settings-changed message: TrayIconSystemTest.cpp.)
#include "tests/system/bridge/relay/TrayBridgeFixture.h"

namespace relaytest {
namespace {

using traytest::kBothOff;
using traytest::kWlanOffBtOn;

class TrayFaults : public TrayWithBridge {};

// Wine's RPCSS keeps the class registrations of a process that was killed
// and hands them to the next activation (RPC_S_SERVER_UNAVAILABLE) instead
// of starting the service, where Windows drops them with the process. The
// test restarts it, as the end of the process does on Windows.
bool RestartRpcss() {
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  rm::UniqueServiceHandle rpcss(::OpenServiceA(manager.get(), "RpcSs", SERVICE_STOP | SERVICE_QUERY_STATUS));
  if (!rpcss) return false;
  SERVICE_STATUS status = {};
  ::ControlService(rpcss.get(), SERVICE_CONTROL_STOP, &status);
  return bridgetest::WaitFor(
      [&] { return ::QueryServiceStatus(rpcss.get(), &status) && status.dwCurrentState == SERVICE_STOPPED; },
      std::chrono::seconds(20));
}

TEST_F(TrayFaults, TheBridgeKilledUnderRmtrayComesBackFreshAndRelaysOnceAsked) {
  fwsimtest::ComApartment com;
  StartWithTheRelay();
  const DWORD killed = bridgetest::QueryBridgeService().pid;
  ASSERT_NE(killed, 0u);
  {
    rm::UniqueHandle service(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, killed));
    ASSERT_TRUE(service);
    ASSERT_TRUE(::TerminateProcess(service.get(), 1));
    ASSERT_EQ(::WaitForSingleObject(service.get(), 10000), WAIT_OBJECT_0);
  }
  ASSERT_TRUE(RestartRpcss());

  // rmtray goes on following its own switches.
  ChooseFromMenu(2);  // WLAN off
  EXPECT_TRUE(WaitForTip(kWlanOffBtOn));
  EXPECT_TRUE(tray_.Running());

  // The next activation starts a fresh service; once asked to relay, the
  // firmware's changes reach rmtray's icon again.
  rm::ComPtr<IvtqCallBiosEx> bridge;
  ASSERT_EQ(bridgetest::CreateBridge(bridge), S_OK);
  const DWORD fresh = bridgetest::QueryBridgeService().pid;
  EXPECT_NE(fresh, killed);
  EXPECT_EQ(bridge->vtqSetupWmiEvents(1), S_OK);
  ASSERT_EQ(Fwsim("set bluetooth-selected off"), 0);
  EXPECT_TRUE(WaitForTip(kBothOff));
  EXPECT_EQ(LogMessages("EventID:5, EventData: ").size(), 1u);
  EXPECT_TRUE(tray_.Running());
  bridge.reset();
  EndPromptly();
}

}  // namespace
}  // namespace relaytest
