// Named kernel events that cross between the deliverables.
#pragma once

#include "common/BridgeContract.h"

namespace rm {

// The wireless event: auto-reset, created by the tray program's watcher
// (open to every interactive user, so each session's tray program waits on
// the same one); the bridge pulses it for every firmware wireless event it
// relays, and a program that switched the radios sets it so that a waiter
// re-reads the state. One signal wakes one waiter. The relay's name for
// it, "Global\VtqWmiBiosWirelessEvent".
inline constexpr auto kWirelessEventNameText = vtq::contract::Join(vtq::kRelayNamePrefix, vtq::kWirelessRelayName);
inline constexpr const char* kWirelessEventName = kWirelessEventNameText.c_str();

}  // namespace rm
