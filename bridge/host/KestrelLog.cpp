#include "bridge/host/KestrelLog.h"

#include "bridge/host/LogFormat.h"

namespace vtq {
namespace {

unsigned long AsHex(std::int32_t result) {
  return static_cast<unsigned long>(static_cast<std::uint32_t>(result));
}

bool Wanted(const LogFlags& flags, std::int32_t result) {
  return result >= 0 ? flags.success : flags.failure;
}

}  // namespace

std::string ExecDataBlockLogText(const LogFlags& flags, std::int32_t result, std::uint32_t command,
                                 std::uint32_t instance, std::uint32_t state) {
  if (!Wanted(flags, result)) return std::string();
  if (result >= 0)
    return FormatLogMessage("CWmiKestrel::vtqExecDataBlock Cmd: %d, Inst:%d, State: %ld, returns: 0x%08lX\n",
                            static_cast<int>(command), static_cast<int>(instance),
                            static_cast<long>(static_cast<std::int32_t>(state)), AsHex(result));
  return FormatLogMessage("CWmiKestrel::vtqExecDataBlock FAILED: 0x%08lX. Cmd: %d, Inst:%d\n",
                          AsHex(result), static_cast<int>(command), static_cast<int>(instance));
}

std::string SetupEventLogText(const LogFlags& flags, std::int32_t result) {
  if (!Wanted(flags, result)) return std::string();
  return result >= 0 ? FormatLogMessage("vtqSetupEvent returns: 0x%08lX\n", AsHex(result))
                     : FormatLogMessage("vtqSetupEvent FAILED: 0x%08lX\n", AsHex(result));
}

}  // namespace vtq
