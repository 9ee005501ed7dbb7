// The tray program's settings in HKEY_CURRENT_USER\Software\VTQ\Zarn Radio
// Minder: read at start-up (creating the key with five zero values the first
// time), re-read on the settings-changed message, and written value by value;
// the applet reads and writes the same key and announces its changes. Main
// thread only (the applet: the host's thread). Registry failures are silent:
// reads keep the integers they had, writes are skipped.
#pragma once

#include <windows.h>

#include <vector>

#include "common/settings/SettingsRules.h"
#include "common/StartupDiagnostics.h"

namespace rm {

// The process-wide settings every part of the tray program reads.
Settings& AppSettings();

// Read, set-value and create-subkey access (0x2001F).
inline constexpr REGSAM kSettingsKeyAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// Opens or creates the key; when it existed, reads the first `valueCount`
// values of kSettingsValues (each taken only as a 4-byte REG_DWORD); when it
// was created just now, writes those values as 0. Stops silently when
// "Software" cannot be opened or a key cannot be created.
void LoadOrCreateSettings(Settings& settings, std::size_t valueCount);

// Start-up: LoadOrCreateSettings with all five values.
void ReadSettingsAtStartup(Settings& settings);

// The settings-changed re-read of HideSysTray, HideBIOSSettings,
// DisableBalloons and DisableFirstBalloon (not DoNotShowNoDevDlg). Returns
// whether the key opened.
bool RereadChangedSettings(Settings& settings);

// Writes one REG_DWORD value to the existing key (never creates it).
bool WriteSettingsDword(const char* name, DWORD value);

// Opens the key (never creates it); when it opens and `value` differs from
// the in-memory value, sets the in-memory value and writes it. Returns
// whether a value was written.
bool StoreSetting(Settings& settings, std::uint32_t Settings::*member, const char* name, std::uint32_t value);

// Opens the key once (never creates it); when it opens, sets each value of
// `writes` in memory and writes it. Returns whether the key opened; the
// in-memory settings are untouched when it did not.
bool StoreSettings(Settings& settings, const std::vector<SettingWrite>& writes);

// Posts `message` (the registered "ZARN_RADIOMINDER_PROPSCHG") with wParam 0
// and lParam 0 to every top-level window of the other applications, without
// waiting: a hung tray program cannot block the caller.
void BroadcastSettingsChanged(UINT message);

// Writes StartupDiagnostics as the 56-byte REG_BINARY value DebugInfo to the
// existing key (never creates it).
bool WriteDebugInfo(const StartupDiagnostics& diagnostics);

}  // namespace rm
