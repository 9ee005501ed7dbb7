#include "common/settings/SettingsStore.h"

#include "common/SettingsNames.h"
#include "common/win/OwningWrappers.h"

namespace rm {
namespace {

UniqueRegKey OpenSettingsKey() {
  UniqueRegKey key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, kSettingsKeyAccess, key.put()) != ERROR_SUCCESS) {
    key.release();
  }
  return key;
}

// Takes the value only when it is a 4-byte REG_DWORD.
void ReadDword(HKEY key, const char* name, std::uint32_t* target) {
  DWORD type = 0;
  BYTE data[4] = {};
  DWORD size = sizeof data;
  if (::RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) return;
  TakeDwordValue(type, data, size, target);
}

// Posted to every top-level window of the other applications, without
// waiting.
constexpr DWORD kBroadcastFlags = BSF_IGNORECURRENTTASK | BSF_POSTMESSAGE | BSF_FORCEIFHUNG | BSF_ALLOWSFW;
static_assert(kBroadcastFlags == 0xB2, "the broadcast's flags");

bool SetDword(HKEY key, const char* name, DWORD value) {
  return ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

}  // namespace

Settings& AppSettings() {
  static Settings settings;
  return settings;
}

void ReadSettingsAtStartup(Settings& settings) { LoadOrCreateSettings(settings, kSettingsValueCount); }

void LoadOrCreateSettings(Settings& settings, std::size_t valueCount) {
  if (valueCount > kSettingsValueCount) valueCount = kSettingsValueCount;
  UniqueRegKey software;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsParentKey, 0, KEY_READ, software.put()) != ERROR_SUCCESS) {
    software.release();
    return;
  }
  UniqueRegKey vendor;
  if (::RegCreateKeyExA(software.get(), kSettingsVendorKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        kSettingsKeyAccess, nullptr, vendor.put(), nullptr) != ERROR_SUCCESS) {
    vendor.release();
    return;
  }
  UniqueRegKey product;
  DWORD disposition = 0;
  if (::RegCreateKeyExA(vendor.get(), kSettingsProductKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        kSettingsKeyAccess, nullptr, product.put(), &disposition) != ERROR_SUCCESS) {
    product.release();
    return;
  }
  for (std::size_t i = 0; i < valueCount; ++i) {
    const SettingsValue& v = kSettingsValues[i];
    if (disposition == REG_OPENED_EXISTING_KEY) {
      ReadDword(product.get(), v.name, &(settings.*v.member));
    } else {
      SetDword(product.get(), v.name, 0);
    }
  }
}

bool RereadChangedSettings(Settings& settings) {
  const UniqueRegKey key = OpenSettingsKey();
  if (!key) return false;
  for (const SettingsValue& v : kSettingsValues) {
    if (v.rereadOnChange) ReadDword(key.get(), v.name, &(settings.*v.member));
  }
  return true;
}

bool WriteSettingsDword(const char* name, DWORD value) {
  const UniqueRegKey key = OpenSettingsKey();
  return key && SetDword(key.get(), name, value);
}

bool StoreSetting(Settings& settings, std::uint32_t Settings::*member, const char* name, std::uint32_t value) {
  const UniqueRegKey key = OpenSettingsKey();
  if (!key || settings.*member == value) return false;
  settings.*member = value;
  return SetDword(key.get(), name, value);
}

bool StoreSettings(Settings& settings, const std::vector<SettingWrite>& writes) {
  const UniqueRegKey key = OpenSettingsKey();
  if (!key) return false;
  for (const SettingWrite& w : writes) {
    settings.*w.member = w.value;
    SetDword(key.get(), w.name, w.value);
  }
  return true;
}

void BroadcastSettingsChanged(UINT message) {
  DWORD recipients = BSM_APPLICATIONS;
  ::BroadcastSystemMessageA(kBroadcastFlags, &recipients, message, 0, 0);
}

bool WriteDebugInfo(const StartupDiagnostics& diagnostics) {
  const UniqueRegKey key = OpenSettingsKey();
  if (!key) return false;
  const auto bytes = diagnostics.Serialize();
  return ::RegSetValueExA(key.get(), kDebugInfo, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())) ==
         ERROR_SUCCESS;
}

}  // namespace rm
