// The bridge under load: two client processes of four threads each make
// 5,000 mixed calls per process (firmware requests, machine record,
// displays, data blocks, relay setup) while the stand-in raises events.
// Every answer is the simulated notebook's, every relayed event reaches the
// client waiting on its name, every call and event has its own whole log
// line, and the service stays up in one process. Prints the figures.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "tests/system/bridge/relay/RelayHarness.h"

namespace relaytest {
namespace {

constexpr int kClients = 2;
constexpr int kThreadsPerClient = 4;
constexpr int kCallsPerThread = 1250;  // 5,000 per client process
constexpr int kMinimumEvents = 30;

std::string LoadClientExe() { return rmtest::BuildWinPath("tests/system/reliability/reliability_load_client.exe"); }

// A client's report: name -> (made, wrong).
std::map<std::string, std::pair<double, long>> ReadReport(const std::string& path) {
  std::map<std::string, std::pair<double, long>> report;
  std::ifstream in(path);
  std::string name;
  double made = 0;
  long wrong = 0;
  while (in >> name >> made >> wrong) report[name] = {made, wrong};
  return report;
}

// Counts the pulses of one relay event name while the test runs.
class Waiter {
 public:
  explicit Waiter(ClientEvent& event) : thread_([this, &event] {
      while (!stop_) if (event.SignalledWithin(100)) ++count_;
    }) {}
  ~Waiter() {
    stop_ = true;
    thread_.join();
  }
  long count() const { return count_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<long> count_{0};
  std::thread thread_;
};

using LoadSystem = RelaySystem;

TEST_F(LoadSystem, TwoClientProcessesOfFourThreadsWhileTheFirmwareRaisesEvents) {
  ASSERT_EQ(Fwsim("display 0 2"), 0);
  ASSERT_EQ(Fwsim("display 1 2"), 0);
  ASSERT_EQ(Fwsim("dock count 8"), 0);
  Subscribe();
  const bridgetest::ServiceState before = bridgetest::QueryBridgeService();
  ASSERT_EQ(before.state, static_cast<DWORD>(SERVICE_RUNNING));

  std::map<int, std::set<long>> raised;  // event ID -> EventData values
  long relayed = 0, missed = 0;
  double slowest = 0;
  const Clock::time_point start = Clock::now();
  {
    Waiter wirelessWaiter(wireless_), alsWaiter(als_), dockWaiter(dock_);
    std::vector<traytest::Process> clients;
    std::vector<std::string> reports;
    for (int c = 0; c < kClients; ++c) {
      reports.push_back(rmtest::WinPath(RM_BUILD_DIR) + "\\load-client-" + std::to_string(c) + ".txt");
      ::DeleteFileA(reports.back().c_str());
      clients.push_back(traytest::Process::Start(
          LoadClientExe(), std::to_string(kThreadsPerClient) + " " + std::to_string(kCallsPerThread) + " " +
                               std::to_string(c * kThreadsPerClient) + " \"" + reports.back() + "\""));
      ASSERT_TRUE(clients.back()) << LoadClientExe();
    }
    // One event at a time, each awaited on its name before the next, for as
    // long as the clients run.
    auto running = [&] {
      for (const traytest::Process& p : clients)
        if (p.Running()) return true;
      return false;
    };
    for (long n = 1; running() || n <= kMinimumEvents; ++n) {
      const int id = n % 3 == 0 ? 1 : n % 3 == 1 ? 5 : 4;
      Waiter& waiter = id == 5 ? wirelessWaiter : id == 4 ? alsWaiter : dockWaiter;
      const long seen = waiter.count();
      const Clock::time_point raisedAt = Clock::now();
      ASSERT_EQ(
          Fwsim(id == 1 ? "dock-event " + std::to_string(n) : "event " + std::to_string(id) + " " + std::to_string(n)),
          0);
      raised[id].insert(n);
      if (traytest::WaitFor([&] { return waiter.count() > seen; }, std::chrono::seconds(10))) {
        ++relayed;
        slowest = std::max(slowest, SecondsSince(raisedAt));
      } else {
        ++missed;
      }
    }
    for (int c = 0; c < kClients; ++c) {
      DWORD code = 99;
      ASSERT_TRUE(clients[c].WaitExit(std::chrono::seconds(120), &code));
      EXPECT_EQ(code, 0u) << "client " << c << " had wrong answers";
    }
    // The test's own requests: the figures below count only the clients'.
    std::map<std::string, long> made;
    double clientSeconds = 0;
    for (const std::string& path : reports) {
      for (const auto& [name, value] : ReadReport(path)) {
        if (name == "seconds") {
          clientSeconds = std::max(clientSeconds, value.first);
          continue;
        }
        made[name] += static_cast<long>(value.first);
        EXPECT_EQ(value.second, 0) << name << " answered wrongly in " << path;
      }
    }
    long calls = 0;
    for (const char* kind : {"exec-read", "exec-switch", "exec-unknown", "info", "attached", "turn-on",
                             "block-write", "block-read", "setup"})
      calls += made[kind];
    EXPECT_EQ(calls, 10000);
    EXPECT_EQ(made["unconnected"], 0);

    // The log: every line whole and stamped, one per call and per event.
    const std::string stamp = "\\d\\d:\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d\\d\\d\\d  ";
    const std::regex exec(stamp + "vtqExecMethodEx CallCount: \\d+, Cmd: ([129])h, Type: 5h, returns: 0x00000000");
    const std::regex block(stamp + "CWmiKestrel::vtqExecDataBlock Cmd: ([12]), Inst:[0-7], State: \\d+, returns: 0x00000000");
    const std::regex event(stamp + "a BIOS WMI Event is Fired, RefCount: \\d+, lObjectCount:1, EventID:([145]), EventData: (\\d+)");
    const std::map<std::string, std::regex> fixed = {
        {"start", std::regex(stamp + "VTQWMI Service Started")},
        {"info", std::regex(stamp + "vtqGetMachineInfoEx returns: 0x00000000")},
        {"attached", std::regex(stamp + "vtqGetAttachedExternalDisplays returns: 0x00000002")},
        {"turn-on", std::regex(stamp + "vtqTurnOnExternalDisplays returns: 0x00000000")},
        {"setup", std::regex(stamp + "vtqSetupWmiEvents returns: 0x00000000")},
        {"kestrel-setup", std::regex(stamp + "vtqSetupEvent returns: 0x00000000")},
    };
    std::map<std::string, long> lines;
    std::map<int, std::set<long>> logged;
    long torn = 0;
    std::string firstTorn;
    const std::vector<std::string> log = bridgetest::LogLines();
    for (const std::string& line : log) {
      std::smatch m;
      if (std::regex_match(line, m, exec)) {
        ++lines[m[1] == "1" ? "exec-read" : m[1] == "2" ? "exec-switch" : "exec-unknown"];
      } else if (std::regex_match(line, m, block)) {
        ++lines[m[1] == "2" ? "block-write" : "block-read"];
      } else if (std::regex_match(line, m, event)) {
        logged[std::stoi(m[1])].insert(std::stol(m[2]));
        ++lines["event"];
      } else {
        bool known = false;
        for (const auto& [name, pattern] : fixed)
          if (!known && std::regex_match(line, pattern)) {
            ++lines[name];
            known = true;
          }
        if (!known && torn++ == 0) firstTorn = line;
      }
    }
    EXPECT_EQ(torn, 0) << "first: " << firstTorn;
    EXPECT_EQ(lines["start"], 1);
    for (const char* kind : {"exec-read", "exec-switch", "exec-unknown", "info", "attached", "turn-on",
                             "block-write", "block-read", "kestrel-setup"})
      EXPECT_EQ(lines[kind], made[kind]) << kind;
    // The test's own subscription and the clients' bridge setups.
    EXPECT_EQ(lines["setup"], 1 + made["setup"] - made["kestrel-setup"]);
    EXPECT_EQ(logged, raised);
    EXPECT_EQ(missed, 0);
    const long events = static_cast<long>(raised[1].size() + raised[4].size() + raised[5].size());
    EXPECT_EQ(lines["event"], events);

    const bridgetest::ServiceState after = bridgetest::QueryBridgeService();
    EXPECT_EQ(after.state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(after.pid, before.pid);

    std::printf("load: %ld calls from %d processes of %d threads in %.1f s: %.0f calls/s; "
                "%ld events raised, %ld relayed, %ld missed, slowest %.2f s from raise to waiting client; "
                "%zu log lines, %ld torn; service process %lu throughout\n",
                calls, kClients, kThreadsPerClient, clientSeconds, clientSeconds > 0 ? calls / clientSeconds : 0.0,
                events, relayed, missed, slowest, log.size(), torn, static_cast<unsigned long>(after.pid));
    std::printf("load: whole run %.1f s\n", SecondsSince(start));
  }
}

}  // namespace
}  // namespace relaytest
