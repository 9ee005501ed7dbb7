// Faults rmtray survives, end to end under Wine: the bridge service killed
// under it, its settings key deleted while it runs, and settings of every
// wrong type at the settings-changed message.
#include "tests/system/bridge/relay/TrayBridgeFixture.h"

namespace relaytest {
namespace {

using traytest::kBothOff;
using traytest::kBothOn;
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

TEST_F(TrayFaults, SettingsOfEveryWrongTypeAndADeletedKeyLeaveTheIconAsItWas) {
  StartAndWaitForIcon();
  ASSERT_TRUE(WaitForTip(kBothOn));
  struct Case {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {"REG_SZ", REG_SZ, {'1', 0}},
      {"REG_EXPAND_SZ", REG_EXPAND_SZ, {'1', 0}},
      {"REG_MULTI_SZ", REG_MULTI_SZ, {'1', 0, 0}},
      {"REG_BINARY", REG_BINARY, {1, 0, 0, 0}},
      {"REG_NONE", REG_NONE, {1, 0, 0, 0}},
      {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}},
      {"REG_QWORD", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(traytest::WriteSetting("HideSysTray", c.type, c.data.data(), static_cast<DWORD>(c.data.size())));
    BroadcastSettingsChanged();
    ::Sleep(300);
    EXPECT_TRUE(WaitForTip(kBothOn, /*hidden=*/false, std::chrono::seconds(1)));
  }
  // The same message with a DWORD 1 hides it: the messages above were read.
  ASSERT_TRUE(traytest::WriteSettingDword("HideSysTray", 1));
  BroadcastSettingsChanged();
  EXPECT_TRUE(WaitForTip(kBothOn, /*hidden=*/true));
  ASSERT_TRUE(traytest::WriteSettingDword("HideSysTray", 0));
  BroadcastSettingsChanged();
  EXPECT_TRUE(WaitForTip(kBothOn));

  // The key deleted: the message keeps the values read before, the menu
  // still switches, the hide command hides without making the key again.
  traytest::DeleteSettingsKey();
  ASSERT_FALSE(traytest::SettingsKeyExists());
  BroadcastSettingsChanged();
  ::Sleep(300);
  EXPECT_TRUE(WaitForTip(kBothOn, /*hidden=*/false, std::chrono::seconds(1)));
  ::SendMessageA(window_, WM_COMMAND, MAKEWPARAM(105, 0), 0);  // all off
  EXPECT_TRUE(WaitForTip(kBothOff));
  ::SendMessageA(window_, WM_COMMAND, MAKEWPARAM(106, 0), 0);  // hide
  EXPECT_TRUE(WaitForTip(kBothOff, /*hidden=*/true));
  EXPECT_FALSE(traytest::SettingsKeyExists());
  EXPECT_TRUE(tray_.Running());
  EndWithCommandOne(tray_, window_);
}

}  // namespace
}  // namespace relaytest
