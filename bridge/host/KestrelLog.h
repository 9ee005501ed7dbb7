// The log lines of IvtqCallKestrelBios: which line a call writes under the
// two log flags, and its text. An empty text means no line.
#pragma once

#include <cstdint>
#include <string>

#include "bridge/host/ServiceRules.h"

namespace vtq {

// vtqExecDataBlock: the success line shows the command, the instance, the
// value now in lpdwState (signed) and the result; the failure line the
// result, the command and the instance.
std::string ExecDataBlockLogText(const LogFlags& flags, std::int32_t result, std::uint32_t command,
                                 std::uint32_t instance, std::uint32_t state);

// vtqSetupEvent: the result.
std::string SetupEventLogText(const LogFlags& flags, std::int32_t result);

}  // namespace vtq
