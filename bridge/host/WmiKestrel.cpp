#include "bridge/host/WmiKestrel.h"

#include <string>

#include "bridge/host/BiosCaller.h"
#include "bridge/host/DataBlockAccess.h"
#include "bridge/host/DataBlockRules.h"
#include "bridge/host/KestrelLog.h"
#include "bridge/host/MethodFrame.h"
#include "bridge/host/ServiceLog.h"
#include "bridge/host/ServiceModule.h"
#include "bridge/relay/EventRelay.h"

namespace vtq {
namespace {

void Log(const std::string& text) {
  if (!text.empty()) WriteLog("%s", text.c_str());
}

HRESULT ExecDataBlock(ULONG dwCmd, ULONG dwInstance, ULONG* lpdwState) {
  BiosCaller caller;
  if (FAILED(caller.ConnectResult())) return caller.ConnectResult();
  return DataBlockAccess(caller.Services(), dwCmd, dwInstance, lpdwState);
}

}  // namespace

HRESULT STDMETHODCALLTYPE WmiKestrel::vtqExecDataBlock(ULONG dwCmd, ULONG dwInstance,
                                                       ULONG* lpdwState) {
  return RunFrame([&] { return ExecDataBlock(dwCmd, dwInstance, lpdwState); },
                  [&](HRESULT hr, const LogFlags& flags) {
                    Log(ExecDataBlockLogText(flags, hr, dwCmd, dwInstance, lpdwState ? *lpdwState : 0));
                  },
                  InstanceLimitCheck::NotChecked);
}

// Whatever bFlag holds: 0 subscribes as well, and there is no unsubscribing.
HRESULT STDMETHODCALLTYPE WmiKestrel::vtqSetupEvent(LONG /*bFlag*/) {
  return RunFrame([] { return SubscribeDockEvents(); },
                  [](HRESULT hr, const LogFlags& flags) { Log(SetupEventLogText(flags, hr)); },
                  InstanceLimitCheck::NotChecked);
}

}  // namespace vtq
