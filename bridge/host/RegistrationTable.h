// The bridge's registration as data: the keys and values written under
// HKEY_CLASSES_ROOT for the AppID and for each class (with placeholders for
// what differs per class and the executable's path), the AppID's values for
// the service, the defaults of the service's parameters and the relay
// names. ServerRegistration writes it and removes it again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bridge/host/BridgeNames.h"

namespace vtq {

struct ClassRegistration {
  const char* clsid;        // in braces
  const char* description;
  const char* progId;
  const char* versionIndependentProgId;
};

// Table order: vtqCallBiosEx, then WmiKestrel.
const std::vector<ClassRegistration>& ServedClasses();

// One value to write: key path under HKEY_CLASSES_ROOT, value name (empty:
// the key's default value) and text. A key without value (Programmable) has
// `hasValue` false.
struct RegistryEntry {
  std::string key;
  std::string name;
  std::string text;
  bool hasValue = true;
};

// Keys removed whole before writing (delete-then-write) and when
// unregistering. "CLSID" and "AppID" themselves are never among them.
std::vector<std::string> ClassKeysToDelete(const ClassRegistration& c);
std::vector<RegistryEntry> ClassEntries(const ClassRegistration& c, const std::string& exePath);

// Unregistration removes both AppID keys whole.
std::vector<std::string> AppIdKeysToDelete();
// Registration deletes only the executable's key whole before writing: the
// AppID key keeps what an earlier registration with the service wrote
// (ServiceParameters), apart from the values of AppIdValuesToDelete.
std::vector<std::string> AppIdKeysToReplace();
// Values of the AppID key deleted at every registration (LocalService:
// written again only when registering with the service).
std::vector<std::string> AppIdValuesToDelete();
std::vector<RegistryEntry> AppIdEntries();

// A value of the AppID key written when registering with the service;
// `wineOnly` values are written only under Wine. Removed with the key.
struct AppIdValue {
  std::string name;
  std::string text;
  bool wineOnly = false;
};

// A REG_DWORD of HKEY_LOCAL_MACHINE\<kParametersKey> that registration
// with the service sets to its default.
struct ParameterDefault {
  const char* name;
  std::uint32_t value;
};

// The whole registration, in the order it is written.
struct RegistrationTable {
  std::vector<std::string> appIdKeysToReplace;   // deleted whole before writing
  std::vector<std::string> appIdValuesToDelete;  // deleted before writing
  std::vector<RegistryEntry> appIdEntries;
  std::vector<std::string> appIdKeysToDelete;    // deleted whole by unregistration
  std::vector<AppIdValue> serviceValues;         // with the service only
  std::vector<ClassRegistration> classes;
  std::vector<ParameterDefault> parameterDefaults;  // with the service only
  // With the service only; unregistration removes them (and the relay key
  // with the last one).
  std::vector<RelayEventName> relayNames;
};

// `serviceName` is what LocalService names (the executable's string).
RegistrationTable BridgeRegistrationTable(const std::string& serviceName);

}  // namespace vtq
