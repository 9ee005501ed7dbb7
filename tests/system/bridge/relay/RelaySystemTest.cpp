// The bridge's firmware event relay under Wine as its clients see it: the
// bridge service started by COM, events raised by the firmware stand-in,
// the relay events created by this (client) process.
#include <atomic>
#include <regex>
#include <thread>

#include "tests/support/Registry.h"
#include "tests/system/bridge/relay/RelayHarness.h"

namespace relaytest {
namespace {

const char kFired[] = "a BIOS WMI Event is Fired";

// The log's line of one relayed vtqBEvnt object.
std::regex FiredLine(int count, int id, int data) {
  return std::regex("a BIOS WMI Event is Fired, RefCount: \\d+, lObjectCount:" + std::to_string(count) +
                    ", EventID:" + std::to_string(id) + ", EventData: " + std::to_string(data));
}
int CountMatching(const std::vector<std::string>& lines, const std::regex& pattern) {
  int n = 0;
  for (const std::string& line : lines) n += std::regex_match(line, pattern);
  return n;
}

TEST_F(RelaySystem, EachEventIdSignalsItsOwnNamesAndADeliveryGoesOnPastUnnamedIds) {
  Subscribe();
  // Deliveries come in order, so once a later event has arrived the earlier
  // ones have been relayed in full.
  ASSERT_EQ(Fwsim("event 4 300"), 0);
  ASSERT_EQ(Fwsim("event 5 1"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(5000));
  EXPECT_TRUE(als_.Signalled());
  EXPECT_FALSE(dock_.Signalled());

  ASSERT_EQ(Fwsim("event 1 0"), 0);
  ASSERT_EQ(Fwsim("event 5 2"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(5000));
  EXPECT_TRUE(dock_.Signalled());
  EXPECT_FALSE(als_.Signalled());

  // A dock change raises vtqBEvnt 1 (and vtqDockEvent, which this
  // subscription does not receive).
  ASSERT_EQ(Fwsim("dock-event 7"), 0);
  ASSERT_EQ(Fwsim("event 5 3"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(5000));
  EXPECT_TRUE(dock_.Signalled());
  EXPECT_FALSE(als_.Signalled());

  // IDs without names signal nothing.
  for (const char* id : {"0", "2", "3", "6", "-1"}) ASSERT_EQ(Fwsim(std::string("event ") + id + " 0"), 0);
  ASSERT_EQ(Fwsim("event 4 9"), 0);
  EXPECT_TRUE(als_.SignalledWithin(5000));
  EXPECT_FALSE(dock_.Signalled());
  EXPECT_FALSE(wireless_.Signalled());

  // Several objects in one delivery: an unnamed ID first does not stop the
  // ones after it.
  ASSERT_EQ(Fwsim("event 2 0 5 4"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(5000));
  ASSERT_EQ(Fwsim("event 0 0 3 0 1 5"), 0);
  EXPECT_TRUE(dock_.SignalledWithin(5000));
  ASSERT_EQ(Fwsim("event 6 0 4 6"), 0);
  EXPECT_TRUE(als_.SignalledWithin(5000));
  EXPECT_FALSE(wireless_.Signalled());
  EXPECT_FALSE(dock_.Signalled());

  // One line per object, with the delivery's object count.
  std::vector<std::string> lines;
  ASSERT_TRUE(traytest::WaitFor([&] { return (lines = LogMessages(kFired)).size() >= 19; }, std::chrono::seconds(10)));
  EXPECT_EQ(lines.size(), 19u);
  EXPECT_EQ(CountMatching(lines, FiredLine(1, 4, 300)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(1, 1, 7)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(1, -1, 0)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(2, 2, 0)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(2, 5, 4)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(3, 0, 0)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(3, 3, 0)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(3, 1, 5)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(2, 6, 0)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(2, 4, 6)), 1);
}

// Requests from several clients at once, a second request and a 0 make one
// subscription that stays.
TEST_F(RelaySystem, ManyRequestsMakeOneSubscriptionAndZeroKeepsIt) {
  Activate();
  constexpr int kClients = 6;
  std::vector<std::thread> clients;
  std::atomic<int> ok{0};
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&] {
      ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      {
        rm::ComPtr<IvtqCallBiosEx> bridge;
        if (bridgetest::CreateBridge(bridge) == S_OK && bridge->vtqSetupWmiEvents(1) == S_OK) ++ok;
      }
      ::CoUninitialize();
    });
  }
  for (std::thread& t : clients) t.join();
  EXPECT_EQ(ok.load(), kClients);
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(1), S_OK);
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);

