// Calls per second of vtqExecMethodEx from one and from four client threads,
// next to no-op calls on an object of the same interface in another process
// (IDispatch::GetTypeInfoCount, and vtqExecMethodEx with the same
// arguments) and next to the same firmware request made in this process
// through WMI (the same stand-in, the steps the bridge takes for each call),
// measured in the same run. Prints figures only.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "common/win/OwningWrappers.h"
#include "tests/bench/noop/NoopBridge.h"
#include "tests/system/bridge/BridgeHarness.h"
#include "tests/support/WmiClient.h"

namespace {

// Runs `call` on `threads` threads, each with its own object from `make`,
// for about `seconds`; calls per second in all.
template <class Make, class Call>
double Rate(int threads, double seconds, Make make, Call call, long* failures) {
  std::atomic<long> calls{0}, failed{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> pool;
  std::atomic<int> ready{0};
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&] {
      ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      {
        auto object = make();
        ++ready;
        while (!object || ready.load() < threads) {
          if (!object) {
            ++failed;
            break;
          }
          std::this_thread::yield();
        }
        while (object && !stop.load()) {
          if (FAILED(call(object))) ++failed;
          ++calls;
        }
      }
      ::CoUninitialize();
    });
  }
  while (ready.load() < threads) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  stop = true;
  const long counted = calls.load();
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (std::thread& t : pool) t.join();
  if (failures) *failures = failed.load();
  return counted / elapsed;
}

}  // namespace

