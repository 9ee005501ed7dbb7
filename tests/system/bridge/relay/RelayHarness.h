// What the relay's system tests share: the bridge registered as a service
// for the suite and started by COM, the relay events created as their
// clients create them, the stand-in's tool, the bridge's log lines of
// relayed events, and the events marker file.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/system/bridge/BridgeHarness.h"
#include "tests/support/WmiClient.h"
#include "tests/support/TrayMachine.h"

namespace relaytest {

inline constexpr char kDockEvent[] = "Global\\VtqWmiBiosDockEvent";
inline constexpr char kAlsEvent[] = "Global\\VtqWmiBiosALSEvent";
inline constexpr char kWirelessEvent[] = "Global\\VtqWmiBiosWirelessEvent";

using Clock = std::chrono::steady_clock;
inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// An auto-reset event, created (or opened) with default security as a
// client of the relay creates it.
class ClientEvent {
 public:
  explicit ClientEvent(const char* name) : event_(::CreateEventA(nullptr, FALSE, FALSE, name)) {}
  explicit operator bool() const { return static_cast<bool>(event_); }
  // Whether it is or becomes signalled within the time; a wait that
  // returns resets it, as the client's wait does.
  bool SignalledWithin(DWORD timeoutMs) { return ::WaitForSingleObject(event_.get(), timeoutMs) == WAIT_OBJECT_0; }
  bool Signalled() { return SignalledWithin(0); }

 private:
  rm::UniqueHandle event_;
};

// The stand-in's tool: its exit code, 0 when it did what was asked.
using rmtest::Fwsim;

// The vtqBIntM requests the stand-in's firmware has answered so far.
inline long RequestsAnswered() {
  const std::string out = traytest::FwsimOutput("show");
  const std::string label = "firmware requests answered: ";
  const std::size_t at = out.find(label);
  return at == std::string::npos ? -1 : std::strtol(out.c_str() + at + label.size(), nullptr, 10);
}

// The messages of the bridge's log (without the time stamp) that contain `part`.
inline std::vector<std::string> LogMessages(const std::string& part) {
  std::vector<std::string> found;
  for (const std::string& line : bridgetest::LogLines()) {
    const std::size_t text = line.find("  ");
    if (text != std::string::npos && line.find(part, text) != std::string::npos) found.push_back(line.substr(text + 2));
  }
  return found;
}

inline std::string ProgramFiles() {
  char path[MAX_PATH] = "";
  ::ExpandEnvironmentStringsA("%ProgramFiles%", path, sizeof(path));
  return path;
}
inline std::string MarkerFolder() { return ProgramFiles() + "\\VTQ\\Shared"; }
inline std::string MarkerFile() { return MarkerFolder() + "\\vtqwmi.events"; }
inline bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline void RemoveMarkerAndFolder() {
  ::DeleteFileA(MarkerFile().c_str());
  ::RemoveDirectoryA(MarkerFolder().c_str());
  ::RemoveDirectoryA((ProgramFiles() + "\\VTQ").c_str());
}

// A suite's bridge: registered as a service with no events marker file
// before the suite, removed with the marker folder after it.
inline void RegisterBridgeForSuite() {
  RemoveMarkerAndFolder();
  ASSERT_TRUE(bridgetest::RegisterBridgeService());
}
inline void RemoveBridgeAfterSuite() {
  bridgetest::RemoveBridgeService();
  RemoveMarkerAndFolder();
}

// The bridge registered as a service for the suite (and removed after it),
// both log flags on, the machine of profile "both" without faults, no
// events marker file; the bridge stopped before and after each test.
class RelaySystem : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterBridgeForSuite(); }
  static void TearDownTestSuite() { RemoveBridgeAfterSuite(); }

  void SetUp() override {
    ASSERT_TRUE(traytest::StandInBuilt());
    ASSERT_TRUE(SUCCEEDED(comInit_ = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_TRUE(bridgetest::StopBridgeService());
    RemoveMarkerAndFolder();
    ASSERT_TRUE(bridgetest::SetParameter("MaxAllowed", 0));
    ASSERT_TRUE(bridgetest::SetParameter("Settings", 3));
    ::DeleteFileA(bridgetest::LogFile().c_str());
    ASSERT_TRUE(profile_.ok());
    ASSERT_TRUE(dock_ && als_ && wireless_);
  }
  void TearDown() override {
    bridge_.reset();
    bridgetest::StopBridgeService();
    RemoveMarkerAndFolder();
    if (SUCCEEDED(comInit_)) ::CoUninitialize();
  }

  // Activates vtqCallBiosEx: COM starts the bridge as a service.
  void Activate() { ASSERT_EQ(bridgetest::CreateBridge(bridge_), S_OK); }
  void Subscribe() {
    Activate();
    ASSERT_EQ(bridge_->vtqSetupWmiEvents(1), S_OK);
  }

  HRESULT comInit_ = E_FAIL;
  traytest::MachineProfile profile_{"both"};
  ClientEvent dock_{kDockEvent};
  ClientEvent als_{kAlsEvent};
  ClientEvent wireless_{kWirelessEvent};
  rm::ComPtr<IvtqCallBiosEx> bridge_;
};

}  // namespace relaytest
