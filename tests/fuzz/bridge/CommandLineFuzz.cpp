// The bridge's command line parser on arbitrary bytes: never reads outside
// the text, and a recognised switch is always the whole tail after '-'/'/'.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bridge/host/ServiceRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const vtq::Switch s = vtq::ParseSwitch(text);
  if (s != vtq::Switch::None) {
    const std::size_t minTail = s == vtq::Switch::Service ? 8 : s == vtq::Switch::RegServer ? 10 : 12;
    if (size < minTail) std::abort();
    const char c = text[size - minTail];
    if (c != '-' && c != '/') std::abort();
  }
  return 0;
}
