// The bridge's fixed names, each written once: its AppID and type library,
// the registry places of its registration and its parameters, the log's
// place. (The relay's event names live with the relay.)
#pragma once

namespace vtq {

inline constexpr char kServiceName[] = "vtqwmi";

inline constexpr char kAppId[] = "{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";
inline constexpr char kLibId[] = "{E42CC8E5-C25D-4864-B25C-84332DC9BF2B}";
inline constexpr char kAppIdName[] = "vtqwmi";
inline constexpr char kExeName[] = "vtqwmi.EXE";

// Values of the AppID key (HKEY_CLASSES_ROOT\AppID\{AppID}).
inline constexpr char kLocalServiceValue[] = "LocalService";
inline constexpr char kServiceParametersValue[] = "ServiceParameters";
// Wine's COM reads the service's arguments from this value instead.
inline constexpr char kWineServiceParamsValue[] = "ServiceParams";
inline constexpr char kServiceArguments[] = "-Service";

// HKEY_LOCAL_MACHINE: the service's parameters, read at the start of Run.
inline constexpr char kParametersKey[] = "System\\CurrentControlSet\\Services\\vtqwmi\\Parameters";
inline constexpr char kMaxAllowedValue[] = "MaxAllowed";
inline constexpr char kSettingsValue[] = "Settings";

// The log: this folder under the common application data folder, this file.
inline constexpr char kLogFolderName[] = "vtqwmi";
inline constexpr char kLogFileName[] = "vtqwmi.log";

}  // namespace vtq
