// One ExecNotificationQueryAsync subscription: a delivery thread that waits
// for the prefix's firmware events and hands each event of its class to the
// client's sink with Indicate. The sink is held (AddRef) until the
// subscription is cancelled or its connection goes away.
#pragma once

#include "fwsim/machine/Machine.h"
#include "fwsim/wmi/WbemObject.h"

#include <memory>
#include <thread>

namespace fwsim::wmi {

class EventSubscription {
 public:
  // Starts delivering the events of eventClass raised after sequence
  // `after`. nullptr when the delivery thread cannot be started.
  static std::shared_ptr<EventSubscription> Start(IWbemObjectSink* sink, EventClass eventClass,
                                                  std::uint64_t after, HostPtr host);
  ~EventSubscription();

  // The sink's identity (its IUnknown), for CancelAsyncCall.
  IUnknown* Identity() const { return identity_; }

  // Stops delivery: after Stop returns no Indicate is in progress or comes,
  // except when called from the delivery thread itself (from inside
  // Indicate), where the current delivery finishes first. Then, when
  // `report` is set, tells the sink with SetStatus(WBEM_STATUS_COMPLETE,
  // WBEM_E_CALL_CANCELLED), and releases the sink.
  void Stop(bool report) noexcept;

 private:
  struct State;
  explicit EventSubscription(std::shared_ptr<State> state) : state_(std::move(state)) {}
  static void Deliver(std::shared_ptr<State> state);

  std::shared_ptr<State> state_;
  IUnknown* identity_ = nullptr;  // valid while the sink is held
  std::thread thread_;
  bool stopped_ = false;
};

}  // namespace fwsim::wmi
