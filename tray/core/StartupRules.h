// The decisions of the tray program's start-up: the command-line word, the
// guest test after a failed connection, and what a probe's outcome leads to.
// Portable: no Windows headers.
#pragma once

#include "common/RadioFlags.h"

namespace rm {

// True when the command line holds "SHOWSTATUS" in any case, anywhere, also
// inside a longer word. A null command line holds nothing.
bool CommandLineWantsStatusPage(const char* commandLine);

// Only the exact, case-sensitive name "Guest" is the guest account.
bool IsGuestUserName(const char* userName);

enum class ProbeOutcome {
  kSucceeded,      // SUCCEEDED(probe result)
  kAccessDenied,   // E_ACCESSDENIED: the guest account
  kOtherFailure,
};

enum class StartupAction {
  kRun,                 // create the tray window and run the loop
  kGuestNotice,         // message box with the guest text, then end
  kUnsupportedNotice,   // message box "not supported on this machine", then end
  kNoDevicesNotice,     // the no-device notice, then end
  kEndSilently,         // no radios and the notice is silenced
};

StartupAction DecideStartup(ProbeOutcome probe, const RadioFlags& flags, bool doNotShowNoDevDlg);

// Whether a refusal writes DebugInfo first (every refusal after the probe).
bool WritesDebugInfo(StartupAction action);

}  // namespace rm
