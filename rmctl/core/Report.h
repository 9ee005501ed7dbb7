// rmctl report: the diagnostics report assembled from plain data that the
// Windows layer gathers (registry, service manager, bridge, log file).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/RadioFlags.h"

namespace rmctl {

struct NamedNumber {
  std::string name;
  std::optional<std::uint32_t> value;  // none: missing or not a DWORD
};

struct ReportData {
  std::string version;   // rmctl's
  std::string rmctlPath;
  std::string windowsVersion;

  // The bridge's registration and service.
  std::string serverPath;           // LocalServer32 of vtqCallBiosEx; empty when not registered
  bool serverFileExists = false;
  std::string localService;         // the AppID's LocalService; empty when missing
  bool serviceInstalled = false;
  std::string serviceState;         // "running", "stopped", ...
  std::uint32_t servicePid = 0;
  std::vector<NamedNumber> parameters;  // MaxAllowed, Settings
  bool relayKeyFound = false;
  std::vector<NamedNumber> relayNames;  // subkey name and its vtqBEvntID

  // The tray program's settings of this user.
  bool settingsKeyFound = false;
  std::vector<NamedNumber> settings;
  bool debugInfoFound = false;
  bool debugInfoBinary = false;
  std::vector<std::uint8_t> debugInfo;

  // Through the bridge.
  std::optional<rm::WirelessWord> word;
  std::string wordError;             // why there is no word
  std::vector<std::uint8_t> machineRecord;  // empty: machineError says why
  std::string machineError;

  // The service log.
  std::string logPath;
  // The Windows error code with which opening the log failed; 0: it opened
  // and logText holds what was read. 2 and 3 (file or path not found) say
  // there is no log, 5 that the open was refused.
  std::uint32_t logOpenError = 2;
  std::string logText;  // the whole file
};

// Lines of the log to show.
inline constexpr std::size_t kReportLogLines = 50;

// The last `count` lines of `text` (a final line without a line end counts),
// each ending in '\n'; carriage returns before line ends are dropped.
std::string LastLines(const std::string& text, std::size_t count);

// Logging is on when bit 0 or bit 1 of Settings is set.
bool LoggingOn(const ReportData& data);

std::string ReportText(const ReportData& data);

}  // namespace rmctl
