#include "rmctl/core/Report.h"

#include <gtest/gtest.h>

namespace rmctl {
namespace {

TEST(RmctlReport, LastLinesOfTheLog) {
  struct Case {
    std::string text;
    std::size_t count;
    std::string tail;
  };
  const Case cases[] = {
      {"", 50, ""},
      {"a\r\nb\r\nc\r\n", 2, "b\nc\n"},
      {"a\nb\nc", 2, "b\nc\n"},
      {"a\nb\nc\n", 3, "a\nb\nc\n"},
      {"a\nb\nc\n", 4, "a\nb\nc\n"},
      {"a\n\nc\n", 2, "\nc\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(LastLines(c.text, c.count), c.tail) << c.text;
  std::string log;
  for (int i = 1; i <= 51; ++i) log += "line " + std::to_string(i) + "\r\n";
  const std::string tail = LastLines(log, kReportLogLines);
  EXPECT_EQ(tail.rfind("line 2\n", 0), 0u);
  EXPECT_EQ(tail.size() - tail.rfind("line 51\n"), 8u);
}

ReportData Sample() {
  ReportData d;
  d.version = "1.0";
  d.rmctlPath = "C:\\rm\\rmctl.exe";
  d.serverPath = "C:\\rm\\vtqwmi.exe";
  d.serverFileExists = true;
  d.localService = "vtqwmi";
  d.serviceInstalled = true;
  d.serviceState = "running";
  d.servicePid = 42;
  d.parameters = {{"MaxAllowed", 0u}, {"Settings", 3u}};
  d.relayKeyFound = true;
  d.relayNames = {{"VtqWmiBiosWirelessEvent", 5u}, {"Other", std::nullopt}};
  d.settingsKeyFound = true;
  d.settings = {{"HideSysTray", 1u}, {"DoNotShowNoDevDlg", std::nullopt}};
  d.word = rm::WirelessWord{0x3B, 0x0F, 0x07, 0x00};
  d.machineError = "0x80041010 (WBEM_E_INVALID_CLASS)";
  d.logPath = "C:\\ProgramData\\vtqwmi\\vtqwmi.log";
  d.logOpenError = 0;
  d.logText = "12:00:00 12/08/2026  VTQWMI Service Started\r\n";
  return d;
}

TEST(RmctlReport, SectionsCarryWhatWasGathered) {
  const std::string r = ReportText(Sample());
  for (const char* line : {
           "rmctl                 1.0  C:\\rm\\rmctl.exe\n",
           "Bridge server         C:\\rm\\vtqwmi.exe\n",
           "Service vtqwmi        running  pid 42\n",
           "MaxAllowed            0 (0x0)\n",
           "Settings              3 (0x3)\n",
           "Logging               on\n",
           "Global\\VtqWmiBiosWirelessEvent event ID 5 (0x5)\n",
           "Global\\Other          event ID (missing)\n",
           "HideSysTray           1 (0x1)\n",
           "DoNotShowNoDevDlg     (missing)\n",
           "DebugInfo: none (no start of the tray program has been refused for this user)\n",
           "  Bluetooth:  present, not usable, on - Wireless Button\n",
           "\n== Machine\nunavailable: 0x80041010 (WBEM_E_INVALID_CLASS)\n",
           "12:00:00 12/08/2026  VTQWMI Service Started\n",
       }) {
    EXPECT_NE(r.find(line), std::string::npos) << line << "\n---\n" << r;
  }
}

TEST(RmctlReport, LogShownOnlyWhenLoggingIsOnAndMissingPartsSaySo) {
  for (std::uint32_t settings : {0u, 1u, 2u, 4u}) {
    ReportData d = Sample();
    d.parameters = {{"Settings", settings}};
    EXPECT_EQ(LoggingOn(d), settings == 1 || settings == 2) << settings;
    EXPECT_EQ(ReportText(d).find("VTQWMI Service Started") != std::string::npos, settings == 1 || settings == 2);
  }
  // The Windows error of the log's open: not found (file, path), refused,
  // anything else.
  const struct {
    std::uint32_t error;
    const char* says;
  } opens[] = {
      {2, "\n(no log file)\n"},
      {3, "\n(no log file)\n"},
      {5, "\n(log file: access denied)\n"},
      {32, "\n(log file unreadable: error 32)\n"},
      {1920, "\n(log file unreadable: error 1920)\n"},
  };
  for (const auto& open : opens) {
    ReportData d = Sample();
    d.logOpenError = open.error;
    const std::string r = ReportText(d);
    EXPECT_NE(r.find(std::string("C:\\ProgramData\\vtqwmi\\vtqwmi.log") + open.says), std::string::npos)
        << open.error << "\n---\n" << r;
    EXPECT_EQ(r.find("VTQWMI Service Started"), std::string::npos) << open.error;
  }
  ReportData d;
  d.wordError = "the bridge service vtqwmi is not registered";
  d.machineError = d.wordError;
  const std::string r = ReportText(d);
  for (const char* line : {
           "Bridge server         not registered\n",
           "Service vtqwmi        not installed\n",
           "(the relay key is missing)\n",
           "(the settings key is missing: all settings at their defaults, 0)\n",
           "\n== Radios\nunavailable: the bridge service vtqwmi is not registered\n",
           "(logging is off)\n",
       }) {
    EXPECT_NE(r.find(line), std::string::npos) << line << "\n---\n" << r;
  }
}

}  // namespace
}  // namespace rmctl
