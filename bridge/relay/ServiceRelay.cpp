// The service's relay: the process-wide WMI connection and the service's
// log flags. Part of vtqwmi.exe only.
#include "bridge/host/ServiceModule.h"
#include "bridge/host/WmiConnection.h"
#include "bridge/relay/EventRelay.h"

namespace vtq {

EventRelay& EventRelay::Instance() {
  static EventRelay* relay = [] {
    Options options;
    options.connection = &WmiConnection::Instance();
    options.logFlags = [] { return ServiceModule::Instance().Flags(); };
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
