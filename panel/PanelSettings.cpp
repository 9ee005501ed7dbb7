#include "panel/PanelSettings.h"

#include "common/settings/SettingsStore.h"
#include "common/settings/SettingsPageRules.h"

namespace rm {

Settings& PanelSettings() {
  static Settings settings;
  return settings;
}

void LoadPanelSettings(Settings& settings) {
  settings = Settings{};
  // The page's four are the first four values of the key.
  LoadOrCreateSettings(settings, kPageSettingCount);
}

}  // namespace rm
