// Start-up and lifecycle of the tray program: one instance per logon, COM,
// the settings, the firmware probe and its refusals, the hidden tray window
// and the main thread's message loop.
#pragma once

#include <windows.h>

#include "common/StartupDiagnostics.h"
#include "tray/core/ProgramWindows.h"

namespace rm {

// The single-instance mutex; its name lies in the logon's local namespace.
inline constexpr char kSingleInstanceMutex[] = "Local\\zarnRadioMinder-088FA840-B10D-11D3-BC36-006067709674";

// The process-wide record of the start-up steps.
StartupDiagnostics& AppDiagnostics();
// Set when the command line asked for the status page ("SHOWSTATUS"); the
// tray window posts the open-status message once its icon is shown.
bool OpenStatusRequested();

// The whole run of the program with the notices and the properties window
// of `windows`; returns the exit code (always 0).
int RunTrayProgram(HINSTANCE instance, const char* commandLine, ProgramWindows& windows);

}  // namespace rm
