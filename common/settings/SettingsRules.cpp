#include "common/settings/SettingsRules.h"

#include "common/SettingsNames.h"

namespace rm {

const SettingsValue kSettingsValues[kSettingsValueCount] = {
    {kHideSysTray, &Settings::hideSysTray, true},
    {kHideBIOSSettings, &Settings::hideBiosSettings, true},
    {kDisableBalloons, &Settings::disableBalloons, true},
    {kDisableFirstBalloon, &Settings::disableFirstBalloon, true},
    // Read at start-up only: changing it while the program runs takes effect
    // at the next start.
    {kDoNotShowNoDevDlg, &Settings::doNotShowNoDevDlg, false},
};

bool TakeDwordValue(std::uint32_t type, const std::uint8_t* data, std::size_t size, std::uint32_t* out) {
  if (type != kRegTypeDword || size != 4 || !data || !out) return false;
  *out = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
         static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  return true;
}

}  // namespace rm
