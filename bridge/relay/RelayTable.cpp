#include "bridge/relay/RelayTable.h"

#include <algorithm>

namespace vtq {

void RelayTable::Reset() {
  for (std::uint32_t id = 1; id <= kRelayHighestId; ++id) {
    RelayEntry& e = entries_[id];
    e = RelayEntry{};
    e.freeSlots = kRelayNamesPerId;
  }
}

bool RelayTable::Add(std::uint32_t id, std::string_view subkeyName) {
  if (id > kRelayHighestId) return false;
  RelayEntry& e = entries_[id];
  if (e.freeSlots == 0 || e.nextSlot >= kRelayNamesPerId) return false;
  e.names[e.nextSlot] = RelayEventName(subkeyName);
  ++e.nameCount;
  --e.freeSlots;
  ++e.nextSlot;
  return true;
}

const RelayEntry* RelayTable::Entry(std::uint32_t id) const {
  return id <= kRelayHighestId ? &entries_[id] : nullptr;
}

std::vector<std::string> RelayTable::Names(std::uint32_t id) const {
  std::vector<std::string> names;
  const RelayEntry* e = Entry(id);
  if (!e) return names;
  for (std::uint32_t slot = 0; slot < e->nameCount && slot < kRelayNamesPerId; ++slot)
    names.emplace_back(e->names[slot].data());
  return names;
}

bool RelayTable::Full() const {
  return std::all_of(entries_.begin(), entries_.end(),
                     [](const RelayEntry& e) { return e.freeSlots == 0; });
}

RelayName RelayEventName(std::string_view subkeyName) {
  RelayName name{};
  std::size_t used = 0;
  for (const char* p = kRelayNamePrefix; *p && used + 1 < name.size(); ++p) name[used++] = *p;
  for (char c : subkeyName) {
    if (used + 1 >= name.size() || c == '\0') break;
    name[used++] = c;
  }
  return name;
}

bool ParseRelayEventId(const std::uint8_t* data, std::size_t size, std::uint32_t& id) {
  if (size > 4 || (size > 0 && !data)) return false;
  id = 0;
  for (std::size_t i = 0; i < size; ++i) id |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  return true;
}

RelayTable LoadRelayTable(RelayKeyReader& reader) {
  RelayTable table;
  table.Reset();
  std::string name;
  std::vector<std::uint8_t> data;
  // Once every entry is full nothing more can be loaded, whatever follows.
  for (std::uint32_t index = 0; !table.Full(); ++index) {
    name.clear();
    if (!reader.SubkeyName(index, name)) break;
    // A longer name is not one the relay installs or can open by a cut name.
    if (name.empty() || name.size() > kRelaySubkeyNameMax) continue;
    data.clear();
    std::uint32_t id = 0;
    if (!reader.EventIdData(name, data) || !ParseRelayEventId(data.data(), data.size(), id)) break;
    table.Add(id, name);
  }
  return table;
}

std::vector<std::string> BiosDeliverySignals(const RelayTable& table,
                                             const std::vector<std::uint32_t>& eventIds) {
  std::vector<std::string> signals;
  for (std::uint32_t id : eventIds) {
    const std::vector<std::string> names = table.Names(id);
    signals.insert(signals.end(), names.begin(), names.end());
  }
  return signals;
}

std::vector<std::string> DockDeliverySignals(const RelayTable& table, std::size_t objectCount) {
  std::vector<std::string> signals;
  const std::vector<std::string> names = table.Names(1);
  for (std::size_t i = 0; i < objectCount; ++i) signals.insert(signals.end(), names.begin(), names.end());
  return signals;
}

std::string EventsMarkerPathFor(std::string_view programFiles, bool fitted) {
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!fitted || programFiles.size() < 3 || !isLetter(programFiles[0]) || programFiles[1] != ':' ||
      (programFiles[2] != '\\' && programFiles[2] != '/') ||
      programFiles.find_first_not_of("\\/", 3) == std::string_view::npos)
    return {};
  std::string path(programFiles);
  path += "\\VTQ\\Shared\\vtqwmi.events";
  if (path.size() > kMarkerPathBuffer - 1) path.resize(kMarkerPathBuffer - 1);
  return path;
}

}  // namespace vtq
