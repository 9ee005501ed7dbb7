#include "rmctl/core/Report.h"

#include <cstdio>
#include <string>

#include "rmctl/core/DebugInfoText.h"
#include "rmctl/core/MachineText.h"
#include "rmctl/core/RadioText.h"

namespace rmctl {
namespace {

// The Windows error codes the log's open may end with that the report names.
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;

std::string Number(const NamedNumber& n) {
  if (!n.value) return "(missing)";
  char text[32];
  std::snprintf(text, sizeof text, "%lu (0x%lX)", static_cast<unsigned long>(*n.value),
                static_cast<unsigned long>(*n.value));
  return text;
}

std::string Heading(const char* title) { return std::string("\n== ") + title + "\n"; }

std::string Field(const char* label, const std::string& value) {
  char text[40];
  std::snprintf(text, sizeof text, "%-21s ", label);
  return std::string(text) + (value.empty() ? "(none)" : value) + "\n";
}

}  // namespace

std::string LastLines(const std::string& text, std::size_t count) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(start, stop - start));
    start = next;
  }
  std::string out;
  for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) out += lines[i] + "\n";
  return out;
}

bool LoggingOn(const ReportData& data) {
  for (const NamedNumber& p : data.parameters)
    if (p.name == "Settings" && p.value && (*p.value & 3u)) return true;
  return false;
}

std::string ReportText(const ReportData& d) {
  std::string r = "Radio Minder diagnostics report\n";

  r += Heading("Programs");
  r += Field("rmctl", d.version + (d.rmctlPath.empty() ? "" : "  " + d.rmctlPath));
  r += Field("Windows", d.windowsVersion);
  std::string server = d.serverPath;
  if (!server.empty() && !d.serverFileExists) server += "  (file missing)";
  r += Field("Bridge server", server.empty() ? "not registered" : server);

  r += Heading("Bridge service");
  r += Field("LocalService", d.localService.empty() ? "(missing: COM runs the bridge as a plain server)" : d.localService);
  if (d.serviceInstalled) {
    std::string state = d.serviceState;
    if (d.servicePid) state += "  pid " + std::to_string(d.servicePid);
    r += Field("Service vtqwmi", state);
  } else {
    r += Field("Service vtqwmi", "not installed");
  }
  for (const NamedNumber& p : d.parameters) r += Field(p.name.c_str(), Number(p));
  r += Field("Logging", LoggingOn(d) ? "on" : "off");

  r += Heading("Relay names");
  if (!d.relayKeyFound) {
    r += "(the relay key is missing)\n";
  } else if (d.relayNames.empty()) {
    r += "(no names)\n";
  }
  for (const NamedNumber& n : d.relayNames) r += Field(("Global\\" + n.name).c_str(), "event ID " + Number(n));

  r += Heading("Tray program settings");
  if (!d.settingsKeyFound) r += "(the settings key is missing: all settings at their defaults, 0)\n";
  for (const NamedNumber& s : d.settings) r += Field(s.name.c_str(), Number(s));
  r += DebugInfoText(d.debugInfoFound ? d.debugInfo.data() : nullptr, d.debugInfo.size(), d.debugInfoBinary);

  r += Heading("Radios");
  r += d.word ? FlagsText(*d.word) : "unavailable: " + d.wordError + "\n";

  r += Heading("Machine");
  r += d.machineRecord.empty() ? "unavailable: " + d.machineError + "\n"
                               : MachineText(d.machineRecord.data(), d.machineRecord.size());

  r += Heading("Service log");
  r += Field("File", d.logPath);
  if (!LoggingOn(d)) {
    r += "(logging is off)\n";
  } else if (d.logOpenError == 0) {
    r += LastLines(d.logText, kReportLogLines);
  } else if (d.logOpenError == kFileNotFound || d.logOpenError == kPathNotFound) {
    r += "(no log file)\n";
  } else if (d.logOpenError == kAccessDenied) {
    r += "(log file: access denied)\n";
  } else {
    r += "(log file unreadable: error " + std::to_string(d.logOpenError) + ")\n";
  }
  return r;
}

}  // namespace rmctl
