// The service log's line composition on arbitrary clocks and messages: a
// line never exceeds its 259 characters, is the time stamp, two spaces and
// the message cut at that length, and its text-mode form differs only by a
// carriage return before each line feed. The message formatting cuts at 519
// characters, and the data-block log texts stay whole lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>

#include "bridge/host/KestrelLog.h"
#include "bridge/host/LogFormat.h"

namespace {

std::int32_t Read32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  std::memcpy(&v, p, 4);
  return static_cast<std::int32_t>(v);
}

bool InRange(int v, int low, int high) { return v >= low && v <= high; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeader = 6 * 4 + 1;
  if (size < kHeader) return 0;
  vtq::LogTime t;
  t.year = Read32(data);
  t.month = Read32(data + 4);
  t.day = Read32(data + 8);
  t.hour = Read32(data + 12);
  t.minute = Read32(data + 16);
  t.second = Read32(data + 20);
  const std::uint8_t flags = data[24];
  const std::string message(reinterpret_cast<const char*>(data + kHeader), size - kHeader);

  const std::string stamp = vtq::FormatLogTimeStamp(t);
  if (InRange(t.year, 0, 9999) && InRange(t.month, 0, 99) && InRange(t.day, 0, 99) && InRange(t.hour, 0, 99) &&
      InRange(t.minute, 0, 99) && InRange(t.second, 0, 99)) {
    if (stamp.size() != 19 || stamp[2] != ':' || stamp[5] != ':' || stamp[8] != ' ' || stamp[11] != '/' ||
        stamp[14] != '/')
      std::abort();
  }

  const std::string line = vtq::ComposeLogLine(t, message);
  if (line.size() > vtq::kLogLineMax) std::abort();
  const std::string whole = stamp + "  " + message;
  if (line.size() != std::min(whole.size(), vtq::kLogLineMax) || whole.compare(0, line.size(), line) != 0)
    std::abort();

  const std::string text = vtq::ToTextMode(line);
  std::string back;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) std::abort();
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    back += text[i];
  }
  if (back != line) std::abort();

  // A client's text through "%s": cut at its first zero byte and at 519.
  const std::string formatted = vtq::FormatLogMessage("%s", message.c_str());
  const std::string cText = message.substr(0, message.find('\0'));
  if (formatted != cText.substr(0, vtq::kLogMessageMax)) std::abort();

  // The data-block lines for any numbers: one line each, or none.
  vtq::LogFlags logFlags;
  logFlags.success = flags & 1;
  logFlags.failure = flags & 2;
  const std::uint32_t a = static_cast<std::uint32_t>(t.year), b = static_cast<std::uint32_t>(t.month),
                      c = static_cast<std::uint32_t>(t.day);
  for (const std::string& s :
       {vtq::ExecDataBlockLogText(logFlags, t.hour, a, b, c), vtq::SetupEventLogText(logFlags, t.minute)}) {
    if (s.empty()) continue;
    if (s.size() > vtq::kLogMessageMax || s.back() != '\n' || s.find('\n') != s.size() - 1) std::abort();
  }
  return 0;
}
