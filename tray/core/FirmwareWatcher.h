// The firmware event watcher: a thread that waits on the named wireless
// event and re-reads the radio state (RadioState::Refresh) each time it is
// signalled. The bridge signals the event for the firmware's wireless
// events once asked to relay them; rmctl and the tray program signal it
// after each successful switch. Being auto-reset, one signal wakes one of
// the programs that wait on it, so the tray program's own switches and its
// stop reach its watcher through signals of its own as well. Start and stop
// run on the main thread (the tray window); the handles live in the
// RadioState.
#pragma once

#include <windows.h>

#include "common/EventNames.h"
#include "tray/core/RadioState.h"

namespace rm {

// Creates (or opens) the wireless event, with access for every interactive
// user, and the watcher's own signals into the RadioState, and asks the
// bridge to relay; false when there is no event, and then the watcher does
// not start. The bridge's answer does not matter.
bool OpenEventAndStartRelay(RadioState& radios);
// Starts the thread; whether it runs.
bool StartWatcherThread(RadioState& radios);
// Stops and joins the thread, tells the bridge it is done, closes the
// events. The stop wakes the thread through its own signal, whoever else
// waits on the wireless event; it ends at once, or after the Refresh it is
// running.
void StopWatcher(RadioState& radios);

// One call of vtqSetupWmiEvents through a fresh binding to the bridge
// class; S_OK when the method succeeded, E_FAIL when anything failed.
HRESULT SetupBridgeEvents(LONG flag);

}  // namespace rm
