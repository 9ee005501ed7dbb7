// The decisions of IvtqCallKestrelBios that need no Windows: the commands
// of vtqExecDataBlock, the data-block instance names, which object of the
// vtqDockQuery enumeration is the wanted one and what the walk answers.
#pragma once

#include <cstdint>
#include <string>

namespace vtq {

inline constexpr std::uint32_t kDataBlockRead = 1;
inline constexpr std::uint32_t kDataBlockWrite = 2;

inline constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG

// "ACPI\PNP0C14\0_" and the instance number in decimal, read as a signed
// 32-bit number (0xFFFFFFFF names "...0_-1"): at most 26 characters.
std::string DataBlockInstanceName(std::uint32_t instance);

// Before any enumeration: E_INVALIDARG for a command other than read and
// write, E_POINTER for a missing state; 0 when the access may go ahead.
std::int32_t CheckDataBlockRequest(std::uint32_t command, bool hasState) noexcept;

// A found InstanceName names the wanted instance when it equals the wanted
// name character for character, ASCII letters compared without regard to
// case. Other characters must match exactly, so no name with characters
// outside ASCII can stand in for an instance number.
bool SameInstanceName(const std::u16string& found, const std::string& wanted) noexcept;

// The answer of one walk over the data-block class's instances. The caller
// reports, for every object whose name matched, the result of its access;
// and how the enumeration ended.
class DataBlockWalk {
 public:
  // An object with the wanted name was read or written (hr >= 0) or its
  // access failed with hr.
  void Accessed(std::int32_t hr) noexcept;
  // Next answered a failure (not the end of the enumeration).
  void EnumerationFailed(std::int32_t hr) noexcept;
  bool Done() const noexcept { return done_; }

  // S_OK once an access succeeded; otherwise the failure of the last
  // failed access of a matching object; otherwise the enumeration's
  // failure; otherwise E_INVALIDARG (no instance carries the name, also
  // when the class has no instance at all).
  std::int32_t Result() const noexcept;

 private:
  bool done_ = false;
  std::int32_t accessFailure_ = 0;
  std::int32_t enumFailure_ = 0;
};


}  // namespace vtq
