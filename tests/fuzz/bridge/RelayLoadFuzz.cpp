// The relay table loader on arbitrary relay keys. The input is a list of
// subkeys, each: one byte of flags (bit 0: has "vtqBEvntID"), one byte of
// name length, the name, one byte of data length, the data. Whatever the
// key holds, the table keeps its shape: no name for ID 0, at most five per
// ID, free slots and names adding up to five, names "Global\" + a subkey's
// name, terminated and zero-filled within 64 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/relay/RelayTable.h"

namespace {

struct Subkey {
  bool hasId = false;
  std::string name;
  std::vector<std::uint8_t> data;
};

class FuzzKey : public vtq::RelayKeyReader {
 public:
  explicit FuzzKey(std::vector<Subkey> subkeys) : subkeys_(std::move(subkeys)) {}
  bool SubkeyName(std::uint32_t index, std::string& name) override {
    if (index >= subkeys_.size()) return false;
    current_ = index;
    name = subkeys_[index].name;
    return true;
  }
  bool EventIdData(const std::string& subkey, std::vector<std::uint8_t>& data) override {
    const Subkey& s = subkeys_[current_];
    if (subkey != s.name) std::abort();  // asked for another subkey than the one just read
    if (!s.hasId) return false;
    data = s.data;
    return true;
  }
  const std::vector<Subkey>& subkeys() const { return subkeys_; }

 private:
  std::vector<Subkey> subkeys_;
  std::uint32_t current_ = 0;
};

std::vector<Subkey> Parse(const std::uint8_t* data, std::size_t size) {
  std::vector<Subkey> out;
  std::size_t at = 0;
  auto take = [&](std::size_t n) {
    const std::size_t got = n < size - at ? n : size - at;
    const std::uint8_t* p = data + at;
    at += got;
    return std::vector<std::uint8_t>(p, p + got);
  };
  while (at < size) {
    Subkey s;
    s.hasId = data[at++] & 1;
    if (at >= size) break;
    const std::size_t nameLength = data[at++];
    const std::vector<std::uint8_t> name = take(nameLength);
    s.name.assign(name.begin(), name.end());
    if (at < size) s.data = take(data[at++]);
    out.push_back(std::move(s));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzKey key(Parse(data, size));
  const vtq::RelayTable table = vtq::LoadRelayTable(key);
  if (!table.Names(0).empty() || table.Entry(0)->freeSlots != 0) std::abort();
  if (table.Entry(6) != nullptr) std::abort();
  for (std::uint32_t id = 1; id <= 5; ++id) {
    const vtq::RelayEntry* e = table.Entry(id);
    if (e->nameCount > 5 || e->freeSlots + e->nameCount != 5 || e->nextSlot != e->nameCount) std::abort();
    for (std::uint32_t slot = 0; slot < 5; ++slot) {
      const vtq::RelayName& n = e->names[slot];
      const std::size_t length = ::strnlen(n.data(), n.size());
      if (length >= n.size()) std::abort();
      for (std::size_t i = length; i < n.size(); ++i)
        if (n[i] != '\0') std::abort();
      if (slot >= e->nameCount) {
        if (length != 0) std::abort();
        continue;
      }
      if (std::strncmp(n.data(), "Global\\", 7) != 0) std::abort();
      const std::string subkey(n.data() + 7, length - 7);
      // A name stops at its first zero byte.
      bool known = false;
      for (const Subkey& s : key.subkeys())
        known = known || (s.name.size() <= 31 && s.name.substr(0, s.name.find('\0')) == subkey);
      if (!known) std::abort();
    }
  }
  return 0;
}
