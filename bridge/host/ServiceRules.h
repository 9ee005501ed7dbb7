// Decisions of the bridge's service host that need no Windows: the command
// line switch, the Settings bits, the service controls and the instance
// limit. The Win32 layer (ServiceModule) applies them.
#pragma once

#include <cstdint>
#include <string_view>

namespace vtq {

enum class Switch { None, UnregServer, RegServer, Service };

// The switch a command line asks for. Every '-' or '/' in the whole command
// line (program path included) is a candidate; the text after it, up to the
// end of the command line, must equal a switch name regardless of case. So
// a switch counts only as the last item of the command line. The first
// candidate that matches wins.
Switch ParseSwitch(std::string_view commandLine) noexcept;

struct LogFlags {
  bool success = false;  // Settings bit 0: success lines and start/stop lines
  bool failure = false;  // Settings bit 1: failure lines
};
LogFlags DecodeSettings(std::uint32_t settings) noexcept;

enum class ControlAction { None, Stop, SelfStop };
// Stop (1) runs the stop handling; shutdown (5) runs SelfStop; pause,
// continue, interrogate and anything else do nothing.
ControlAction ActionForControl(std::uint32_t control) noexcept;

// Whether a method that just finished stops the service: the number of
// instances made so far equals MaxAllowed. A limit of 0 means no limit
// (also when the instance count wraps around to 0).
bool InstanceLimitReached(std::uint32_t callCount, std::uint32_t maxAllowed) noexcept;

}  // namespace vtq
