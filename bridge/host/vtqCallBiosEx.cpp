#include "bridge/host/vtqCallBiosEx.h"

#include "bridge/host/BiosCaller.h"
#include "bridge/host/ByteArrayShape.h"
#include "bridge/host/CallLog.h"
#include "bridge/host/MachineInfoReader.h"
#include "bridge/host/ServiceLog.h"
#include "bridge/relay/EventRelay.h"

namespace vtq {
namespace {

unsigned long AsLog(HRESULT hr) { return static_cast<unsigned long>(static_cast<ULONG>(hr)); }

// Counts the call as in progress for as long as the method runs.
class CallScope {
 public:
  CallScope() { ServiceModule::Instance().CallStarted(); }
  ~CallScope() { ServiceModule::Instance().CallEnded(); }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
};

// The end of every method: the instance limit.
void CheckInstanceLimit() {
  ServiceModule& m = ServiceModule::Instance();
  if (InstanceLimitReached(m.CallCount(), m.InstanceLimit())) m.SelfStop();
}

// Runs a method's own work unless the bridge is not running; a thrown
// error becomes E_UNEXPECTED.
template <class Work>
HRESULT Guarded(Work work) {
  if (!ServiceModule::Instance().IsRunning()) return RPC_E_SERVERCALL_RETRYLATER;
  try {
    return work();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT MachineInfoWork(ULONG* ulSize, VARIANT* info) {
  const ByteArrayShape shape = ShapeOf(info);
  if (const HRESULT hr = CheckMachineInfoArray(shape)) return hr;
  MachineInfoReader reader;
  if (FAILED(reader.ConnectResult())) return reader.ConnectResult();
  if (!ulSize) return E_POINTER;
  if (!IsMachineInfoLayout(*ulSize)) return kWbemInvalidParameter;
  BYTE record[kMachineInfoFullSize] = {};
  const HRESULT fill = reader.Fill(*ulSize, record);
  if (FAILED(fill)) {
    *ulSize = 0;
    return fill;
  }
  // The size field reads 388 whatever layout was asked for.
  const ULONG size = kMachineInfoFullSize;
  record[0] = static_cast<BYTE>(size);
  record[1] = static_cast<BYTE>(size >> 8);
  record[2] = static_cast<BYTE>(size >> 16);
  record[3] = static_cast<BYTE>(size >> 24);
  // The array was checked: one dimension of 388 or 308 elements. They are
  // stored from the array's lower bound on.
  SAFEARRAY* array = V_ARRAY(info);
  LONG lower = 0;
  HRESULT hr = ::SafeArrayGetLBound(array, 1, &lower);
  if (FAILED(hr)) return hr;
  for (ULONG i = 0; i < shape.count && i < kMachineInfoFullSize; ++i) {
    LONG index = lower + static_cast<LONG>(i);
    hr = ::SafeArrayPutElement(array, &index, &record[i]);
  }
  return hr;
}

}  // namespace

vtqCallBiosEx::vtqCallBiosEx() { ServiceModule::Instance().AddInstance(); }

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqGetMachineInfoEx(ULONG* ulSize,
                                                             VARIANT* lpVarMachineInfo) {
  CallScope scope;
  try {
    const HRESULT hr = Guarded([&] { return MachineInfoWork(ulSize, lpVarMachineInfo); });
    const LogFlags flags = ServiceModule::Instance().Flags();
    if (SUCCEEDED(hr) && flags.success) WriteLog(logtext::kMachineInfoOk, AsLog(hr));
    if (FAILED(hr) && flags.failure) WriteLog(logtext::kMachineInfoFailed, AsLog(hr));
    CheckInstanceLimit();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqExecMethodEx(ULONG dwCmd, ULONG dwType,
                                                         ULONG dwSizeIn, ULONG dwSizeOut,
                                                         ULONG* lpRetCode, VARIANT* lpVarDataIn,
                                                         VARIANT* lpVarDataOut) {
  CallScope scope;
  try {
    const HRESULT hr = Guarded([&]() -> HRESULT {
      if (const HRESULT check = CheckExecOutput(dwSizeOut, ShapeOf(lpVarDataOut))) return check;
      BiosCaller caller;
      if (FAILED(caller.ConnectResult())) return caller.ConnectResult();
      return caller.Execute(dwCmd, dwType, dwSizeIn, dwSizeOut, lpRetCode, lpVarDataIn,
                            lpVarDataOut);
    });
    ::CoFreeUnusedLibraries();
    ServiceModule& m = ServiceModule::Instance();
    const LogFlags flags = m.Flags();
    if (SUCCEEDED(hr) && flags.success)
      WriteLog(logtext::kExecOk, static_cast<long>(static_cast<LONG>(m.CallCount())),
               static_cast<unsigned>(dwCmd), static_cast<unsigned>(dwType), AsLog(hr));
    if (FAILED(hr) && flags.failure)
      WriteLog(logtext::kExecFailed, static_cast<unsigned>(dwCmd), static_cast<unsigned>(dwType),
               AsLog(hr));
    CheckInstanceLimit();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqSetupWmiEvents(LONG bFlag) {
  CallScope scope;
  try {
    const HRESULT hr = Guarded([&]() -> HRESULT { return bFlag ? SubscribeBiosEvents() : S_OK; });
    const LogFlags flags = ServiceModule::Instance().Flags();
    if (SUCCEEDED(hr) && flags.success) WriteLog(logtext::kSetupOk, AsLog(hr));
    if (FAILED(hr) && flags.failure) WriteLog(logtext::kSetupFailed, AsLog(hr));
    CheckInstanceLimit();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqTurnOnExternalDisplays(ULONG dwDevice) {
  CallScope scope;
  try {
    const HRESULT hr = Guarded([&]() -> HRESULT {
      BiosCaller caller;
      if (FAILED(caller.ConnectResult())) return caller.ConnectResult();
      return caller.TurnOnDisplays(dwDevice);
    });
    const LogFlags flags = ServiceModule::Instance().Flags();
    if (SUCCEEDED(hr) && flags.success) WriteLog(logtext::kTurnOnOk, AsLog(hr));
    if (FAILED(hr) && flags.failure) WriteLog(logtext::kTurnOnFailed, AsLog(hr));
    CheckInstanceLimit();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqGetAttachedExternalDisplays(ULONG* lpDevice) {
  CallScope scope;
  try {
    const HRESULT hr = Guarded([&]() -> HRESULT {
      if (!lpDevice) return E_POINTER;
      BiosCaller caller;
      if (FAILED(caller.ConnectResult())) return caller.ConnectResult();
      return caller.AttachedDisplays(lpDevice);
    });
    const LogFlags flags = ServiceModule::Instance().Flags();
    if (SUCCEEDED(hr) && flags.success)
      WriteLog(logtext::kAttachedOk, static_cast<unsigned long>(lpDevice ? *lpDevice : 0));
    if (FAILED(hr) && flags.failure) WriteLog(logtext::kAttachedFailed, AsLog(hr));
    CheckInstanceLimit();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace vtq
