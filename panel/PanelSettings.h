// The applet's settings: the four values it edits (HideSysTray,
// HideBIOSSettings, DisableBalloons, DisableFirstBalloon), held for the
// process and loaded afresh at each opening of the item. OK compares the
// page's check states against them. The host's thread only.
#pragma once

#include "common/settings/SettingsRules.h"

namespace rm {

Settings& PanelSettings();

// Sets the four to 0, then opens or creates the settings key: reads the four
// (each only as a REG_DWORD) when the key existed, writes them as 0 when it
// was created now. A key that cannot be opened or created leaves the zeros.
void LoadPanelSettings(Settings& settings);

}  // namespace rm
