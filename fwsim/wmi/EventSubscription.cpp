#include "fwsim/wmi/EventSubscription.h"

#include <atomic>
#include <system_error>

namespace fwsim::wmi {

struct EventSubscription::State : private ModuleObject {  // keeps the DLL while the thread runs
  std::atomic<bool> stop{false};
  // Set when the subscription was stopped from inside Indicate: the
  // delivery thread then releases the sink itself when it ends.
  bool releaseOnExit = false;
  rm::ComPtr<IWbemObjectSink> sink;
  std::unique_ptr<Machine> machine;  // the delivery thread's own
  EventClass eventClass = EventClass::BiosEvent;
  std::uint64_t after = 0;
  HostPtr host;
  std::thread::id threadId;
};

namespace {

// How long one wait for events lasts; bounds how long a cancel waits for
// the delivery thread.
constexpr std::uint32_t kWaitSliceMs = 100;

rm::ComPtr<WbemObject> EventObject(const FirmwareEvent& e, const HostPtr& host) {
  const ClassPtr cls = FindClass(e.eventClass == EventClass::DockEvent ? "vtqDockEvent" : "vtqBEvnt");
  rm::ComPtr<WbemObject> o = WbemObject::NewInstance(cls, host);
  o->SetString("InstanceName", kBiosInstanceName);
  o->SetBool("Active", true);
  o->SetInt("EventID", static_cast<std::int32_t>(e.eventId));
  o->SetInt("EventData", static_cast<std::int32_t>(e.eventData));
  return o;
}

}  // namespace

std::shared_ptr<EventSubscription> EventSubscription::Start(IWbemObjectSink* sink, EventClass eventClass,
                                                            std::uint64_t after, HostPtr host) {
  auto state = std::make_shared<State>();
  state->machine = Machine::Open();
  if (!state->machine) return nullptr;
  state->sink = rm::ComPtr<IWbemObjectSink>::Copy(sink);
  state->eventClass = eventClass;
  state->after = after;
  state->host = std::move(host);
  std::shared_ptr<EventSubscription> sub(new EventSubscription(state));
  rm::ComPtr<IUnknown> identity;
  if (SUCCEEDED(sink->QueryInterface(IID_IUnknown, identity.put_void()))) sub->identity_ = identity.get();
  else sub->identity_ = sink;
  sub->thread_ = std::thread(&EventSubscription::Deliver, state);
  return sub;
}

EventSubscription::~EventSubscription() { Stop(false); }

void EventSubscription::Deliver(std::shared_ptr<State> state) {
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  try {
    while (!state->stop) {
      const std::vector<FirmwareEvent> events = state->machine->WaitEvents(state->after, kWaitSliceMs);
      // Events raised together reach the sink in one Indicate; they are
      // published at once, so one wait returns all of them.
      std::vector<rm::ComPtr<WbemObject>> delivery;
      for (const FirmwareEvent& e : events) {
        if (state->stop) break;
        if (e.sequence > state->after) state->after = e.sequence;
        if (e.eventClass != state->eventClass) continue;
        delivery.push_back(EventObject(e, state->host));
        if (e.joinsNext) continue;
        std::vector<IWbemClassObject*> objects;
        for (const auto& o : delivery) objects.push_back(o.get());
        // What the sink answers does not change delivery, as with WMI.
        state->sink->Indicate(static_cast<LONG>(objects.size()), objects.data());
        delivery.clear();
      }
    }
  } catch (...) {
    // Out of memory while building an event: delivery ends; the
    // subscription stays until the client cancels it.
  }
  if (state->releaseOnExit) state->sink.reset();
  state->machine.reset();
  if (SUCCEEDED(init)) ::CoUninitialize();
}

void EventSubscription::Stop(bool report) noexcept {
  if (stopped_) return;
  stopped_ = true;
  state_->stop = true;
  const bool fromDelivery = thread_.joinable() && thread_.get_id() == std::this_thread::get_id();
  try {
    if (fromDelivery) {
      thread_.detach();
    } else if (thread_.joinable()) {
      thread_.join();
    }
  } catch (const std::system_error&) {
    // The thread cannot be joined (it has ended or is gone): nothing of it
    // runs any more that the sink could notice.
  }
  if (report && state_->sink)
    state_->sink->SetStatus(WBEM_STATUS_COMPLETE, WBEM_E_CALL_CANCELLED, nullptr, nullptr);
  if (fromDelivery) {
    state_->releaseOnExit = true;
  } else {
    state_->sink.reset();
  }
}

}  // namespace fwsim::wmi
