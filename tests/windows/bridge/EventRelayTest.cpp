// The event relay in this process against the firmware stand-in, with a
// relay key and marker file of its own: the vtqDockEvent subscription and
// its sink, the one flag for both subscriptions, a refused subscription,
// and the stop.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "bridge/wmi/WmiConnection.h"
#include "bridge/relay/EventRelay.h"
#include "tests/support/WmiClient.h"

namespace vtq {
namespace {

constexpr char kTestKey[] = "Software\\VTQ\\RelayTest";
constexpr HRESULT kInvalidClass = static_cast<HRESULT>(0x80041010);

class Event {
 public:
  explicit Event(const char* name) : event_(::CreateEventA(nullptr, FALSE, FALSE, name)) {}
  bool SignalledWithin(DWORD ms) { return ::WaitForSingleObject(event_.get(), ms) == WAIT_OBJECT_0; }

 private:
  rm::UniqueHandle event_;
};

void WriteName(const char* name, DWORD id) {
  rm::UniqueRegKey key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kTestKey) + "\\" + name).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExA(key.get(), "vtqBEvntID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&id), sizeof(id)),
            ERROR_SUCCESS);
}

std::string TempPath(const char* name) {
  char dir[MAX_PATH] = "";
  ::GetTempPathA(sizeof(dir), dir);
  return std::string(dir) + name;
}

class EventRelayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.init()));
    ASSERT_EQ(rmtest::Fwsim("reset"), 0);
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestKey);
    WriteName("RelayTestDock", 1);
    WriteName("RelayTestAls", 4);
    WriteName("RelayTestWireless", 5);
    ::DeleteFileA(marker_.c_str());
  }
  void TearDown() override {
    relay_.reset();
    connection_.Release();
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestKey);
    ::DeleteFileA(marker_.c_str());
    rmtest::Fwsim("reset");
  }

  EventRelay& Relay() {
    if (!relay_) {
      EventRelay::Options options;
      options.connection = &connection_;
      options.relayKey = kTestKey;
      options.markerPath = marker_;
      options.stopWaitMs = 500;
      relay_ = std::make_unique<EventRelay>(options);
    }
    return *relay_;
  }

  fwsimtest::ComApartment com_;
  WmiConnection connection_;
  std::string marker_ = TempPath("relaytest.events");
  std::unique_ptr<EventRelay> relay_;
  Event dock_{"Global\\RelayTestDock"};
  Event als_{"Global\\RelayTestAls"};
  Event wireless_{"Global\\RelayTestWireless"};
};

TEST_F(EventRelayTest, TheDockSubscriptionRelaysEveryDockEventAndStandsForBoth) {
  EXPECT_EQ(Relay().SubscribeDockEvents(), S_OK);
  EXPECT_TRUE(Relay().Subscribed());
  EXPECT_EQ(::GetFileAttributesA(marker_.c_str()) != INVALID_FILE_ATTRIBUTES, true);
  // One flag for both: the vtqBEvnt request makes no subscription.
  EXPECT_EQ(Relay().SubscribeBiosEvents(), S_OK);
  EXPECT_EQ(Relay().SubscribeDockEvents(), S_OK);
  EXPECT_EQ(Relay().Subscriptions(), 1u);

  ASSERT_EQ(rmtest::Fwsim("dock-event 3"), 0);
  EXPECT_TRUE(dock_.SignalledWithin(5000));
  ASSERT_EQ(rmtest::Fwsim("dock 0 1"), 0);  // docked: a change of the instance
  EXPECT_TRUE(dock_.SignalledWithin(5000));
  // vtqBEvnt is not subscribed: an ALS event reaches nobody.
  ASSERT_EQ(rmtest::Fwsim("event 4 0"), 0);
  ASSERT_EQ(rmtest::Fwsim("dock-event 5"), 0);
  EXPECT_TRUE(dock_.SignalledWithin(5000));
  EXPECT_FALSE(als_.SignalledWithin(0));

  // The stop has no vtqBEvnt subscription to cancel: no wait.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Relay().StopRelay(), S_OK);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
}

