#include "rmctl/core/MachineText.h"

#include "rmctl/core/MachineInfoText.h"
#include "rmctl/core/Json.h"

namespace rmctl {

std::string MachineText(const std::uint8_t* record, std::size_t size) {
  std::string text;
  for (const std::string& line : FormatMachineInfoRecord(record, size)) text += line + "\n";
  return text;
}

std::string MachineJson(const std::uint8_t* record, std::size_t size) {
  std::string json = "{";
  for (const std::string& line : FormatMachineInfoRecord(record, size)) {
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    if (json.size() > 1) json += ",";
    json += JsonString(line.substr(0, colon)) + ":" + JsonString(line.substr(colon + 2));
  }
  return json + "}";
}

}  // namespace rmctl
