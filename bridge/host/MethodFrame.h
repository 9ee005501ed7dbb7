// The frame every interface method of the bridge runs around its work:
// counted as a call in progress, refused with RPC_E_SERVERCALL_RETRYLATER
// unless the bridge is running, no exception let out, the method's log line
// by flag, then (for vtqCallBiosEx) the instance limit.
#pragma once

#include <windows.h>

#include "bridge/host/ServiceModule.h"

namespace vtq {

// Whether a method's end checks the instance limit (MaxAllowed counts
// vtqCallBiosEx instances; WmiKestrel's methods do not check it).
enum class InstanceLimitCheck { Checked, NotChecked };

namespace frame_detail {

inline void CheckInstanceLimit() {
  ServiceModule& m = ServiceModule::Instance();
  if (InstanceLimitReached(m.CallCount(), m.InstanceLimit())) m.SelfStop();
}

// Runs a method's own work unless the bridge is not running; a thrown
// error becomes E_UNEXPECTED.
template <class Work>
HRESULT Guarded(Work& work) {
  if (!ServiceModule::Instance().IsRunning()) return RPC_E_SERVERCALL_RETRYLATER;
  try {
    return work();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace frame_detail

// `log(hr, flags)` writes the method's line for its result.
template <class Work, class Log>
HRESULT RunFrame(Work work, Log log, InstanceLimitCheck limit = InstanceLimitCheck::Checked) {
  CallScope scope;
  try {
    const HRESULT hr = frame_detail::Guarded(work);
    log(hr, ServiceModule::Instance().Flags());
    if (limit == InstanceLimitCheck::Checked) frame_detail::CheckInstanceLimit();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace vtq
