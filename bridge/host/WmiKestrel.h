// The class WmiKestrel: IvtqCallKestrelBios for COM clients. Constructing an
// instance locks the module but does not count towards the instance limit.
// Its data-block access and dock-event subscription come with the event
// relay; until then both methods answer E_NOTIMPL while the bridge runs
// (RPC_E_SERVERCALL_RETRYLATER otherwise).
#pragma once

#include "bridge/host/ComObject.h"

namespace vtq {

class WmiKestrel final : public DualObject<WmiKestrel, IvtqCallKestrelBios> {
 public:
  static constexpr const IID& kIid = IID_IvtqCallKestrelBios;

  HRESULT STDMETHODCALLTYPE vtqExecDataBlock(ULONG dwCmd, ULONG dwInstance,
                                             ULONG* lpdwState) override;
  HRESULT STDMETHODCALLTYPE vtqSetupEvent(LONG bFlag) override;
};

}  // namespace vtq
