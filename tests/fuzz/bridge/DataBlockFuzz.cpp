// The data-block instance names: the name the bridge forms for any
// instance number, and the comparison with whatever InstanceName the
// firmware's objects carry. A formed name holds at most 26 characters and
// reads back as the signed number; a found name matches only when it has
// the same length and every character equals the wanted one, ASCII letters
// in either case.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bridge/host/DataBlockRules.h"

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint32_t instance = 0;
  std::memcpy(&instance, data, 4);
  const std::string wanted = vtq::DataBlockInstanceName(instance);
  static const char kPrefix[] = "ACPI\\PNP0C14\\0_";
  if (wanted.size() > 26 || wanted.compare(0, sizeof kPrefix - 1, kPrefix) != 0) std::abort();
  const std::string number = wanted.substr(sizeof kPrefix - 1);
  if (std::to_string(static_cast<std::int32_t>(instance)) != number) std::abort();

  // The found name: UTF-16 units from the rest of the input.
  std::u16string found;
  for (std::size_t i = 4; i + 1 < size; i += 2)
    found += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  bool same = found.size() == wanted.size();
  for (std::size_t i = 0; same && i < found.size(); ++i)
    same = Lower(found[i]) == Lower(static_cast<unsigned char>(wanted[i]));
  if (vtq::SameInstanceName(found, wanted) != same) std::abort();

  // The wanted name itself, upper-cased, always matches.
  std::u16string upper;
  for (char c : wanted) upper += static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (!vtq::SameInstanceName(upper, wanted)) std::abort();
  return 0;
}
