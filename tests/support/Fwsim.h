// The firmware stand-in's tool, fwsim.exe, run as another process: it sets
// up and reads the simulated notebook that every process of the prefix
// shares.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/BuildPaths.h"
#include "tests/support/Process.h"

namespace rmtest {

inline bool FwsimBuilt() { return FileExists(FwsimExe()); }
// The stand-in's WMI server, which the prefix registers as the WMI locator.
inline bool FwsimServerBuilt() { return FileExists(BuildWinPath("fwsim/fwsimwmi.dll")); }

// Runs the tool with `args`; its exit code (the tool's own are 0, 1 and 2)
// and, when `output` is given, what it printed to standard output and error.
// -1: it did not end within a minute, or it never ran properly (it could not
// be started, or ended abnormally at start-up under Wine, seen rarely on a
// freshly made prefix); only a launch that never ran is tried again, at
// most three times in all, and the tool's answers never are.
inline int Fwsim(const std::string& args, std::string* output = nullptr) {
  StartOptions options;
  options.output = Output::kPipe;
  options.flags = CREATE_NO_WINDOW;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt) ::Sleep(200);
    Process p = Process::Start(FwsimExe(), args, options);
    if (!p) continue;
    DWORD code = 0;
    if (!p.WaitExit(std::chrono::seconds(60), &code)) {
      if (output) *output = p.Out();
      return -1;
    }
    if (output) *output = p.Out();
    if (code != static_cast<DWORD>(-1)) return static_cast<int>(code);
  }
  return -1;
}

// What the tool printed; empty when it did not run or end.
inline std::string FwsimOutput(const std::string& args) {
  std::string out;
  return Fwsim(args, &out) == -1 ? std::string() : out;
}

// The number after `label` in the tool's output (decimal, or hexadecimal
// after 0x).
inline bool FwsimNumber(const std::string& output, const std::string& label, std::uint32_t& value) {
  const std::size_t at = output.find(label);
  if (at == std::string::npos) return false;
  const char* start = output.c_str() + at + label.size();
  char* end = nullptr;
  const unsigned long v = std::strtoul(start, &end, 0);
  if (end == start) return false;
  value = static_cast<std::uint32_t>(v);
  return true;
}

// The simulated notebook's wireless status word (byte 0 in the low bits),
// as "fwsim show" prints it; 0xFFFFFFFF when it cannot be read.
inline DWORD FwsimWirelessWord() {
  std::uint32_t word = 0;
  return FwsimNumber(FwsimOutput("show"), "wireless word: ", word) ? word : 0xFFFFFFFF;
}

}  // namespace rmtest
