#include "bridge/host/LogFormat.h"

#include <cstdio>

namespace vtq {

std::string FormatLogTimeStamp(const LogTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%02d:%02d:%02d %02d/%02d/%04d", t.hour, t.minute,
                t.second, t.month, t.day, t.year);
  return buffer;
}

std::string FormatLogMessageV(const char* format, va_list args) {
  if (!format) return std::string();
  char buffer[kLogMessageMax + 1];
  const int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
  if (n < 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n) < kLogMessageMax
                                 ? static_cast<std::size_t>(n)
                                 : kLogMessageMax);
}

std::string FormatLogMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatLogMessageV(format, args);
  va_end(args);
  return text;
}

std::string ComposeLogLine(const LogTime& time, const std::string& message) {
  std::string line = FormatLogTimeStamp(time);
  line += "  ";
  line += message;
  if (line.size() > kLogLineMax) line.resize(kLogLineMax);
  return line;
}

std::string ToTextMode(const std::string& line) {
  std::string out;
  out.reserve(line.size() + 8);
  for (char c : line) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace vtq
