#include "tray/core/StartupRules.h"

#include <cstring>
#include <string>

namespace rm {

bool CommandLineWantsStatusPage(const char* commandLine) {
  if (!commandLine) return false;
  std::string upper(commandLine);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper.find("SHOWSTATUS") != std::string::npos;
}

bool IsGuestUserName(const char* userName) {
  return userName && std::strcmp(userName, "Guest") == 0;
}

StartupAction DecideStartup(ProbeOutcome probe, const RadioFlags& flags, bool doNotShowNoDevDlg) {
  switch (probe) {
    case ProbeOutcome::kAccessDenied: return StartupAction::kGuestNotice;
    case ProbeOutcome::kOtherFailure: return StartupAction::kUnsupportedNotice;
    case ProbeOutcome::kSucceeded: break;
  }
  if (NoSupportedDevices(flags)) {
    return doNotShowNoDevDlg ? StartupAction::kEndSilently : StartupAction::kNoDevicesNotice;
  }
  return StartupAction::kRun;
}

bool WritesDebugInfo(StartupAction action) { return action != StartupAction::kRun; }

}  // namespace rm
