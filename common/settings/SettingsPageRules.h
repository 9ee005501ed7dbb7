// What the settings page shows and stores, the same in the tray program's
// properties window and in the Control Panel applet: the four settings it
// edits, their check states, which check boxes are enabled, and which values
// its OK stores. Portable: no Windows headers. A check box is named here by
// the setting it edits; each window's control ids are in its
// SettingsPageLayout (common/ui/SettingsPage.h).
#pragma once

#include <cstdint>
#include <vector>

#include "common/settings/SettingsRules.h"

namespace rm {

// The four settings the page edits, in the order of its check boxes.
inline constexpr int kPageSettingCount = 4;
extern const SettingsValue* const kPageSettings[kPageSettingCount];

// A stored value as a check state: outside 0 to 2 it shows unchecked (0).
std::uint32_t CheckStateOfStored(std::uint32_t stored);

// Which of the HideBIOSSettings, DisableBalloons and DisableFirstBalloon
// boxes are enabled.
struct SettingsEnabling {
  bool hideBios = false;
  bool disableBalloons = false;
  bool disableFirstBalloon = false;
};
// At opening: all three disabled when the HideSysTray box is checked (state
// exactly 1); otherwise enabled, except DisableFirstBalloon's while
// DisableBalloons' is checked.
SettingsEnabling EnablingAtOpening(std::uint32_t hideTrayState, std::uint32_t noBalloonsState);
// A click on the HideSysTray box enables all three when it is now unchecked
// and disables them when checked; DisableBalloons' state is not consulted.
SettingsEnabling EnablingAfterHideTrayClick(bool hideTrayChecked);
// A click on the DisableBalloons box: whether DisableFirstBalloon's is
// enabled (not when DisableBalloons' is checked).
bool FirstBalloonEnabledAfterBalloonsClick(bool noBalloonsChecked);

// The values that differ between the check states read at OK (in check box
// order) and the in-memory settings, in check box order.
std::vector<SettingWrite> ChangedSettings(const Settings& current, const std::uint32_t (&pending)[kPageSettingCount]);

}  // namespace rm
