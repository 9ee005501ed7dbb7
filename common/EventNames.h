// Named kernel events that cross between the deliverables.
#pragma once

namespace rm {

// The wireless event: auto-reset, created by whoever waits on it (the tray
// program's watcher, rmctl watch); the bridge sets it for every firmware
// wireless event it relays, and a program that switched the radios sets it
// so that the waiters re-read the state.
inline constexpr char kWirelessEventName[] = "Global\\VtqWmiBiosWirelessEvent";

}  // namespace rm
