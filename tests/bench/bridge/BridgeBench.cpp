// Calls per second of vtqExecMethodEx from one and from four client threads,
// next to a no-op call (IDispatch::GetTypeInfoCount) on a minimal object in
// another process and next to the same firmware request made in this
// process through WMI (the same stand-in, the steps the bridge takes for
// each call), measured in the same run. Prints figures only.
//
// The no-op object is served by this program itself: started by COM with
// "-Embedding", it registers its class object and ends when its object is
// released.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/win/Resource.h"
#include "tests/system/bridge/BridgeHarness.h"
#include "tests/windows/fwsim/WmiClient.h"

namespace {

// {6E0C2E61-3A0B-4C57-9B7E-5C2B1D8A0F11}
const CLSID kNoopClsid = {0x6e0c2e61, 0x3a0b, 0x4c57, {0x9b, 0x7e, 0x5c, 0x2b, 0x1d, 0x8a, 0x0f, 0x11}};
const char kNoopKey[] = "CLSID\\{6E0C2E61-3A0B-4C57-9B7E-5C2B1D8A0F11}";

std::atomic<LONG> g_objects{0};
DWORD g_mainThread = 0;

class Noop final : public IDispatch {
 public:
  Noop() { ++g_objects; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = --refs_;
    if (n == 0) {
      delete this;
      if (--g_objects == 0) ::PostThreadMessageA(g_mainThread, WM_QUIT, 0, 0);
    }
    return static_cast<ULONG>(n);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

 private:
  std::atomic<LONG> refs_{1};
};

class NoopFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Noop* noop = new (std::nothrow) Noop();
    if (!noop) return E_OUTOFMEMORY;
    const HRESULT hr = noop->QueryInterface(iid, out);
    noop->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

int ServeNoop() {
  g_mainThread = ::GetCurrentThreadId();
  MSG msg;
  ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  static NoopFactory factory;
  DWORD cookie = 0;
  if (FAILED(::CoRegisterClassObject(kNoopClsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                     &cookie)))
    return 1;
  // Ends when the last object goes, or after two minutes at most.
  ::SetTimer(nullptr, 0, 120000, nullptr);
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
    if (msg.message == WM_TIMER) break;
  ::CoRevokeClassObject(cookie);
  return 0;
}

bool RegisterNoop(bool on) {
  if (!on) return ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kNoopKey) == ERROR_SUCCESS;
  char exe[MAX_PATH] = "";
  ::GetModuleFileNameA(nullptr, exe, sizeof(exe));
  const std::string value = std::string("\"") + exe + "\"";
  rm::UniqueRegKey key;
  const std::string sub = std::string(kNoopKey) + "\\LocalServer32";
  if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  return ::RegSetValueExA(key.get(), nullptr, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

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

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-Embedding" || a == "/Embedding") return ServeNoop();
  }
  using namespace bridgetest;
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  if (Bridge("/Service") != 0 || !RegisterNoop(true)) {
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
    rm::ComPtr<IDispatch> d;
    ::CoCreateInstance(kNoopClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, d.put_void());
    return d;
  };
  auto noop = [](rm::ComPtr<IDispatch>& d) {
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
  rm::ComPtr<IDispatch> keep = makeNoop();
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
    long execFailed = 0, noopFailed = 0, refusedFailed = 0, inprocFailed = 0;
    const double e = Rate(threads, seconds, makeBridge, exec, &execFailed);
    const double r = Rate(threads, seconds, makeBridge, refused, &refusedFailed);
    const double n = Rate(threads, seconds, makeNoop, noop, &noopFailed);
    const double w = Rate(threads, seconds, makeWmi, inproc, &inprocFailed);
    std::printf("%d thread%s, calls/s: vtqExecMethodEx %6.0f (failed %ld) | no-op cross-process %6.0f (failed %ld) | "
                "vtqExecMethodEx refused before the firmware %6.0f (failed %ld) | in-process WMI request %6.0f "
                "(failed %ld); vtqExecMethodEx at %.0f %% of the no-op\n",
                threads, threads == 1 ? " " : "s", e, execFailed, n, noopFailed, r, refusedFailed, w, inprocFailed,
                n > 0 ? 100.0 * e / n : 0.0);
    // The time a call takes on its thread, split: the hop, the marshalling
    // of this signature with the bridge's frame, the firmware request, and
    // what is left for the bridge's own work around the request.
    auto us = [threads](double rate) { return rate > 0 ? threads * 1e6 / rate : 0.0; };
    std::printf("   a call on its thread: vtqExecMethodEx %.0f us = no-op hop %.0f + signature and frame %.0f + "
                "request in-process %.0f + rest %.0f us\n",
                us(e), us(n), us(r) - us(n), us(w), us(e) - us(r) - us(w));
  }
  warm.reset();
  keep.reset();
  StopBridgeService();
  Bridge("/UnregServer");
  RegisterNoop(false);
  return 0;
}
