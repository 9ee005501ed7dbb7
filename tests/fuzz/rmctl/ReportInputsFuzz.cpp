// What rmctl reads from outside and turns into text: the machine
// information record the bridge answers, the DebugInfo value of the
// settings key, the service log's text, and any text it quotes in JSON.
// The first input byte chooses which; the rest are its bytes, in a block of
// exactly their size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/StartupDiagnostics.h"
#include "rmctl/core/DebugInfoText.h"
#include "rmctl/core/Json.h"
#include "rmctl/core/MachineText.h"
#include "rmctl/core/Report.h"

namespace {

// Lines each ending in '\n' (or no text at all).
bool Lines(const std::string& text) { return text.empty() || text.back() == '\n'; }

void MachineRecord(const std::uint8_t* bytes, std::size_t size) {
  if (!Lines(rmctl::MachineText(bytes, size))) std::abort();
  const std::string json = rmctl::MachineJson(bytes, size);
  if (json.empty() || json.front() != '{' || json.back() != '}') std::abort();
  for (char c : json)
    if (static_cast<unsigned char>(c) < 0x20) std::abort();
}

void DebugInfo(const std::uint8_t* bytes, std::size_t size, bool binary) {
  const auto record = rm::StartupDiagnostics::Parse(bytes, size);
  if (record.has_value() != (size == rm::StartupDiagnostics::kBytes)) std::abort();
  if (record) {
    const auto again = record->Serialize();
    if (std::memcmp(again.data(), bytes, size) != 0) std::abort();
    if (rmctl::FailedStep(*record).find('\n') != std::string::npos) std::abort();
  }
  const std::string text = rmctl::DebugInfoText(bytes, size, binary);
  if (text.empty() || !Lines(text)) std::abort();
}

void LogText(const std::string& text, std::size_t count) {
  const std::string tail = rmctl::LastLines(text, count);
  if (!Lines(tail)) std::abort();
  std::size_t lines = 0;
  for (char c : tail) lines += c == '\n';
  if (lines > count) std::abort();
  // Every line shown is a line of the text, and the last one is its last.
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain += text[i];
  if (!text.empty() && count > 0) {
    if (tail.empty()) std::abort();
    std::string plainEnded = plain;
    if (plainEnded.back() != '\n') {
      if (plainEnded.back() == '\r') plainEnded.pop_back();
      plainEnded += '\n';
    }
    if (plainEnded.size() < tail.size() ||
        plainEnded.compare(plainEnded.size() - tail.size(), tail.size(), tail) != 0)
      std::abort();
  }
}

void Quoted(const std::string& text) {
  const std::string j = rmctl::JsonString(text);
  if (j.size() < 2 || j.front() != '"' || j.back() != '"') std::abort();
  // Unescaped, the literal gives the text back.
  std::string back;
  for (std::size_t i = 1; i + 1 < j.size(); ++i) {
    const char c = j[i];
    if (static_cast<unsigned char>(c) < 0x20) std::abort();
    if (c == '"') std::abort();
    if (c != '\\') {
      back += c;
      continue;
    }
    if (++i + 1 >= j.size()) std::abort();
    switch (j[i]) {
      case '"': back += '"'; break;
      case '\\': back += '\\'; break;
      case '/': back += '/'; break;
      case 'b': back += '\b'; break;
      case 'f': back += '\f'; break;
      case 'n': back += '\n'; break;
      case 'r': back += '\r'; break;
      case 't': back += '\t'; break;
      case 'u': {
        if (i + 4 > j.size() - 2) std::abort();
        const unsigned long v = std::strtoul(j.substr(i + 1, 4).c_str(), nullptr, 16);
        if (v >= 0x20) std::abort();
        back += static_cast<char>(v);
        i += 4;
        break;
      }
      default: std::abort();
    }
  }
  if (back != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t choice = data[0];
  const std::size_t length = size - 1;
  std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[length ? length : 1]);
  if (length) std::memcpy(block.get(), data + 1, length);
  const std::uint8_t* bytes = length ? block.get() : nullptr;
  const std::string text(reinterpret_cast<const char*>(block.get()), length);
  switch (choice & 3) {
    case 0: MachineRecord(bytes, length); break;
    case 1: DebugInfo(bytes, length, choice & 4); break;
    case 2: LogText(text, choice >> 2); break;
    case 3: Quoted(text); break;
  }
  return 0;
}
