// The texts a WMI client hands the stand-in: event queries, object paths,
// namespace names and method names. Besides not crashing, a path that
// parses as one quoted named key must read back the same after formatting.
#include "fwsim/wmi/BiosRequest.h"
#include "fwsim/wmi/ObjectPath.h"
#include "fwsim/wmi/WqlQuery.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto query = fwsim::wmi::ParseEventQuery(text);
  if (query.status != fwsim::wmi::QueryStatus::SyntaxError && query.className.empty()) std::abort();
  fwsim::wmi::IsFirmwareNamespace(text, "HOST");
  if (const auto n = fwsim::wmi::BiosMethodOutputSize(text)) {
    if (*n > fwsim::wmi::kMaxBiosOutputSize) std::abort();
  }
  const auto path = fwsim::wmi::ParseObjectPath(text);
  if (path && path->keys.size() == 1 && !path->keys[0].name.empty() && path->keys[0].quoted) {
    const std::string again = fwsim::wmi::FormatRelPath(path->className, path->keys[0].name, path->keys[0].value);
    const auto back = fwsim::wmi::ParseObjectPath(again);
    if (!back || back->keys.size() != 1 || back->keys[0].value != path->keys[0].value ||
        back->className != path->className)
      std::abort();
  }
  return 0;
}
