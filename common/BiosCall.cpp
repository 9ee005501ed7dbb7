#include "common/BiosCall.h"

namespace rm {

std::string BiosMethodName(std::uint32_t dwSizeOut) {
  std::string name = "vtqBIOSInt" + std::to_string(static_cast<std::int32_t>(dwSizeOut));
  if (name.size() > 19) name.resize(19);
  return name;
}

}  // namespace rm
