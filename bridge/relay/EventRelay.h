// The bridge's firmware event relay: the subscriptions to the firmware's WMI
// events (vtqBEvnt, vtqDockEvent), their relay to the named kernel events
// configured under the relay key, the events marker file that makes a
// restarted service subscribe by itself, and the relay names in the
// registry.
//
// Threads: subscribe requests arrive on COM's RPC threads and the start-up
// timer's thread, StopRelay on the thread that handles service controls,
// deliveries (the sinks' Indicate) on WMI's threads.
//
// Subscribe requests and StopRelay are serialised by one mutex (StopRelay
// waits for it a bounded time and never sleeps holding it), which is held
// across the test of the subscribed flag, the connect, the
// subscription and the setting of the flag: of concurrent requests the first
// subscribes and the others then find the flag set. The relay table is
// immutable once loaded: a rebuild loads a new table and publishes it by
// swapping one shared pointer under a short lock; a sink takes the pointer
// at the start of a delivery and reads that table, whole, to its end. Sinks
// never take the subscribe mutex, so a delivery made while a subscription is
// in progress cannot block on it.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/BridgeContract.h"
#include "common/win/OwningWrappers.h"

namespace vtq {

class WmiConnection;
struct RelayDelivery;

// "Shutdown Event Thread": created at the service's run, pulsed at stop.
inline constexpr char kShutdownEventName[] = "Shutdown Event Thread";
// How long the stop waits after cancelling the vtqBEvnt subscription.
inline constexpr DWORD kRelayStopWaitMs = 5000;
// How long the stop waits for a subscription in progress to end.
inline constexpr DWORD kRelayStopLockMs = 5000;

// Which lines the relay logs: success, one line per delivered object;
// failure, a subscription that writes no events marker.
struct RelayLogFlags {
  bool success = false;
  bool failure = false;
};

class EventRelay {
 public:
  struct Options {
    WmiConnection* connection = nullptr;      // the process-wide cache when null
    std::function<RelayLogFlags()> logFlags;  // no log lines when empty
    // Takes each line, formatted and ending in a line feed; no log lines
    // when empty. Called on the threads that deliver events and subscribe.
    std::function<void(const char* line)> writeLog;
    std::string relayKey = kRelayKey;     // under HKEY_LOCAL_MACHINE
    // EventsMarkerPath() when not given; empty: no marker file.
    std::optional<std::string> markerPath;
    DWORD stopWaitMs = kRelayStopWaitMs;
    DWORD stopLockMs = kRelayStopLockMs;
  };

  // The service's relay. It is never destroyed: WMI may deliver events
  // until the process ends.
  static EventRelay& Instance();

  explicit EventRelay(Options options);
  EventRelay(const EventRelay&) = delete;
  EventRelay& operator=(const EventRelay&) = delete;
  // Cancels what this relay subscribed (relays other than the service's).
  ~EventRelay();

  // S_OK at once when either subscription exists (one flag for both);
  // otherwise connects, loads the relay table, subscribes, and on success
  // sets the flag and creates the events marker file. A failure leaves the
  // flag clear and returns the failure. After StopRelay every request
  // answers RPC_E_SERVERCALL_RETRYLATER.
  HRESULT SubscribeBiosEvents();
  HRESULT SubscribeDockEvents();

  // From now on every subscribe request answers RPC_E_SERVERCALL_RETRYLATER
  // at once, without waiting for one in progress.
  void RefuseSubscriptions();

  // RefuseSubscriptions; then, once a subscription in progress has ended
  // (at most stopLockMs), cancels the vtqBEvnt subscription and clears the
  // flag, and with the mutex free waits stopWaitMs before it releases the
  // sink. The result of the cancel; S_OK when there was nothing to cancel;
  // RPC_E_SERVERCALL_RETRYLATER when the subscription in progress did not
  // end in time (nothing is cancelled then). The vtqDockEvent subscription
  // ends with the process.
  HRESULT StopRelay();

  // The start-up timer's work: with a non-null context and an existing
  // events marker file, SubscribeBiosEvents; its result is ignored.
  void ResubscribeAtStart(void* context);

  bool Subscribed() const { return subscribed_.load(); }
  // Subscriptions accepted by WMI since construction.
  unsigned long Subscriptions() const { return subscriptions_.load(); }

 private:
  enum class Kind { Bios, Dock };
  HRESULT Subscribe(Kind kind);
  void CreateMarker() const;

  Options options_;
  WmiConnection& connection_;
  std::shared_ptr<RelayDelivery> delivery_;

  std::timed_mutex subscribeMutex_;  // Subscribe, StopRelay, the members below
  std::atomic<bool> subscribed_{false};
  std::atomic<unsigned long> subscriptions_{0};
  std::atomic<bool> stopped_{false};  // read without the mutex too
  rm::ComPtr<IWbemObjectSink> biosSink_, dockSink_;
  // The services each subscription was made on: cancelled there, and kept
  // alive while the subscription lasts.
  rm::ComPtr<IWbemServices> biosServices_, dockServices_;
};

// The service's relay (EventRelay::Instance()), for the host and the
// interface methods.
HRESULT SubscribeBiosEvents();
HRESULT SubscribeDockEvents();
HRESULT StopRelay();
void RefuseSubscriptions();
void ResubscribeAtStart(void* context);

// HKEY_LOCAL_MACHINE\<kRelayKey>\<name>, value vtqBEvntID.
LONG RegisterRelayEvent(DWORD id, const char* name);
// Removes the name; the relay key goes with the last name. Failures are
// ignored.
void RemoveRelayEvent(const char* name);

// The process-wide shutdown event.
class NamedEvent;
NamedEvent& ShutdownEvent();

// "%ProgramFiles%\VTQ\Shared\vtqwmi.events", cut to 99 characters; empty
// when "%ProgramFiles%" is no full path that fits (EventsMarkerPathFor).
std::string EventsMarkerPath();
// Whether the file opens as an existing file with no access and no sharing.
bool EventsMarkerExists(const std::string& path);

}  // namespace vtq
