// The firmware event watcher: a thread that waits on the named wireless
// event and re-reads the radio state (RadioState::Refresh) each time it is
// signalled. The bridge signals the event for the firmware's wireless
// events once asked to relay them; the tray program signals it itself after
// each successful switch. Start and stop run on the main thread (the tray
// window); the handles live in the RadioState.
#pragma once

#include <windows.h>

#include "common/EventNames.h"
#include "tray/core/RadioState.h"

namespace rm {

// Creates (or opens) the wireless event into the RadioState and asks the
// bridge to relay; false when there is no event, and then the watcher does
// not start. The bridge's answer does not matter.
bool OpenEventAndStartRelay(RadioState& radios);
// Starts the thread; whether it runs.
bool StartWatcherThread(RadioState& radios);
// Stops and joins the thread, tells the bridge it is done, closes the
// event. Waits without a time limit: the thread ends after at most one
// more Refresh.
void StopWatcher(RadioState& radios);

// One call of vtqSetupWmiEvents through a fresh binding to the bridge
// class; S_OK when the method succeeded, E_FAIL when anything failed.
HRESULT SetupBridgeEvents(LONG flag);

}  // namespace rm
