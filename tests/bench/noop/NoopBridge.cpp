// noop_bridge.exe: started by COM with "-Embedding", registers the no-op
// class object and ends when its last object is released (or after two
// minutes without one). Its object answers both of the bridge's interfaces
// (IvtqCallBiosEx and the data-block IvtqCallKestrelBios), so that every
// call a benchmark makes to the bridge has its twin here. Every method
// answers S_OK and touches nothing, except vtqGetAttachedExternalDisplays,
// which answers the server's process id so that a benchmark can watch the
// process.
#include <windows.h>

#include <atomic>
#include <new>

#include "common/win/UnknownBase.h"
#include "tests/bench/noop/NoopBridge.h"

namespace {

std::atomic<LONG> g_objects{0};
DWORD g_mainThread = 0;

class Noop final : public rm::UnknownBase<Noop, rm::Interfaces<IvtqCallBiosEx, IvtqCallKestrelBios>> {
 public:
  Noop() { ++g_objects; }
  // The last object's end ends the server.
  ~Noop() {
    if (--g_objects == 0) ::PostThreadMessageA(g_mainThread, WM_QUIT, 0, 0);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE vtqGetMachineInfoEx(ULONG*, VARIANT*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE vtqExecMethodEx(ULONG, ULONG, ULONG, ULONG, ULONG*, VARIANT*, VARIANT*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE vtqSetupWmiEvents(long) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE vtqTurnOnExternalDisplays(ULONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE vtqExecDataBlock(ULONG, ULONG, ULONG*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE vtqSetupEvent(long) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE vtqGetAttachedExternalDisplays(ULONG* device) override {
    if (device) *device = ::GetCurrentProcessId();
    return S_OK;
  }
};

class Factory final : public rm::UnknownBase<Factory, rm::Interfaces<IClassFactory>, rm::Lifetime::Static> {
 public:
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

}  // namespace

int main() {
  g_mainThread = ::GetCurrentThreadId();
  MSG msg;
  ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  static Factory factory;
  DWORD cookie = 0;
  if (FAILED(::CoRegisterClassObject(benchnoop::kClsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))) return 1;
  ::SetTimer(nullptr, 0, 120000, nullptr);
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
    if (msg.message == WM_TIMER && g_objects.load() == 0) break;
  ::CoRevokeClassObject(cookie);
  ::CoUninitialize();
  return 0;
}
