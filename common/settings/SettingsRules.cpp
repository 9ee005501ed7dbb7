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

}  // namespace rm
