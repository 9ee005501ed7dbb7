// One client process of the load test: THREADS threads, each with its own
// vtqCallBiosEx and WmiKestrel objects, make CALLS mixed calls each and
// compare every answer with what the simulated notebook of profile "both"
// answers (both displays set to 2 by the test, one dock instance per
// thread from FIRST-INSTANCE on). Writes its counts to REPORT-FILE:
//
//   LoadClient THREADS CALLS FIRST-INSTANCE REPORT-FILE
//
// Exit code 0 when every answer was right, 1 otherwise, 2 on a usage error.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/system/bridge/BridgeHarness.h"

namespace {

using bridgetest::ByteArray;
using bridgetest::BytesOf;

// The kinds of call, in the order each thread cycles through them.
enum Kind { kRead, kSwitch, kUnknown, kInfo, kAttached, kTurnOn, kBlockWrite, kBlockRead, kSetup, kKinds };
const char* const kKindNames[kKinds] = {"exec-read", "exec-switch", "exec-unknown", "info", "attached",
                                        "turn-on",   "block-write", "block-read",   "setup"};

struct Counts {
  std::atomic<long> made[kKinds] = {};
  std::atomic<long> wrong[kKinds] = {};
  std::atomic<long> kestrelSetups{0};
  std::atomic<bool> reported{false};
};

// The first wrong answer is described on stderr; the count tells the rest.
void Wrong(Counts& c, Kind kind, const char* what, HRESULT hr, unsigned long value) {
  ++c.wrong[kind];
  if (!c.reported.exchange(true))
    std::fprintf(stderr, "load client: wrong answer to %s: %s (hr 0x%08lX, value 0x%08lX)\n", kKindNames[kind], what,
                 static_cast<unsigned long>(hr), value);
}

std::string TextAt(const std::vector<BYTE>& record, std::size_t offset) {
  std::string s;
  for (std::size_t i = offset; i < record.size() && record[i]; ++i) s.push_back(static_cast<char>(record[i]));
  return s;
}

void Call(Counts& c, IvtqCallBiosEx* bridge, IvtqCallKestrelBios* kestrel, Kind kind, ULONG instance,
          ULONG& written, int i) {
  ++c.made[kind];
  switch (kind) {
    case kRead: {  // the wireless status word of profile "both"
      rm::Variant in = ByteArray(0), out = ByteArray(4);
      ULONG ret = 0xAAAA;
      const HRESULT hr = bridge->vtqExecMethodEx(1, 5, 0, 4, &ret, in.get(), out.get());
      const std::vector<BYTE> bytes = BytesOf(out.get());
      if (hr != S_OK || ret != 0 || bytes != std::vector<BYTE>{0x3B, 0x0F, 0x0F, 0x00})
        Wrong(c, kind, "status word", hr, ret);
      break;
    }
    case kSwitch: {  // all radios on, as they are: done, nothing changes
      rm::Variant in = ByteArray(4), out;
      {
        rm::SafeArrayData data(V_ARRAY(in.get()));
        static_cast<BYTE*>(data.data())[0] = 0x08;
        static_cast<BYTE*>(data.data())[1] = 0x08;
      }
      ULONG ret = 0xAAAA;
      const HRESULT hr = bridge->vtqExecMethodEx(2, 5, 4, 0, &ret, in.get(), out.get());
      if (hr != S_OK || ret != 0) Wrong(c, kind, "switch request", hr, ret);
      break;
    }
    case kUnknown: {  // an unknown command: return code 1 and zeros
      rm::Variant in = ByteArray(0), out = ByteArray(4, 0x55);
      ULONG ret = 0xAAAA;
      const HRESULT hr = bridge->vtqExecMethodEx(9, 5, 0, 4, &ret, in.get(), out.get());
      if (hr != S_OK || ret != 1 || BytesOf(out.get()) != std::vector<BYTE>(4, 0))
        Wrong(c, kind, "unknown command", hr, ret);
      break;
    }
    case kInfo: {  // the built-in SMBIOS table's notebook
      rm::Variant record = ByteArray(388);
      ULONG size = 388;
      const HRESULT hr = bridge->vtqGetMachineInfoEx(&size, record.get());
      const std::vector<BYTE> bytes = BytesOf(record.get());
      if (hr != S_OK || size != 388 || bytes.size() != 388 || bytes[0] != 0x84 || bytes[1] != 0x01 ||
          TextAt(bytes, 36) != "Kestrel Computer Corp." || TextAt(bytes, 100) != "KS14A2-0042-7731" ||
          TextAt(bytes, 308) != "Sparrow 14 KS14")
        Wrong(c, kind, "machine record", hr, size);
      break;
    }
    case kAttached: {
      ULONG device = 0xAAAA;
      const HRESULT hr = bridge->vtqGetAttachedExternalDisplays(&device);
      if (hr != S_OK || device != 2) Wrong(c, kind, "attached displays", hr, device);
      break;
    }
    case kTurnOn: {
      const HRESULT hr = bridge->vtqTurnOnExternalDisplays(2);
      if (hr != S_OK) Wrong(c, kind, "display switch", hr, 2);
      break;
    }
    case kBlockWrite: {  // this thread's own dock instance
      ULONG state = (instance << 16) | static_cast<ULONG>(i & 0xFFFF);
      const HRESULT hr = kestrel->vtqExecDataBlock(2, instance, &state);
      if (hr != S_OK) Wrong(c, kind, "data block write", hr, state);
      else written = state;
      break;
    }
    case kBlockRead: {
      ULONG state = 0xAAAA;
      const HRESULT hr = kestrel->vtqExecDataBlock(1, instance, &state);
      if (hr != S_OK || state != written) Wrong(c, kind, "data block read", hr, state);
      break;
    }
    case kSetup: {  // the relay stands already: both answer S_OK
      HRESULT hr;
      if (i % 2) {
        hr = kestrel->vtqSetupEvent(1);
        ++c.kestrelSetups;
      } else {
        hr = bridge->vtqSetupWmiEvents(1);
      }
      if (hr != S_OK) Wrong(c, kind, "relay setup", hr, static_cast<unsigned long>(i % 2));
      break;
    }
    default:
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: LoadClient THREADS CALLS FIRST-INSTANCE REPORT-FILE\n");
    return 2;
  }
  const int threads = std::atoi(argv[1]);
  const int calls = std::atoi(argv[2]);
  const ULONG firstInstance = static_cast<ULONG>(std::atoi(argv[3]));
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE,
                         nullptr, EOAC_NONE, nullptr);
  Counts counts;
  std::atomic<long> unconnected{0};
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      {
        rm::ComPtr<IvtqCallBiosEx> bridge;
        rm::ComPtr<IvtqCallKestrelBios> kestrel;
        if (FAILED(bridgetest::CreateBridge(bridge)) ||
            FAILED(::CoCreateInstance(CLSID_WmiKestrel, nullptr, CLSCTX_LOCAL_SERVER, IID_IvtqCallKestrelBios,
                                      kestrel.put_void()))) {
          ++unconnected;
        } else {
          const ULONG instance = firstInstance + static_cast<ULONG>(t);
          ULONG written = 0;
          // Each thread starts at another kind, so that all kinds run at once.
          for (int i = 0; i < calls; ++i)
            Call(counts, bridge.get(), kestrel.get(), static_cast<Kind>((i + t * 2) % kKinds), instance, written, i);
        }
      }
      ::CoUninitialize();
    });
  }
  for (std::thread& t : pool) t.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  long made = 0, wrong = 0;
  std::FILE* report = std::fopen(argv[4], "w");
  if (!report) return 1;
  for (int k = 0; k < kKinds; ++k) {
    std::fprintf(report, "%s %ld %ld\n", kKindNames[k], counts.made[k].load(), counts.wrong[k].load());
    made += counts.made[k];
    wrong += counts.wrong[k];
  }
  std::fprintf(report, "kestrel-setup %ld 0\n", counts.kestrelSetups.load());
  std::fprintf(report, "unconnected %ld 0\n", unconnected.load());
  std::fprintf(report, "seconds %.3f 0\n", seconds);
  std::fclose(report);
  return wrong == 0 && unconnected == 0 && made == static_cast<long>(threads) * calls ? 0 : 1;
}
