// The tray program's settings key and values, shared by the tray program and
// the Control Panel applet.
#pragma once

namespace rm {

inline constexpr char kSettingsParentKey[] = "Software";
inline constexpr char kSettingsVendorKey[] = "VTQ";
inline constexpr char kSettingsProductKey[] = "Zarn Radio Minder";
// Below HKEY_CURRENT_USER.
inline constexpr char kSettingsKeyPath[] = "Software\\VTQ\\Zarn Radio Minder";

inline constexpr char kHideSysTray[] = "HideSysTray";
inline constexpr char kHideBIOSSettings[] = "HideBIOSSettings";
inline constexpr char kDisableBalloons[] = "DisableBalloons";
inline constexpr char kDisableFirstBalloon[] = "DisableFirstBalloon";
inline constexpr char kDoNotShowNoDevDlg[] = "DoNotShowNoDevDlg";
inline constexpr char kDebugInfo[] = "DebugInfo";

}  // namespace rm
