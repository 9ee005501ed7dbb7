#include "bridge/host/RegistrationTable.h"

#include <iterator>

namespace vtq {

const std::vector<ClassRegistration>& ServedClasses() {
  static const std::vector<ClassRegistration> classes = {
      {"{7DC5B2D7-CACC-47F2-836E-4DF85F026072}", "vtqCallBiosEx Class", "Vtqwmi.vtqCallBiosEx.1",
       "Vtqwmi.vtqCallBiosEx"},
      {"{3F69327D-4A1C-4092-A219-910FAA92975C}", "WmiKestrel Class", "vtqwmi.WmiKestrel.1",
       "vtqwmi.WmiKestrel"},
  };
  return classes;
}

std::vector<std::string> ClassKeysToDelete(const ClassRegistration& c) {
  return {c.progId, c.versionIndependentProgId, std::string("CLSID\\") + c.clsid};
}

std::vector<RegistryEntry> ClassEntries(const ClassRegistration& c, const std::string& exePath) {
  const std::string clsidKey = std::string("CLSID\\") + c.clsid;
  const std::string progId = c.progId;
  const std::string viProgId = c.versionIndependentProgId;
  return {
      {progId, "", c.description},
      {progId + "\\CLSID", "", c.clsid},
      {viProgId, "", c.description},
      {viProgId + "\\CLSID", "", c.clsid},
      {viProgId + "\\CurVer", "", progId},
      {clsidKey, "", c.description},
      {clsidKey, "AppID", kAppId},
      {clsidKey + "\\ProgID", "", progId},
      {clsidKey + "\\VersionIndependentProgID", "", viProgId},
      {clsidKey + "\\Programmable", "", "", false},
      {clsidKey + "\\LocalServer32", "", "\"" + exePath + "\""},
      {clsidKey + "\\TypeLib", "", kLibId},
  };
}

std::vector<std::string> AppIdKeysToDelete() {
  return {std::string("AppID\\") + kAppId, std::string("AppID\\") + kExeName};
}

std::vector<std::string> AppIdKeysToReplace() { return {std::string("AppID\\") + kExeName}; }

std::vector<std::string> AppIdValuesToDelete() { return {kLocalServiceValue}; }

std::vector<RegistryEntry> AppIdEntries() {
  return {
      {std::string("AppID\\") + kAppId, "", kAppIdName},
      {std::string("AppID\\") + kExeName, "AppID", kAppId},
  };
}

RegistrationTable BridgeRegistrationTable(const std::string& serviceName) {
  RegistrationTable table;
  table.appIdKeysToReplace = AppIdKeysToReplace();
  table.appIdValuesToDelete = AppIdValuesToDelete();
  table.appIdEntries = AppIdEntries();
  table.appIdKeysToDelete = AppIdKeysToDelete();
  table.serviceValues = {
      {kLocalServiceValue, serviceName},
      {kServiceParametersValue, kServiceArguments},
      {kWineServiceParamsValue, kServiceArguments, true},
  };
  table.classes = ServedClasses();
  table.parameterDefaults = {{kMaxAllowedValue, 0}, {kSettingsValue, 0}};
  table.relayNames.assign(std::begin(kRelayEventNames), std::end(kRelayEventNames));
  return table;
}

}  // namespace vtq