// "%ProgramFiles%" that does not fit would put the marker below the drive's
// root: no marker then, and the relay stands all the same.
TEST_F(EventRelayTest, WithoutAFullProgramFilesPathNoMarkerIsWrittenAndTheRelayStands) {
  char saved[MAX_PATH] = "";
  ASSERT_GT(::GetEnvironmentVariableA("ProgramFiles", saved, sizeof saved), 0u);
  EXPECT_EQ(EventsMarkerPath(), std::string(saved) + "\\VTQ\\Shared\\vtqwmi.events");
  const std::string tooLong = "C:\\" + std::string(97, 'p');  // 100 characters
  ASSERT_TRUE(::SetEnvironmentVariableA("ProgramFiles", tooLong.c_str()));
  const std::string path = EventsMarkerPath();
  ASSERT_TRUE(::SetEnvironmentVariableA("ProgramFiles", saved));
  EXPECT_EQ(path, "");

  marker_ = path;
  EXPECT_EQ(Relay().SubscribeBiosEvents(), S_OK);
  EXPECT_TRUE(Relay().Subscribed());
  ASSERT_EQ(rmtest::Fwsim("event 5 0"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(5000));
  EXPECT_EQ(::GetFileAttributesA("\\VTQ\\Shared\\vtqwmi.events"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(EventRelayTest, ARefusedSubscriptionChangesNothingAndTheNextRequestTriesAgain) {
  ASSERT_EQ(rmtest::Fwsim("fault event-classes-missing on"), 0);
  EXPECT_EQ(Relay().SubscribeBiosEvents(), kInvalidClass);
  EXPECT_FALSE(Relay().Subscribed());
  EXPECT_EQ(Relay().Subscriptions(), 0u);
  EXPECT_EQ(::GetFileAttributesA(marker_.c_str()), INVALID_FILE_ATTRIBUTES);
  // Every attempt connects anew.
  const unsigned long connected = connection_.ServicesConnected();
  EXPECT_EQ(Relay().SubscribeDockEvents(), kInvalidClass);
  EXPECT_EQ(connection_.ServicesConnected(), connected + 1);

  ASSERT_EQ(rmtest::Fwsim("fault clear"), 0);
  EXPECT_EQ(Relay().SubscribeBiosEvents(), S_OK);
  EXPECT_EQ(Relay().Subscriptions(), 1u);
  ASSERT_EQ(rmtest::Fwsim("event 5 1"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(5000));

  // The stop cancels and waits; later requests are refused.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Relay().StopRelay(), S_OK);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(Relay().Subscribed());
  EXPECT_EQ(Relay().SubscribeBiosEvents(), RPC_E_SERVERCALL_RETRYLATER);
  ASSERT_EQ(rmtest::Fwsim("event 5 2"), 0);
  ASSERT_EQ(rmtest::Fwsim("event 5 3"), 0);
  EXPECT_FALSE(wireless_.SignalledWithin(1000));
}

// A subscription that hangs in WMI (here: in the locator's creation) holds
// the relay and the connection cache; the stop and the release wait for it
// only a bounded time, and the subscription refused afterwards is refused
// at once.
TEST_F(EventRelayTest, AStopDoesNotWaitBeyondItsBoundForASubscriptionThatHangs) {
  rm::UniqueHandle entered(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  rm::UniqueHandle go(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  WmiConnection hanging([&](IWbemLocator**) {
    ::SetEvent(entered.get());
    ::WaitForSingleObject(go.get(), 20000);
    return E_FAIL;
  });
  EventRelay::Options options;
  options.connection = &hanging;
  options.relayKey = kTestKey;
  options.markerPath = marker_;
  options.stopLockMs = 300;
  EventRelay relay(options);
  HRESULT subscribed = S_OK;
  std::thread client([&] { subscribed = relay.SubscribeBiosEvents(); });
  ASSERT_EQ(::WaitForSingleObject(entered.get(), 5000), WAIT_OBJECT_0);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(relay.StopRelay(), RPC_E_SERVERCALL_RETRYLATER);
  EXPECT_FALSE(hanging.Release(300));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(550));
  EXPECT_LT(took, std::chrono::milliseconds(3000));
  const auto refused = std::chrono::steady_clock::now();
  EXPECT_EQ(relay.SubscribeDockEvents(), RPC_E_SERVERCALL_RETRYLATER);
  EXPECT_LT(std::chrono::steady_clock::now() - refused, std::chrono::milliseconds(200));

  ::SetEvent(go.get());
  client.join();
  EXPECT_EQ(subscribed, E_FAIL);
  EXPECT_FALSE(relay.Subscribed());
  EXPECT_TRUE(hanging.Release(300));
}

}  // namespace
}  // namespace vtq
