// The bridge's firmware event relay: what the service host and the
// interface methods call. This build carries the relay's frame: the relay
// event names in the registry, the shutdown event, the start-up re-subscribe
// hook and the stop hook. Subscribing to the firmware's events is not part
// of it yet: both subscribe operations answer kRelayNotSubscribed and change
// nothing (no subscription, no marker file).
#pragma once

#include <windows.h>

namespace vtq {

// The answer of SubscribeBiosEvents and SubscribeDockEvents until the
// subscription exists: E_NOTIMPL, a failure, so that no client takes a
// relay for granted that does not run.
inline constexpr HRESULT kRelayNotSubscribed = E_NOTIMPL;

// "Shutdown Event Thread": created at the service's run, pulsed at stop.
inline constexpr char kShutdownEventName[] = "Shutdown Event Thread";

HRESULT SubscribeBiosEvents();
HRESULT SubscribeDockEvents();
// At the stop control, before the main thread is told to quit. Nothing is
// subscribed, so there is nothing to cancel or wait for.
HRESULT StopRelay();
// The start-up timer's work (the host deletes the timer queue afterwards):
// with a non-null context and an existing events marker file, subscribe to
// the firmware's events again; the result is ignored.
void ResubscribeAtStart(void* context);

// HKEY_LOCAL_MACHINE\Software\VTQ\{AppID}\<name>, value vtqBEvntID.
LONG RegisterRelayEvent(DWORD id, const char* name);
// Removes the name; the relay key goes with the last name. Failures are
// ignored.
void RemoveRelayEvent(const char* name);

// The process-wide shutdown event.
class NamedEvent;
NamedEvent& ShutdownEvent();

// "%ProgramFiles%\VTQ\Shared\vtqwmi.events", cut to 99 characters.
void EventsMarkerPath(char (&path)[100]);
bool EventsMarkerExists();

}  // namespace vtq
