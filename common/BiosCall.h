// The BIOS call: one firmware request through the method class vtqBIntM and
// its answer. The tray program and the bridge build requests the same way
// (common/win/BiosRequest.h).
#pragma once

#include <cstdint>
#include <string>

namespace rm {

struct BiosCall {
  std::uint32_t dwCmd = 0;      // 1 reads, 2 writes
  std::uint32_t dwType = 0;     // 5 is the wireless command type
  std::uint32_t dwSizeIn = 0;   // input bytes; 0 means no input
  std::uint32_t dwSizeOut = 0;  // output bytes expected; 0 means no output
};

// Wide because WMI takes them as BSTRs.
inline constexpr wchar_t kBiosNamespace[] = L"\\\\.\\root\\wmi";
inline constexpr wchar_t kBiosMethodClass[] = L"vtqBIntM";
inline constexpr wchar_t kBiosInputClass[] = L"vtqBDataIn";
// The signature every request carries in vtqBDataIn.Sign: "SECU".
inline constexpr std::uint8_t kBiosSign[4] = {0x53, 0x45, 0x43, 0x55};
// Return code of a call whose Data array does not have dwSizeOut elements.
inline constexpr std::uint32_t kBiosLengthMismatch = 87;

inline constexpr std::uint32_t kCmdRead = 1;
inline constexpr std::uint32_t kCmdWrite = 2;
inline constexpr std::uint32_t kTypeWireless = 5;

// The method that answers dwSizeOut bytes: "vtqBIOSInt" and the size as a
// signed decimal, cut to the 19 characters of the 20-character buffer the
// name is formatted into.
std::string BiosMethodName(std::uint32_t dwSizeOut);

}  // namespace rm
