#include "bridge/host/WmiKestrel.h"

#include <string>

#include "bridge/host/BiosCaller.h"
#include "bridge/host/DataBlockAccess.h"
#include "bridge/host/DataBlockRules.h"
#include "bridge/host/KestrelLog.h"
#include "bridge/host/ServiceLog.h"
#include "bridge/host/ServiceModule.h"
#include "bridge/relay/EventRelay.h"

namespace vtq {
namespace {

void Log(const std::string& text) {
  if (!text.empty()) WriteLog("%s", text.c_str());
}

HRESULT ExecDataBlock(ULONG dwCmd, ULONG dwInstance, ULONG* lpdwState) {
  if (!ServiceModule::Instance().IsRunning()) return RPC_E_SERVERCALL_RETRYLATER;
  BiosCaller caller;
  if (FAILED(caller.ConnectResult())) return caller.ConnectResult();
  return DataBlockAccess(caller.Services(), dwCmd, dwInstance, lpdwState);
}

// Whatever bFlag holds: 0 subscribes as well, and there is no unsubscribing.
HRESULT SetupEvent() {
  if (!ServiceModule::Instance().IsRunning()) return RPC_E_SERVERCALL_RETRYLATER;
  return SubscribeDockEvents();
}

}  // namespace

HRESULT STDMETHODCALLTYPE WmiKestrel::vtqExecDataBlock(ULONG dwCmd, ULONG dwInstance,
                                                       ULONG* lpdwState) {
  try {
    CallScope scope;
    HRESULT hr = E_UNEXPECTED;
    try {
      hr = ExecDataBlock(dwCmd, dwInstance, lpdwState);
    } catch (...) {
      hr = E_UNEXPECTED;
    }
    Log(ExecDataBlockLogText(ServiceModule::Instance().Flags(), hr, dwCmd, dwInstance,
                             lpdwState ? *lpdwState : 0));
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE WmiKestrel::vtqSetupEvent(LONG /*bFlag*/) {
  try {
    CallScope scope;
    HRESULT hr = E_UNEXPECTED;
    try {
      hr = SetupEvent();
    } catch (...) {
      hr = E_UNEXPECTED;
    }
    Log(SetupEventLogText(ServiceModule::Instance().Flags(), hr));
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace vtq
