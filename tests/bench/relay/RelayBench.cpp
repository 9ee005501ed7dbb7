// The event road's latency: from a wireless button press raised in the
// firmware stand-in to rmtray's new tooltip in the notification area
// (stand-in -> bridge sink -> named event -> watcher -> Refresh with its
// 10 ms sleep -> change message -> tray window), next to a bare named-event
// wake-up between two processes measured in the same run. Prints figures;
// fails only when it cannot measure.
//
//   relay_bench            the benchmark
//   relay_bench --echo     the other process of the bare wake-up
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fwsim/machine/SharedMachine.h"
#include "fwsim/model/Firmware.h"
#include "tests/system/bridge/BridgeHarness.h"
#include "tests/system/tray/NotifyArea.h"

namespace {

constexpr int kRounds = 200;
constexpr char kPing[] = "Local\\RelayBench.Ping";
constexpr char kTimes[] = "Local\\RelayBench.Times";

struct WakeTimes {
  volatile LONG count;
  volatile LONGLONG woke;  // QueryPerformanceCounter when the echo woke
};

LONGLONG Now() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double Ms(LONGLONG ticks) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(f.QuadPart);
}

void Print(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const auto at = [&](double q) { return ms[static_cast<std::size_t>(q * static_cast<double>(ms.size() - 1))]; };
  std::printf("  %-44s median %7.3f ms   95th %7.3f ms   min %7.3f   max %7.3f   (%zu)\n", what, at(0.5), at(0.95),
              ms.front(), ms.back(), ms.size());
}

int Echo() {
  rm::UniqueHandle ping(::OpenEventA(SYNCHRONIZE, FALSE, kPing));
  rm::UniqueHandle mapping(::OpenFileMappingA(FILE_MAP_WRITE, FALSE, kTimes));
  if (!ping || !mapping) return 1;
  auto* times = static_cast<WakeTimes*>(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(WakeTimes)));
  if (!times) return 1;
  while (::WaitForSingleObject(ping.get(), 10000) == WAIT_OBJECT_0) {
    times->woke = Now();
    ::InterlockedIncrement(&times->count);
  }
  ::UnmapViewOfFile(times);
  return 0;
}

// SetEvent in this process, the wake-up in another.
std::vector<double> BareWakeups() {
  std::vector<double> ms;
  rm::UniqueHandle ping(::CreateEventA(nullptr, FALSE, FALSE, kPing));
  rm::UniqueHandle mapping(
      ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(WakeTimes), kTimes));
  if (!ping || !mapping) return ms;
  auto* times = static_cast<WakeTimes*>(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(WakeTimes)));
  if (!times) return ms;
  char self[MAX_PATH] = "";
  ::GetModuleFileNameA(nullptr, self, sizeof self);
  traytest::Process echo = traytest::Process::Start(self, "--echo");
  // The echo is waiting once a first ping comes back.
  LONG seen = 0;
  traytest::WaitFor(
      [&] {
        ::SetEvent(ping.get());
        ::Sleep(50);
        return (seen = times->count) > 0;
      },
      std::chrono::seconds(10));
  for (int i = 0; i < kRounds && seen > 0; ++i) {
    ::Sleep(5);
    const LONGLONG start = Now();
    ::SetEvent(ping.get());
    while (times->count == seen) ::SwitchToThread();
    seen = times->count;
    ms.push_back(Ms(times->woke - start));
  }
  ::UnmapViewOfFile(times);
  echo.Kill();
  return ms;
}

// Button presses raised in the stand-in; each flips the tooltip between
// the radios' states and "Disabled". The first is not measured.
std::vector<double> Road(fwsim::SharedMachine& machine, traytest::NotifyArea& area, HWND tray) {
  std::vector<double> ms;
  auto tip = [&] {
    const auto icon = area.FindIcon(tray, 201);
    return icon ? icon->tip : std::wstring();
  };
  for (int i = -1; i < kRounds; ++i) {
    const std::wstring before = tip();
    const LONGLONG start = Now();
    machine.Update([](fwsim::model::MachineState& s) {
      fwsim::model::Firmware(s).PressButton();
      return true;
    });
    const LONGLONG limit = start + static_cast<LONGLONG>((i < 0 ? 20000.0 : 5000.0) / Ms(1));
    std::wstring after = before;
    while ((after = tip()) == before && Now() < limit) ::Sleep(1);  // no spinning: two cores
    if (after == before) {
      std::printf("relay_bench: press %d did not change the tooltip in time\n", i + 1);
      break;
    }
    if (i >= 0) ms.push_back(Ms(Now() - start));
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--echo") == 0) return Echo();
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  std::unique_ptr<fwsim::SharedMachine> machine = fwsim::SharedMachine::OpenShared();
  if (!machine || traytest::Fwsim("profile both") != 0) {
    std::printf("relay_bench: the stand-in's machine cannot be opened\n");
    return 1;
  }
  if (!bridgetest::RegisterBridgeService()) {
    std::printf("relay_bench: the bridge does not register\n");
    return 1;
  }
  traytest::DeleteSettingsKey();
  traytest::WriteSettingDword("DisableBalloons", 1);
  traytest::Process tray = traytest::Process::Start(traytest::TrayExe(), "");
  const HWND window = traytest::WaitForProcessWindow(tray.id(), "#32770", "", /*visible=*/false);
  traytest::NotifyArea area;
  if (!window || !area.ok() || !area.WaitForIcon(window, 201, {}, std::chrono::seconds(20))) {
    std::printf("relay_bench: rmtray's icon did not appear\n");
    return 1;
  }
  // Subscriptions are made one at a time: once this request has returned,
  // the relay that rmtray asked for at its first display stands.
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  {
    rm::ComPtr<IvtqCallBiosEx> bridge;
    const HRESULT hr = bridgetest::CreateBridge(bridge);
    if (FAILED(hr) || FAILED(bridge->vtqSetupWmiEvents(1))) {
      std::printf("relay_bench: the bridge does not relay (0x%08lX)\n", static_cast<unsigned long>(hr));
      return 1;
    }
  }
  std::vector<double> road = Road(*machine, area, window);
  const std::vector<double> bare = BareWakeups();
  ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(1, 0), 0);
  tray.WaitExit(std::chrono::seconds(15));
  traytest::Fwsim("profile both");
  traytest::DeleteSettingsKey();

  std::printf("Event road latency, %d rounds each:\n", kRounds);
  if (!road.empty()) Print("button press -> rmtray's new tooltip", road);
  if (!bare.empty()) Print("bare named-event wake-up, two processes", bare);
  std::printf("  (the road holds the 10 ms sleep of the watcher's re-read)\n");
  return road.size() == static_cast<std::size_t>(kRounds) && !bare.empty() ? 0 : 1;
}