int main() {
  using namespace bridgetest;
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  if (Bridge("/Service") != 0 || !benchnoop::Register(true)) {
    std::printf("bench: registration failed\n");
    return 1;
  }
  SetParameter("Settings", 0);
  SetParameter("MaxAllowed", 0);
  StopBridgeService();
  std::printf("firmware stand-in: %s\n", StandInBuilt() ? "yes" : "no (calls fail at GetObject)");

  auto makeBridge = [] {
    rm::ComPtr<IvtqCallBiosEx> b;
    CreateBridge(b);
    return b;
  };
  auto exec = [](rm::ComPtr<IvtqCallBiosEx>& b) {
    rm::Variant in = ByteArray(0), out = ByteArray(4);
    ULONG ret = 0;
    return b->vtqExecMethodEx(1, 5, 0, 4, &ret, in.get(), out.get());
  };
  // The same call refused by its output check (4 bytes asked for, an array
  // of 8 given): the hop with this signature's marshalling and the bridge's
  // frame, without the firmware.
  auto refused = [](rm::ComPtr<IvtqCallBiosEx>& b) {
    rm::Variant in = ByteArray(0), out = ByteArray(8);
    ULONG ret = 0;
    const HRESULT hr = b->vtqExecMethodEx(1, 5, 0, 4, &ret, in.get(), out.get());
    return hr == static_cast<HRESULT>(0x80041006) ? S_OK : E_FAIL;
  };
  auto makeNoop = [] {
    rm::ComPtr<IvtqCallBiosEx> d;
    benchnoop::Create(d);
    return d;
  };
  auto noop = [](rm::ComPtr<IvtqCallBiosEx>& d) {
    UINT n = 0;
    return d->GetTypeInfoCount(&n);
  };
  // The request in this process: the first vtqBIntM instance's path looked
  // up, then the call built and executed, as the bridge does for each call.
  // One connection shared by every thread, as the bridge shares its own.
  rm::ComPtr<IWbemServices> shared;
  fwsimtest::ConnectFirmware(shared);
  auto makeWmi = [&shared] { return shared; };
  auto inproc = [](rm::ComPtr<IWbemServices>& services) {
    fwsimtest::BiosCall call;
    call.command = 1;
    call.commandType = 5;
    call.sizeOut = 4;
    const fwsimtest::InstancePathResult target = fwsimtest::FirstBiosInstancePath(services.get(), 1);
    if (FAILED(target.hr)) return target.hr;
    call.path = target.path;
    const fwsimtest::BiosAnswer answer = fwsimtest::CallBios(services.get(), call);
    return FAILED(answer.hr) ? answer.hr : answer.returnCode == 0 ? S_OK : E_FAIL;
  };
  // The request's parts: the instance path alone (an enumeration and a
  // property read), and the rest of the request without it.
  auto lookup = [](rm::ComPtr<IWbemServices>& services) {
    return fwsimtest::FirstBiosInstancePath(services.get(), 1).hr;
  };
  auto pathless = [](rm::ComPtr<IWbemServices>& services) {
    fwsimtest::BiosCall call;
    call.command = 1;
    call.commandType = 5;
    call.sizeOut = 4;
    const fwsimtest::BiosAnswer answer = fwsimtest::CallBios(services.get(), call);
    return FAILED(answer.hr) ? answer.hr : answer.returnCode == 0 ? S_OK : E_FAIL;
  };
  // Keeps one no-op object alive for the whole run, so that the server
  // process is not restarted between the measurements.
  rm::ComPtr<IvtqCallBiosEx> keep = makeNoop();
  rm::ComPtr<IvtqCallBiosEx> warm = makeBridge();
  if (warm) exec(warm);

  // What the bridge does around each request besides the hop and the
  // request itself, timed in this process (which has the stand-in loaded
  // as the bridge has): COM's unloading of unused libraries.
  {
    const int n = 2000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) ::CoFreeUnusedLibraries();
    const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / n;
    std::printf("CoFreeUnusedLibraries: %.1f us a call\n", us);
  }

  // Private bytes of this process over in-process requests: what the
  // stand-in itself keeps per request, apart from any bridge.
  {
    auto privateBytes = [] {
      PROCESS_MEMORY_COUNTERS counters = {};
      counters.cb = sizeof counters;
      ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
      return static_cast<double>(counters.PagefileUsage) / 1024.0;
    };
    rm::ComPtr<IWbemServices> services = makeWmi();
    for (int i = 0; i < 200; ++i) inproc(services);
    std::printf("in-process requests, private bytes of this process:");
    for (int round = 0; round <= 3; ++round) {
      if (round)
        for (int i = 0; i < 2000; ++i) inproc(services);
      std::printf(" %.0f KB after %d;", privateBytes(), round * 2000);
    }
    std::printf("\n");
  }
  const double seconds = 3.0;
  {
    long failed = 0;
    const double l = Rate(1, seconds, makeWmi, lookup, &failed);
    const double p = Rate(1, seconds, makeWmi, pathless, &failed);
    std::printf("in-process parts, 1 thread: instance path lookup %.0f us, request without it %.0f us (failed %ld)\n",
                l > 0 ? 1e6 / l : 0.0, p > 0 ? 1e6 / p : 0.0, failed);
  }
  for (int threads : {1, 4}) {
    long execFailed = 0, noopFailed = 0, noopExecFailed = 0, refusedFailed = 0, inprocFailed = 0;
    const double e = Rate(threads, seconds, makeBridge, exec, &execFailed);
    const double r = Rate(threads, seconds, makeBridge, refused, &refusedFailed);
    const double n = Rate(threads, seconds, makeNoop, noop, &noopFailed);
    const double ne = Rate(threads, seconds, makeNoop, exec, &noopExecFailed);
    const double w = Rate(threads, seconds, makeWmi, inproc, &inprocFailed);
    std::printf("%d thread%s, calls/s: vtqExecMethodEx %6.0f (failed %ld) | no-op cross-process %6.0f (failed %ld) | "
                "vtqExecMethodEx on a no-op object %6.0f (failed %ld) | vtqExecMethodEx refused before the firmware "
                "%6.0f (failed %ld) | in-process WMI request %6.0f (failed %ld); vtqExecMethodEx at %.0f %% of the "
                "no-op, at %.0f %% of the same call on a no-op object\n",
                threads, threads == 1 ? " " : "s", e, execFailed, n, noopFailed, ne, noopExecFailed, r, refusedFailed,
                w, inprocFailed, n > 0 ? 100.0 * e / n : 0.0, ne > 0 ? 100.0 * e / ne : 0.0);
    // The time a call takes on its thread, split: the hop with this
    // signature's marshalling, the bridge's frame (its checks and answer
    // without the firmware), the firmware request, and what is left for
    // the bridge's own work around the request.
    auto us = [threads](double rate) { return rate > 0 ? threads * 1e6 / rate : 0.0; };
    std::printf("   a call on its thread: vtqExecMethodEx %.0f us = hop with these arguments %.0f (of which the bare "
                "hop %.0f) + the bridge's frame %.0f + request in-process %.0f + rest %.0f us\n",
                us(e), us(ne), us(n), us(r) - us(ne), us(w), us(e) - us(r) - us(w));
  }
  warm.reset();
  keep.reset();
  StopBridgeService();
  Bridge("/UnregServer");
  benchnoop::Register(false);
  return 0;
}
