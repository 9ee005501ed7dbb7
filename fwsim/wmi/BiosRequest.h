// The firmware method class vtqBIntM: which method names exist and how an
// InData object is judged before the request reaches the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fwsim::wmi {

// Methods vtqBIOSInt0 .. vtqBIOSInt4096 exist: the number is the output size.
inline constexpr std::uint32_t kMaxBiosOutputSize = 4096;

// The output size a method name stands for: "vtqBIOSInt" (any case) and a
// decimal number without sign or leading zeros, at most kMaxBiosOutputSize.
std::optional<std::uint32_t> BiosMethodOutputSize(const std::string& methodName);

// rwReturnCode of a request whose Sign is not "SECU": the firmware refuses
// it without running the command and answers zero bytes of the requested size.
inline constexpr std::uint32_t kReturnSignRejected = 0x5349;  // "IS": invalid signature

// The InData properties as read from the vtqBDataIn object; nullopt for a
// property that is missing, NULL or not of the type the class declares.
struct InDataFields {
  std::optional<std::vector<std::uint8_t>> sign;
  std::optional<std::int32_t> command;
  std::optional<std::int32_t> commandType;
  std::optional<std::int32_t> size;
  // vtqBData: a NULL value or a null array counts as no bytes.
  std::vector<std::uint8_t> data;
};

enum class RequestVerdict {
  Accepted,       // run the command
  BadParameters,  // WBEM_E_INVALID_METHOD_PARAMETERS
  SignRejected,   // answered with kReturnSignRejected
};

struct BiosRequest {
  RequestVerdict verdict = RequestVerdict::BadParameters;
  std::uint32_t command = 0;
  std::uint32_t commandType = 0;
  std::vector<std::uint8_t> input;  // the first Size bytes of vtqBData
};

// Command, CommandType and Size must be present; Size must not be negative
// nor larger than vtqBData. Sign is judged after those.
BiosRequest JudgeInData(const InDataFields& fields);

}  // namespace fwsim::wmi
