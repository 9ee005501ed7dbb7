// The service's relay: the process-wide WMI connection, the service's log
// flags and its log.
#include "bridge/host/ServiceLog.h"
#include "bridge/host/ServiceModule.h"
#include "bridge/wmi/WmiConnection.h"
#include "bridge/relay/EventRelay.h"

namespace vtq {

EventRelay& EventRelay::Instance() {
  static EventRelay* relay = [] {
    Options options;
    options.connection = &WmiConnection::Instance();
    options.logFlags = [] {
      const LogFlags flags = ServiceModule::Instance().Flags();
      return RelayLogFlags{flags.success, flags.failure};
    };
    options.writeLog = [](const char* line) { WriteLog("%s", line); };
    return new EventRelay(std::move(options));
  }();
  return *relay;
}

HRESULT SubscribeBiosEvents() { return EventRelay::Instance().SubscribeBiosEvents(); }
HRESULT SubscribeDockEvents() { return EventRelay::Instance().SubscribeDockEvents(); }
HRESULT StopRelay() { return EventRelay::Instance().StopRelay(); }
void RefuseSubscriptions() { EventRelay::Instance().RefuseSubscriptions(); }
void ResubscribeAtStart(void* context) { EventRelay::Instance().ResubscribeAtStart(context); }

}  // namespace vtq
