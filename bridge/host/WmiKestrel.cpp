#include "bridge/host/WmiKestrel.h"

#include "bridge/host/ServiceLog.h"

namespace vtq {

HRESULT STDMETHODCALLTYPE WmiKestrel::vtqExecDataBlock(ULONG dwCmd, ULONG dwInstance, ULONG*) {
  const HRESULT hr = ServiceModule::Instance().IsRunning() ? E_NOTIMPL : RPC_E_SERVERCALL_RETRYLATER;
  try {
    if (ServiceModule::Instance().Flags().failure)
      WriteLog("CWmiKestrel::vtqExecDataBlock FAILED: 0x%08lX. Cmd: %d, Inst:%d\n",
               static_cast<unsigned long>(static_cast<ULONG>(hr)), static_cast<int>(dwCmd),
               static_cast<int>(dwInstance));
  } catch (...) {
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE WmiKestrel::vtqSetupEvent(LONG) {
  const HRESULT hr = ServiceModule::Instance().IsRunning() ? E_NOTIMPL : RPC_E_SERVERCALL_RETRYLATER;
  try {
    if (ServiceModule::Instance().Flags().failure)
      WriteLog("vtqSetupEvent FAILED: 0x%08lX\n", static_cast<unsigned long>(static_cast<ULONG>(hr)));
  } catch (...) {
  }
  return hr;
}

}  // namespace vtq
