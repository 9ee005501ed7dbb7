// WmiKestrel as a COM client in another process sees it under Wine, with
// the firmware stand-in's dock data blocks behind the bridge service:
// reading and writing ulState, refused commands and instances, a machine
// without the data-block class, the dock-event subscription, their log lines.
#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "tests/system/bridge/BridgeServiceSuite.h"
#include "tests/support/WmiClient.h"

namespace bridgetest {
namespace {

constexpr HRESULT kInvalidArg = static_cast<HRESULT>(0x80070057);
constexpr HRESULT kInvalidClass = static_cast<HRESULT>(0x80041010);

const char kStamp[] = "\\d\\d:\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d\\d\\d\\d  ";

// ulState of every vtqDockQuery instance as the stand-in's tool shows them,
// in instance order; checks that instance i is named ACPI\PNP0C14\0_i.
std::vector<std::uint32_t> DockStates() {
  std::string text;
  std::vector<std::uint32_t> states;
  if (rmtest::Fwsim("show", &text) != 0) return {0xDEAD};
  const std::size_t docks = text.find("docks (vtqDockQuery)");
  if (docks == std::string::npos) return {0xDEAD};
  std::istringstream lines(text.substr(docks));
  std::string line;
  std::getline(lines, line);
  const std::regex item("  (\\d+)  ACPI\\\\PNP0C14\\\\0_(\\d+) +ulState (\\d+) .*\r?");
  while (std::getline(lines, line)) {
    std::smatch m;
    if (!std::regex_match(line, m, item)) break;
    if (m[1] != m[2]) return {0xDEAD};
    states.push_back(static_cast<std::uint32_t>(std::stoul(m[3])));
  }
  return states;
}

// The log's lines after "VTQWMI Service Started", without their stamps;
// a line without a stamp is kept whole, so that it fails the comparison.
std::vector<std::string> CallLines() {
  std::vector<std::string> out;
  const std::regex stamped(std::string(kStamp) + "(.*)");
  for (const std::string& line : LogLines()) {
    std::smatch m;
    const std::string text = std::regex_match(line, m, stamped) ? m[1].str() : line;
    if (text != "VTQWMI Service Started") out.push_back(text);
  }
  return out;
}

class Kestrel : public BridgeServiceSuite {
 protected:
  void SetUp() override {
    if (!StandInBuilt()) GTEST_SKIP() << "firmware stand-in not built";
    ASSERT_TRUE(SUCCEEDED(com_.init()));
    ASSERT_TRUE(StopBridgeService());
    ASSERT_TRUE(SetParameter("MaxAllowed", 0));
    ASSERT_TRUE(SetParameter("Settings", 3));
    ::DeleteFileA(LogFile().c_str());
    ASSERT_EQ(rmtest::Fwsim("reset"), 0);
    ASSERT_EQ(::CoCreateInstance(CLSID_WmiKestrel, nullptr, CLSCTX_LOCAL_SERVER,
                                 IID_IvtqCallKestrelBios, kestrel_.put_void()),
              S_OK);
  }
  void TearDown() override {
    kestrel_.reset();
    StopBridgeService();
  }

  HRESULT Exec(ULONG cmd, ULONG instance, ULONG& state) {
    return kestrel_->vtqExecDataBlock(cmd, instance, &state);
  }

