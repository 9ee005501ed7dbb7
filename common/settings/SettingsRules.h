// The tray program's settings as process-wide integers, taken from the
// registry by the rule of common/RegistryValue.h. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/RegistryValue.h"

namespace rm {

// Each value defaults to 0; any nonzero value read means set.
struct Settings {
  std::uint32_t hideSysTray = 0;
  std::uint32_t hideBiosSettings = 0;
  std::uint32_t disableBalloons = 0;
  std::uint32_t disableFirstBalloon = 0;
  std::uint32_t doNotShowNoDevDlg = 0;
};

struct SettingsValue {
  const char* name;                 // registry value name
  std::uint32_t Settings::*member;  // where it is held
  bool rereadOnChange;              // re-read on the settings-changed message
};

// The five values in the order they are read and created.
inline constexpr std::size_t kSettingsValueCount = 5;
extern const SettingsValue kSettingsValues[kSettingsValueCount];

// One value to store: the registry name, where it is held, the new value.
struct SettingWrite {
  const char* name;
  std::uint32_t Settings::*member;
  std::uint32_t value;
  bool operator==(const SettingWrite& o) const { return name == o.name && member == o.member && value == o.value; }
};

}  // namespace rm
