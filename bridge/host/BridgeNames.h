// The bridge's own fixed names, each written once: its type library and
// the names of its registration that no other program reads. What its
// clients share with it (AppID, relay key, parameters, log) is in
// common/BridgeContract.h.
#pragma once

#include "common/BridgeContract.h"

namespace vtq {

inline constexpr char kLibId[] = "{E42CC8E5-C25D-4864-B25C-84332DC9BF2B}";
inline constexpr char kAppIdName[] = "vtqwmi";
inline constexpr char kExeName[] = "vtqwmi.EXE";

// Values of the AppID key (HKEY_CLASSES_ROOT\AppID\{AppID}) besides
// LocalService.
inline constexpr char kServiceParametersValue[] = "ServiceParameters";
// Wine's COM reads the service's arguments from this value instead.
inline constexpr char kWineServiceParamsValue[] = "ServiceParams";
inline constexpr char kServiceArguments[] = "-Service";

}  // namespace vtq
