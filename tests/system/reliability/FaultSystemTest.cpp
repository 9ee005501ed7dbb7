// Faults the bridge service survives, end to end under Wine: firmware calls
// that fail and recover, a firmware that answers slowly while other clients
// are served, Parameters values of every wrong type, a missing relay key and
// relay IDs of other types, the log folder deleted while the service runs.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "tests/system/bridge/relay/RelayHarness.h"

namespace relaytest {
namespace {

using bridgetest::ByteArray;
using bridgetest::BytesOf;

const std::string kRelayKey = "Software\\VTQ\\{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";
const std::vector<BYTE> kBothWord = {0x3B, 0x0F, 0x0F, 0x00};

struct ExecAnswer {
  HRESULT hr = E_FAIL;
  ULONG ret = 0;
  std::vector<BYTE> data;
};

ExecAnswer ReadWord(IvtqCallBiosEx* bridge) {
  ExecAnswer a;
  rm::Variant in = ByteArray(0), out = ByteArray(4);
  a.ret = 0xAAAA;
  a.hr = bridge->vtqExecMethodEx(1, 5, 0, 4, &a.ret, in.get(), out.get());
  a.data = BytesOf(out.get());
  return a;
}

bool SetValue(const std::string& key, const char* name, DWORD type, const std::vector<BYTE>& data) {
  rm::UniqueRegKey k;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  return ::RegSetValueExA(k.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

using BridgeFaults = RelaySystem;

TEST_F(BridgeFaults, FirmwareCallsFailWhileAKnobIsSetAndTheNextCallsRecover) {
  Activate();
  const DWORD pid = bridgetest::QueryBridgeService().pid;
  struct Knob {
    const char* fault;
  } knobs[] = {{"getmethod on"}, {"outdata-missing on"}, {"returncode-missing on"}};
  for (const Knob& k : knobs) {
    SCOPED_TRACE(k.fault);
    ASSERT_EQ(Fwsim(std::string("fault ") + k.fault), 0);
    const ExecAnswer failed = ReadWord(bridge_.get());
    EXPECT_TRUE(FAILED(failed.hr)) << std::hex << failed.hr;
    EXPECT_EQ(failed.ret, 0xFFFFFFFFu);
    ASSERT_EQ(Fwsim("fault clear"), 0);
    const ExecAnswer recovered = ReadWord(bridge_.get());
    EXPECT_EQ(recovered.hr, S_OK);
    EXPECT_EQ(recovered.ret, 0u);
    EXPECT_EQ(recovered.data, kBothWord);
  }
  // One enumeration time-out: the call runs without the instance's path.
  ASSERT_EQ(Fwsim("fault enum-timeouts 1"), 0);
  const ExecAnswer pathless = ReadWord(bridge_.get());
  EXPECT_EQ(pathless.hr, S_OK);
  EXPECT_EQ(pathless.data, kBothWord);
  ASSERT_EQ(Fwsim("fault clear"), 0);

  // A refused subscription leaves the relay unsubscribed; the next request
  // subscribes and events flow.
  ASSERT_EQ(Fwsim("fault event-classes-missing on"), 0);
  EXPECT_TRUE(FAILED(bridge_->vtqSetupWmiEvents(1)));
  ASSERT_EQ(Fwsim("fault clear"), 0);
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(1), S_OK);
  ASSERT_EQ(Fwsim("event 5 41"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(10000));

  EXPECT_EQ(LogMessages("vtqExecMethodEx Cmd: 1h, Type: 5h, FAILED: 0x").size(), 3u);
  EXPECT_EQ(LogMessages("vtqExecMethodEx CallCount: 1, Cmd: 1h, Type: 5h, returns: 0x00000000").size(), 4u);
  EXPECT_EQ(LogMessages("vtqSetupWmiEvents FAILED: 0x").size(), 1u);
  EXPECT_EQ(LogMessages("EventID:5, EventData: 41").size(), 1u);
  const bridgetest::ServiceState after = bridgetest::QueryBridgeService();
  EXPECT_EQ(after.state, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(after.pid, pid);
}

TEST_F(BridgeFaults, AFirmwareThatAnswersSlowlyHoldsOnlyTheCallsThatWaitForIt) {
  Activate();
  ASSERT_EQ(bridge_->vtqSetupWmiEvents(1), S_OK);
  ASSERT_EQ(Fwsim("fault answer-delay 5000"), 0);
  const Clock::time_point start = Clock::now();
  // Two slow firmware requests from two threads of their own.
  auto slow = [] {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ExecAnswer a;
    {
      rm::ComPtr<IvtqCallBiosEx> own;
      if (SUCCEEDED(bridgetest::CreateBridge(own))) a = ReadWord(own.get());
    }
    ::CoUninitialize();
    return a;
  };
  std::future<ExecAnswer> first = std::async(std::launch::async, slow);
  std::future<ExecAnswer> second = std::async(std::launch::async, slow);
  ::Sleep(500);

  // Meanwhile every other kind of call is answered at once.
  rm::ComPtr<IvtqCallKestrelBios> kestrel;
  ASSERT_EQ(::CoCreateInstance(CLSID_WmiKestrel, nullptr, CLSCTX_LOCAL_SERVER, IID_IvtqCallKestrelBios,
                               kestrel.put_void()),
            S_OK);
  const Clock::time_point others = Clock::now();
  rm::Variant record = ByteArray(388);
  ULONG size = 388;
  EXPECT_EQ(bridge_->vtqGetMachineInfoEx(&size, record.get()), S_OK);
  ULONG device = 0xAAAA;
  EXPECT_EQ(bridge_->vtqGetAttachedExternalDisplays(&device), S_OK);
  EXPECT_EQ(device, 0u);
  ULONG state = 0xAAAA;
  EXPECT_EQ(kestrel->vtqExecDataBlock(1, 0, &state), S_OK);
  EXPECT_EQ(state, 0u);
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(1), S_OK);
  ASSERT_EQ(Fwsim("event 4 42"), 0);
  EXPECT_TRUE(als_.SignalledWithin(5000));
  const double othersTook = SecondsSince(others);
  EXPECT_EQ(first.wait_for(std::chrono::seconds(0)), std::future_status::timeout)
      << "the slow requests should still be waiting";
  EXPECT_LT(othersTook, 4.0);

  for (std::future<ExecAnswer>* f : {&first, &second}) {
    const ExecAnswer a = f->get();
    EXPECT_EQ(a.hr, S_OK);
    EXPECT_EQ(a.ret, 0u);
    EXPECT_EQ(a.data, kBothWord);
  }
  EXPECT_GE(SecondsSince(start), 5.0);
  EXPECT_EQ(LogMessages("Cmd: 1h, Type: 5h, returns: 0x00000000").size(), 2u);
  EXPECT_EQ(LogMessages("vtqGetMachineInfoEx returns: 0x00000000").size(), 1u);
  EXPECT_EQ(LogMessages("EventID:4, EventData: 42").size(), 1u);
  std::printf("slow firmware: other calls and an event took %.2f s while two requests waited %.2f s\n", othersTook,
              SecondsSince(start));
}

// MaxAllowed 1 and Settings 3 as a string, as a longer and as a shorter
// value: all count as unreadable (the rule's whole table is the native
// RegistryDwordRule test), so there is no limit and nothing is logged.
TEST_F(BridgeFaults, ParametersOfTheWrongTypeOrSizeCountAsUnreadable) {
  struct Case {
    const char* what;
    DWORD type;
    std::vector<BYTE> limit, settings;
  } cases[] = {
      {"REG_SZ", REG_SZ, {'1', 0}, {'3', 0}},
      {"REG_QWORD", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, {3, 0, 0, 0, 0, 0, 0, 0}},
      {"REG_DWORD of 3 bytes", REG_DWORD, {1, 0, 0}, {3, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bridge_.reset();
    ASSERT_TRUE(bridgetest::StopBridgeService());
    ::DeleteFileA(bridgetest::LogFile().c_str());
    ASSERT_TRUE(SetValue(bridgetest::kParametersKey, "MaxAllowed", c.type, c.limit));
    ASSERT_TRUE(SetValue(bridgetest::kParametersKey, "Settings", c.type, c.settings));
    Activate();
    const DWORD pid = bridgetest::QueryBridgeService().pid;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadWord(bridge_.get()).hr, S_OK) << i;
    const bridgetest::ServiceState s = bridgetest::QueryBridgeService();
    EXPECT_EQ(s.state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(s.pid, pid);
    std::string text = "not read";
    EXPECT_TRUE(bridgetest::ReadFileText(bridgetest::LogFile(), text));
    EXPECT_EQ(text, "");
  }
}

TEST_F(BridgeFaults, AMissingRelayKeyRelaysNothingAndIdsOfOtherTypesAreReadAsBytes) {
  ASSERT_EQ(::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRelayKey.c_str()), ERROR_SUCCESS);
  Subscribe();
  ASSERT_EQ(Fwsim("event 5 51"), 0);
  EXPECT_FALSE(wireless_.SignalledWithin(2000));
  EXPECT_TRUE(
      traytest::WaitFor([] { return LogMessages("EventID:5, EventData: 51").size() == 1; }, std::chrono::seconds(10)));

  // A one-byte binary 5 is ID 5; the text "4" is the bytes 0x34 0x00, ID 52,
  // skipped; loading goes on to the dock name.
  bridge_.reset();
  ASSERT_TRUE(bridgetest::StopBridgeService());
  ASSERT_TRUE(SetValue(kRelayKey + "\\VtqWmiBiosWirelessEvent", "vtqBEvntID", REG_BINARY, {5}));
  ASSERT_TRUE(SetValue(kRelayKey + "\\VtqWmiBiosALSEvent", "vtqBEvntID", REG_SZ, {'4', 0}));
  ASSERT_TRUE(SetValue(kRelayKey + "\\VtqWmiBiosDockEvent", "vtqBEvntID", REG_DWORD, {1, 0, 0, 0}));
  Subscribe();
  ASSERT_EQ(Fwsim("event 5 52"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(10000));
  ASSERT_EQ(Fwsim("event 4 53"), 0);
  EXPECT_FALSE(als_.SignalledWithin(2000));
  ASSERT_EQ(Fwsim("dock-event 54"), 0);
  EXPECT_TRUE(dock_.SignalledWithin(10000));
  EXPECT_EQ(LogMessages("EventID:4, EventData: 53").size(), 1u);

  // The installed names back for the tests that follow.
  bridge_.reset();
  ASSERT_TRUE(bridgetest::RegisterBridgeService());
}

TEST_F(BridgeFaults, TheLogFolderDeletedWhileRunningLosesLinesUntilARestartMakesItAgain) {
  Activate();
  ASSERT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  ASSERT_EQ(LogMessages("vtqSetupWmiEvents returns: 0x00000000").size(), 1u);
  ASSERT_TRUE(::DeleteFileA(bridgetest::LogFile().c_str()));
  ASSERT_TRUE(::RemoveDirectoryA(bridgetest::LogFolder().c_str()));

  const DWORD pid = bridgetest::QueryBridgeService().pid;
  EXPECT_EQ(ReadWord(bridge_.get()).data, kBothWord);
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  EXPECT_FALSE(FileExists(bridgetest::LogFolder()));
  EXPECT_EQ(bridgetest::QueryBridgeService().pid, pid);

  bridge_.reset();
  ASSERT_TRUE(bridgetest::StopBridgeService());
  Activate();
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  EXPECT_NE(bridgetest::QueryBridgeService().pid, pid);
  const std::vector<std::string> lines = LogMessages("");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "VTQWMI Service Started");
  EXPECT_EQ(lines[1], "vtqSetupWmiEvents returns: 0x00000000");
}

}  // namespace
}  // namespace relaytest
