// The service log's line format: a local time stamp, two spaces and the
// message, cut to what the log's 260-character line buffer holds.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace vtq {

// Longest message text (the message buffer holds 520 characters) and
// longest whole line (260 with the terminator).
inline constexpr std::size_t kLogMessageMax = 519;
inline constexpr std::size_t kLogLineMax = 259;

struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "hh:mm:ss MM/DD/YYYY" (24-hour clock, month before day).
std::string FormatLogTimeStamp(const LogTime& time);

// The caller's format and arguments, cut to kLogMessageMax characters.
std::string FormatLogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatLogMessageV(const char* format, va_list args);

// Time stamp, two spaces, message; the whole cut to kLogLineMax characters.
// The message carries its own line end; none is added (a cut message loses
// it, and the next line then continues on the same text line).
std::string ComposeLogLine(const LogTime& time, const std::string& message);

// Text-mode file form of a line: every line feed becomes CR LF.
std::string ToTextMode(const std::string& line);

}  // namespace vtq
