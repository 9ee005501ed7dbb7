// Window messages that cross between the deliverables.
#pragma once

namespace rm {

// Registered messages: settings changed (applet -> tray program) and open the
// status page (anyone -> tray program).
inline constexpr char kMsgPropsChanged[] = "ZARN_RADIOMINDER_PROPSCHG";
inline constexpr char kMsgOpenStatusPage[] = "ZARN_RADIOMINDER_OPENSTATPAGE";
// The tray icon's callback message; lParam carries the mouse message.
inline constexpr char kMsgTrayIcon[] = "ZARN_RADIOMINDER_TRAYICON";

// Private message posted to the tray window after a re-read of the radio
// state found a change that matters; wParam is the change kind.
inline constexpr unsigned kWmRadioStateChanged = 0x8001;  // WM_APP + 1

}  // namespace rm