  fwsimtest::ComApartment com_;
  rm::ComPtr<IvtqCallKestrelBios> kestrel_;
};

TEST_F(Kestrel, ReadsAndWritesTheStandInsDockInstances) {
  ASSERT_EQ(rmtest::Fwsim("dock count 3"), 0);
  ASSERT_EQ(rmtest::Fwsim("dock 0 5"), 0);
  ASSERT_EQ(rmtest::Fwsim("dock 2 0xFFFFFFFE"), 0);
  ASSERT_EQ(DockStates(), (std::vector<std::uint32_t>{5, 0, 0xFFFFFFFE}));

  ULONG state = 0x77;
  EXPECT_EQ(Exec(1, 0, state), S_OK);
  EXPECT_EQ(state, 5u);
  // The service runs as a service in its own process.
  const ServiceState s = QueryBridgeService();
  EXPECT_EQ(s.state, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_NE(s.pid, ::GetCurrentProcessId());

  state = 0;
  EXPECT_EQ(Exec(1, 2, state), S_OK);
  EXPECT_EQ(state, 0xFFFFFFFEu);

  // A write stores the instance and leaves the client's value as it was.
  state = 0x1234;
  EXPECT_EQ(Exec(2, 1, state), S_OK);
  EXPECT_EQ(state, 0x1234u);
  EXPECT_EQ(DockStates(), (std::vector<std::uint32_t>{5, 0x1234, 0xFFFFFFFE}));
  state = 0;
  EXPECT_EQ(Exec(1, 1, state), S_OK);
  EXPECT_EQ(state, 0x1234u);

  // A value with the top bit set goes through VT_I4 and comes back whole.
  state = 0x80000001u;
  EXPECT_EQ(Exec(2, 0, state), S_OK);
  EXPECT_EQ(DockStates(), (std::vector<std::uint32_t>{0x80000001u, 0x1234, 0xFFFFFFFE}));

  EXPECT_EQ(CallLines(), (std::vector<std::string>{
                             "CWmiKestrel::vtqExecDataBlock Cmd: 1, Inst:0, State: 5, returns: 0x00000000",
                             "CWmiKestrel::vtqExecDataBlock Cmd: 1, Inst:2, State: -2, returns: 0x00000000",
                             "CWmiKestrel::vtqExecDataBlock Cmd: 2, Inst:1, State: 4660, returns: 0x00000000",
                             "CWmiKestrel::vtqExecDataBlock Cmd: 1, Inst:1, State: 4660, returns: 0x00000000",
                             "CWmiKestrel::vtqExecDataBlock Cmd: 2, Inst:0, State: -2147483647, returns: 0x00000000",
                         }));
}

TEST_F(Kestrel, OtherCommandsAndUnknownInstancesAreRefusedAndChangeNothing) {
  ASSERT_EQ(rmtest::Fwsim("dock count 2"), 0);
  ASSERT_EQ(rmtest::Fwsim("dock 0 7"), 0);
  ASSERT_EQ(rmtest::Fwsim("dock 1 9"), 0);

  ULONG state = 0x55;
  EXPECT_EQ(Exec(3, 0, state), kInvalidArg);
  EXPECT_EQ(state, 0x55u);
  EXPECT_EQ(Exec(0, 1, state), kInvalidArg);
  EXPECT_EQ(state, 0x55u);
  EXPECT_EQ(Exec(1, 2, state), kInvalidArg);  // only 0 and 1 exist
  EXPECT_EQ(state, 0x55u);
  EXPECT_EQ(Exec(2, 0xFFFFFFFFu, state), kInvalidArg);  // "ACPI\PNP0C14\0_-1"
  EXPECT_EQ(Exec(2, 5, state), kInvalidArg);
  EXPECT_EQ(state, 0x55u);
  EXPECT_EQ(DockStates(), (std::vector<std::uint32_t>{7, 9}));

  // No instance at all: a read finds nothing to read, command 3 is still
  // no command.
  ASSERT_EQ(rmtest::Fwsim("dock count 0"), 0);
  EXPECT_EQ(Exec(1, 0, state), kInvalidArg);
  EXPECT_EQ(Exec(3, 0, state), kInvalidArg);
  EXPECT_EQ(state, 0x55u);

  // The service answers on.
  ASSERT_EQ(rmtest::Fwsim("dock count 2"), 0);
  ASSERT_EQ(rmtest::Fwsim("dock 1 9"), 0);
  EXPECT_EQ(Exec(1, 1, state), S_OK);
  EXPECT_EQ(state, 9u);

  EXPECT_EQ(CallLines(), (std::vector<std::string>{
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80070057. Cmd: 3, Inst:0",
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80070057. Cmd: 0, Inst:1",
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80070057. Cmd: 1, Inst:2",
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80070057. Cmd: 2, Inst:-1",
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80070057. Cmd: 2, Inst:5",
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80070057. Cmd: 1, Inst:0",
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80070057. Cmd: 3, Inst:0",
                             "CWmiKestrel::vtqExecDataBlock Cmd: 1, Inst:1, State: 9, returns: 0x00000000",
                         }));
}

TEST_F(Kestrel, AMachineWithoutTheDataBlockClassAnswersTheEnumerationsFailure) {
  ASSERT_EQ(rmtest::Fwsim("profile unsupported"), 0);
  ULONG state = 0x66;
  EXPECT_EQ(Exec(1, 0, state), kInvalidClass);
  EXPECT_EQ(state, 0x66u);
  EXPECT_EQ(Exec(2, 0, state), kInvalidClass);

  // With the class back the same instance reads again, unchanged.
  ASSERT_EQ(rmtest::Fwsim("profile both"), 0);
  EXPECT_EQ(Exec(1, 0, state), S_OK);
  EXPECT_EQ(state, 0u);
  EXPECT_EQ(CallLines(), (std::vector<std::string>{
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80041010. Cmd: 1, Inst:0",
                             "CWmiKestrel::vtqExecDataBlock FAILED: 0x80041010. Cmd: 2, Inst:0",
                             "CWmiKestrel::vtqExecDataBlock Cmd: 1, Inst:0, State: 0, returns: 0x00000000",
                         }));
}

// Waits up to `ms` for the auto-reset dock event while the stand-in raises
// a dock event; true when the event came.
bool DockEventArrives(DWORD ms) {
  rm::UniqueHandle event(::CreateEventA(nullptr, FALSE, FALSE, "Global\\VtqWmiBiosDockEvent"));
  if (!event) return false;
  bool arrived = false;
  std::thread waiter([&] { arrived = ::WaitForSingleObject(event.get(), ms) == WAIT_OBJECT_0; });
  ::Sleep(200);  // the waiter is waiting before the event is raised
  rmtest::Fwsim("dock-event 3");
  waiter.join();
  return arrived;
}

TEST_F(Kestrel, SetupEventSubscribesWhateverTheFlag) {
  // 0 subscribes as well; later calls answer S_OK without a second one.
  EXPECT_EQ(kestrel_->vtqSetupEvent(0), S_OK);
  EXPECT_TRUE(DockEventArrives(5000));
  EXPECT_EQ(kestrel_->vtqSetupEvent(1), S_OK);
  EXPECT_EQ(kestrel_->vtqSetupEvent(-1), S_OK);
  EXPECT_TRUE(DockEventArrives(5000));
  ULONG state = 0x44;
  EXPECT_EQ(kestrel_->vtqExecDataBlock(1, 0, &state), S_OK);
  EXPECT_EQ(QueryBridgeService().state, static_cast<DWORD>(SERVICE_RUNNING));

  // Each dock event raised was relayed once: one delivery line each.
  std::vector<std::string> calls;
  int delivered = 0;
  for (const std::string& line : CallLines()) {
    if (line.rfind("a BIOS WMI Event is Fired", 0) == 0) {
      ++delivered;
    } else {
      calls.push_back(line);
    }
  }
  EXPECT_EQ(delivered, 2);
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "vtqSetupEvent returns: 0x00000000",
                       "vtqSetupEvent returns: 0x00000000",
                       "vtqSetupEvent returns: 0x00000000",
                       "CWmiKestrel::vtqExecDataBlock Cmd: 1, Inst:0, State: 0, returns: 0x00000000",
                   }));
}

}  // namespace
}  // namespace bridgetest
