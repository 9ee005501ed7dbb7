// DebugInfo, the record a refused start of the tray program leaves in its
// settings key, told in words: each slot with its HRESULT's name, and which
// start-up step failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/StartupDiagnostics.h"

namespace rmctl {

// "0x80004005 (E_FAIL)"; the number alone for a code without a known name.
std::string HresultText(std::int32_t code);
// The name of a code rmtray, COM or WMI may record ("E_FAIL"); empty when unknown.
const char* HresultName(std::int32_t code);

// The first step that failed, as one line: "connecting to \\.\root\wmi
// failed: 0x8004100E (WBEM_E_INVALID_NAMESPACE)". A record whose steps all
// succeeded belongs to the no-radios refusal.
std::string FailedStep(const rm::StartupDiagnostics& d);

// The report's lines for DebugInfo (each ending in '\n'): none stored, a
// value of the wrong type or size, or the failed step and every slot.
// `bytes` is null when the value is missing; `binary` whether its type is
// REG_BINARY.
std::string DebugInfoText(const std::uint8_t* bytes, std::size_t size, bool binary);

}  // namespace rmctl
