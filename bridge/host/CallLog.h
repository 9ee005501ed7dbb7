// The lines the bridge writes to its log (format strings for WriteLog).
#pragma once

namespace vtq::logtext {

inline constexpr char kServiceStarted[] = "VTQWMI Service Started\n";
inline constexpr char kServiceStopped[] = "VTQWMI Service Stopped\n";
// The process-wide COM security could not be set (the AppID's permissions
// apply instead).
inline constexpr char kSecurityFailed[] = "CoInitializeSecurity FAILED: 0x%08lX\n";

// Result (0x%08lX takes the HRESULT as unsigned long).
inline constexpr char kMachineInfoOk[] = "vtqGetMachineInfoEx returns: 0x%08lX\n";
inline constexpr char kMachineInfoFailed[] = "vtqGetMachineInfoEx FAILED: 0x%08lX\n";
// CallCount, dwCmd, dwType, result.
inline constexpr char kExecOk[] = "vtqExecMethodEx CallCount: %ld, Cmd: %xh, Type: %xh, returns: 0x%08lX\n";
// dwCmd, dwType, result.
inline constexpr char kExecFailed[] = "vtqExecMethodEx Cmd: %xh, Type: %xh, FAILED: 0x%08lX\n";
inline constexpr char kSetupOk[] = "vtqSetupWmiEvents returns: 0x%08lX\n";
inline constexpr char kSetupFailed[] = "vtqSetupWmiEvents FAILED: 0x%08lX\n";
inline constexpr char kTurnOnOk[] = "vtqTurnOnExternalDisplays returns: 0x%08lX\n";
inline constexpr char kTurnOnFailed[] = "vtqTurnOnExternalDisplays FAILED: 0x%08lX\n";
// The success line shows the value placed in lpDevice, not the result.
inline constexpr char kAttachedOk[] = "vtqGetAttachedExternalDisplays returns: 0x%08lX\n";
inline constexpr char kAttachedFailed[] = "vtqGetAttachedExternalDisplays FAILED: 0x%08lX\n";

}  // namespace vtq::logtext