  ASSERT_EQ(Fwsim("event 5 77"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(5000));
  ASSERT_EQ(Fwsim("event 4 78"), 0);
  EXPECT_TRUE(als_.SignalledWithin(5000));
  // Each event reached the relay once: one subscription.
  std::vector<std::string> lines;
  ASSERT_TRUE(traytest::WaitFor([&] { return (lines = LogMessages(kFired)).size() >= 2; }, std::chrono::seconds(10)));
  EXPECT_EQ(lines.size(), 2u);
  EXPECT_EQ(CountMatching(lines, FiredLine(1, 5, 77)), 1);
  EXPECT_EQ(CountMatching(lines, FiredLine(1, 4, 78)), 1);
  EXPECT_EQ(LogMessages("vtqSetupWmiEvents returns: 0x00000000").size(), 8u);
  EXPECT_TRUE(LogMessages("vtqSetupWmiEvents FAILED").empty());
}

// The marker file, the start-up re-subscription and the stop's wait.
TEST_F(RelaySystem, ABridgeRestartedWhileTheMarkerExistsSubscribesAfterTenSecondsAndStopWaitsFiveSeconds) {
  // Unsubscribed, a stop does not wait.
  Activate();
  ASSERT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  bridge_.reset();
  auto start = Clock::now();
  ASSERT_TRUE(bridgetest::StopBridgeService());
  EXPECT_LT(SecondsSince(start), 3.0);

  // The bridge does not make the marker's folder; where it exists, an
  // accepted subscription leaves an empty marker to be deleted at the next
  // restart of the computer.
  ASSERT_TRUE(::CreateDirectoryA((ProgramFiles() + "\\VTQ").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA(MarkerFolder().c_str(), nullptr));
  Subscribe();
  ASSERT_TRUE(FileExists(MarkerFile()));
  std::string content = "x";
  ASSERT_TRUE(bridgetest::ReadFileText(MarkerFile(), content));
  EXPECT_EQ(content, "");
  {
    const rmtest::RegValue pending = rmtest::ReadValue(
        HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations");
    ASSERT_TRUE(pending.exists);
    const std::string all(pending.data.begin(), pending.data.end());
    std::string lower = all;
    for (char& c : lower) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("\\vtq\\shared\\vtqwmi.events"), std::string::npos);
  }
  bridge_.reset();

  // The stop cancels the subscription and then waits five seconds.
  start = Clock::now();
  ASSERT_TRUE(bridgetest::StopBridgeService());
  EXPECT_GE(SecondsSince(start), 4.9);
  EXPECT_LT(SecondsSince(start), 9.0);
  ASSERT_TRUE(FileExists(MarkerFile()));

  // Restarted by an activation alone, the bridge subscribes 10 s after its
  // start: events raised before then are not relayed, later ones are.
  ::DeleteFileA(bridgetest::LogFile().c_str());
  start = Clock::now();
  Activate();
  ASSERT_EQ(Fwsim("event 5 1"), 0);
  EXPECT_FALSE(wireless_.SignalledWithin(1000));
  EXPECT_LT(SecondsSince(start), 9.0);
  bool relayed = false;
  double at = 0;
  while (!relayed && SecondsSince(start) < 25.0) {
    ASSERT_EQ(Fwsim("event 5 2"), 0);
    relayed = wireless_.SignalledWithin(250);
    at = SecondsSince(start);
  }
  EXPECT_TRUE(relayed);
  EXPECT_GE(at, 10.0);
  EXPECT_LT(at, 18.0);
  EXPECT_TRUE(LogMessages("vtqSetupWmiEvents").empty());
  EXPECT_FALSE(LogMessages(kFired).empty());
  bridge_.reset();
  start = Clock::now();
  ASSERT_TRUE(bridgetest::StopBridgeService());
  EXPECT_GE(SecondsSince(start), 4.9);

  // Without the marker (gone with a restart of the computer) a restarted
  // bridge waits for a client.
  ASSERT_TRUE(::DeleteFileA(MarkerFile().c_str()));
  start = Clock::now();
  Activate();
  ASSERT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  EXPECT_FALSE(traytest::WaitFor([&] { return Fwsim("event 5 3") == 0 && wireless_.SignalledWithin(250); },
                                 std::chrono::seconds(13)));
  EXPECT_GE(SecondsSince(start), 12.0);
  EXPECT_FALSE(FileExists(MarkerFile()));
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(1), S_OK);
  ASSERT_EQ(Fwsim("event 5 4"), 0);
  EXPECT_TRUE(wireless_.SignalledWithin(5000));
  EXPECT_TRUE(FileExists(MarkerFile()));
}

}  // namespace
}  // namespace relaytest
