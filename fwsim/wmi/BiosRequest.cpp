#include "fwsim/wmi/BiosRequest.h"

#include "fwsim/wmi/WqlQuery.h"
#include <cstddef>

namespace fwsim::wmi {

std::optional<std::uint32_t> BiosMethodOutputSize(const std::string& methodName) {
  static const std::string kPrefix = "vtqBIOSInt";
  if (methodName.size() <= kPrefix.size() || !EqualsNoCase(methodName.substr(0, kPrefix.size()), kPrefix))
    return std::nullopt;
  const std::string digits = methodName.substr(kPrefix.size());
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
    if (value > kMaxBiosOutputSize) return std::nullopt;
  }
  return value;
}

BiosRequest JudgeInData(const InDataFields& fields) {
  BiosRequest r;
  if (!fields.command || !fields.commandType || !fields.size) return r;
  if (*fields.size < 0 || static_cast<std::size_t>(*fields.size) > fields.data.size()) return r;
  static const std::vector<std::uint8_t> kSign = {0x53, 0x45, 0x43, 0x55};
  r.command = static_cast<std::uint32_t>(*fields.command);
  r.commandType = static_cast<std::uint32_t>(*fields.commandType);
  if (!fields.sign || *fields.sign != kSign) {
    r.verdict = RequestVerdict::SignRejected;
    return r;
  }
  r.input.assign(fields.data.begin(), fields.data.begin() + *fields.size);
  r.verdict = RequestVerdict::Accepted;
  return r;
}

}  // namespace fwsim::wmi
