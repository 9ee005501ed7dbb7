// The class WmiKestrel: IvtqCallKestrelBios for COM clients, the dock data
// block (vtqDockQuery) and the dock events. Constructing an instance locks
// the module but does not count towards the instance limit, and its
// methods make no instance-limit check. Every method answers
// RPC_E_SERVERCALL_RETRYLATER while the bridge is not running.
#pragma once

#include "bridge/host/ComObject.h"

namespace vtq {

class WmiKestrel final : public DualObject<WmiKestrel, IvtqCallKestrelBios> {
 public:
  static constexpr const IID& kIid = IID_IvtqCallKestrelBios;

  // dwCmd 1 reads ulState of instance "ACPI\PNP0C14\0_<dwInstance>" into
  // *lpdwState, 2 writes *lpdwState into it; see DataBlockAccess.
  HRESULT STDMETHODCALLTYPE vtqExecDataBlock(ULONG dwCmd, ULONG dwInstance,
                                             ULONG* lpdwState) override;
  // bFlag not 0: the relay's dock subscription (SubscribeDockEvents) and its
  // answer; bFlag 0: S_OK, nothing changes.
  HRESULT STDMETHODCALLTYPE vtqSetupEvent(LONG bFlag) override;
};

}  // namespace vtq
