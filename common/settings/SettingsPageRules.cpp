#include "common/settings/SettingsPageRules.h"

namespace rm {

const SettingsValue* const kPageSettings[kPageSettingCount] = {
    &kSettingsValues[0],  // HideSysTray
    &kSettingsValues[1],  // HideBIOSSettings
    &kSettingsValues[2],  // DisableBalloons
    &kSettingsValues[3],  // DisableFirstBalloon
};

std::uint32_t CheckStateOfStored(std::uint32_t stored) { return stored <= 2 ? stored : 0; }

// "Checked" is the check state 1 (BST_CHECKED) for both boxes; the third
// state, 2, counts as not checked.
SettingsEnabling EnablingAtOpening(std::uint32_t hideTrayState, std::uint32_t noBalloonsState) {
  if (hideTrayState == 1) return {false, false, false};
  return {true, true, noBalloonsState != 1};
}

SettingsEnabling EnablingAfterHideTrayClick(bool hideTrayChecked) {
  const bool enabled = !hideTrayChecked;
  return {enabled, enabled, enabled};
}

bool FirstBalloonEnabledAfterBalloonsClick(bool noBalloonsChecked) { return !noBalloonsChecked; }

std::vector<SettingWrite> ChangedSettings(const Settings& current, const std::uint32_t (&pending)[kPageSettingCount]) {
  std::vector<SettingWrite> writes;
  for (int i = 0; i < kPageSettingCount; ++i) {
    const SettingsValue& v = *kPageSettings[i];
    if (current.*v.member != pending[i]) writes.push_back({v.name, v.member, pending[i]});
  }
  return writes;
}

}  // namespace rm
