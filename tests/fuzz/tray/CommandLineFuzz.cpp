// rmtray's command line on arbitrary bytes (cut at the first zero byte, as
// the system hands it over): asking for the status page does not depend on
// the letters' case, survives any text around it, and is only ever answered
// for a line that holds the word.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tray/core/StartupRules.h"

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char FlipCase(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

bool HoldsWordAt(const std::string& line, std::size_t at) {
  static const char kWord[] = "SHOWSTATUS";
  for (std::size_t i = 0; i < sizeof kWord - 1; ++i)
    if (Upper(line[at + i]) != kWord[i]) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string line = bytes.substr(0, bytes.find('\0'));
  const bool wants = rm::CommandLineWantsStatusPage(line.c_str());

  bool holds = false;
  for (std::size_t at = 0; !holds && at + 10 <= line.size(); ++at) holds = HoldsWordAt(line, at);
  if (wants != holds) std::abort();

  std::string flipped = line;
  for (char& c : flipped) c = FlipCase(c);
  if (rm::CommandLineWantsStatusPage(flipped.c_str()) != wants) std::abort();
  // Text around the line keeps the answer yes.
  if (!rm::CommandLineWantsStatusPage(("\"C:\\rmtray.exe\" " + line + " /x").c_str()) && wants) std::abort();
  if (!rm::CommandLineWantsStatusPage((line + " showStatus").c_str())) std::abort();
  if (rm::CommandLineWantsStatusPage(nullptr)) std::abort();
  return 0;
}
