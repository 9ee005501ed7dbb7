// One interface call's firmware executor: the BIOS call through vtqBIntM,
// and the external-display state in vtqGAED, on the process-wide WMI
// connection. Made and discarded per call; any RPC thread.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include "bridge/wmi/WmiConnection.h"
#include "common/BiosCall.h"
#include "common/BridgeContract.h"

namespace vtq {

class BiosCaller {
 public:
  // Connects through the cache (WmiConnection::ConnectForCalls).
  BiosCaller();
  explicit BiosCaller(WmiConnection& cache);
  BiosCaller(const BiosCaller&) = delete;
  BiosCaller& operator=(const BiosCaller&) = delete;

  // A caller checks it before any operation.
  HRESULT ConnectResult() const { return connectResult_; }

  // One BIOS call. `dataIn` goes into vtqBData whatever its type; when
  // dwSizeOut is not 0 and the call succeeds, `dataOut` receives the
  // firmware's Data (its old content is cleared), whatever its length.
  // *retCode (when not null) receives rwReturnCode, or kBiosNoReturnCode when it
  // was not read.
  HRESULT Execute(ULONG dwCmd, ULONG dwType, ULONG dwSizeIn, ULONG dwSizeOut, ULONG* retCode,
                  const VARIANT* dataIn, VARIANT* dataOut);

  // ulState of every vtqGAED instance: the last readable one lands in
  // *device (unchanged when there is none).
  HRESULT AttachedDisplays(ULONG* device);
  // Writes `device` into ulState of every vtqGAED instance.
  HRESULT TurnOnDisplays(ULONG device);

  IWbemServices* Services() const { return link_.services.get(); }

 private:
  HRESULT ExecuteCall(const rm::BiosCall& call, const VARIANT* dataIn, VARIANT* dataOut);
  template <class Step>
  HRESULT WalkDisplays(Step step);

  WmiLink link_;
  HRESULT connectResult_;
  ULONG returnCode_ = kBiosNoReturnCode;
};

}  // namespace vtq
