// The class vtqCallBiosEx: IvtqCallBiosEx for COM clients. Each instance
// counts towards the instance limit and holds one module lock. Calls arrive
// on COM's RPC threads, several at a time.
#pragma once

#include "bridge/host/ComObject.h"

namespace vtq {

class vtqCallBiosEx final : public DualObject<vtqCallBiosEx, IvtqCallBiosEx> {
 public:
  static constexpr const IID& kIid = IID_IvtqCallBiosEx;

  vtqCallBiosEx();

  HRESULT STDMETHODCALLTYPE vtqGetMachineInfoEx(ULONG* ulSize, VARIANT* lpVarMachineInfo) override;
  HRESULT STDMETHODCALLTYPE vtqExecMethodEx(ULONG dwCmd, ULONG dwType, ULONG dwSizeIn,
                                            ULONG dwSizeOut, ULONG* lpRetCode,
                                            VARIANT* lpVarDataIn, VARIANT* lpVarDataOut) override;
  HRESULT STDMETHODCALLTYPE vtqSetupWmiEvents(LONG bFlag) override;
  HRESULT STDMETHODCALLTYPE vtqTurnOnExternalDisplays(ULONG dwDevice) override;
  HRESULT STDMETHODCALLTYPE vtqGetAttachedExternalDisplays(ULONG* lpDevice) override;
};

}  // namespace vtq
