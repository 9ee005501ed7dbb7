// The relay table of the bridge's firmware event relay and the rules that
// fill it from the relay key and read it for each delivery of events. No
// Windows here: the Win32 layer (EventRelay) reads the registry and the
// delivered objects and applies these rules.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/BridgeContract.h"

namespace vtq {

// Firmware event IDs 0 to 5 have an entry; names go to IDs 1 to 5 only.
inline constexpr std::uint32_t kRelayHighestId = 5;
inline constexpr std::uint32_t kRelayNamesPerId = 5;
// "Global\" followed by the subkey name, zero-filled, terminator included.
inline constexpr std::size_t kRelayNameSize = 64;
// The subkey names the loader takes: at most 31 characters.
inline constexpr std::size_t kRelaySubkeyNameMax = 31;

using RelayName = std::array<char, kRelayNameSize>;

struct RelayEntry {
  std::uint32_t freeSlots = 0;  // names that may still be added
  std::uint32_t nameCount = 0;
  std::uint32_t nextSlot = 0;   // where the next name goes
  std::array<RelayName, kRelayNamesPerId> names{};
};

class RelayTable {
 public:
  // Empty: no entry has a free slot (the table before the first load).
  RelayTable() = default;

  // Entries 1 to 5 get 5 free slots, no names and next slot 0. Entry 0 is
  // never reset, so it never takes a name.
  void Reset();

  // Puts "Global\" + subkeyName (cut to fit) into the entry of `id` when
  // id <= 5 and the entry has a free slot; false when the name is skipped.
  bool Add(std::uint32_t id, std::string_view subkeyName);

  // The entry of `id`; null above 5.
  const RelayEntry* Entry(std::uint32_t id) const;

  // The names of the entry of `id` in slot order; empty above 5.
  std::vector<std::string> Names(std::uint32_t id) const;

  // Whether no entry can take another name.
  bool Full() const;

 private:
  std::array<RelayEntry, kRelayHighestId + 1> entries_{};
};

// "Global\" followed by the subkey name, cut to 63 characters, zero-filled.
RelayName RelayEventName(std::string_view subkeyName);

// The firmware event ID from the data of "vtqBEvntID", whatever its
// registry type: the value is read into 4 bytes, so data of up to four bytes
// gives the ID (little-endian, missing high bytes zero) and longer data does
// not fit (false).
bool ParseRelayEventId(const std::uint8_t* data, std::size_t size, std::uint32_t& id);

// What the loader reads of the relay key.
class RelayKeyReader {
 public:
  virtual ~RelayKeyReader() = default;
  // The name of the subkey at `index` in enumeration order; false at the end
  // of the list (or when the list cannot be read further).
  virtual bool SubkeyName(std::uint32_t index, std::string& name) = 0;
  // The data of the subkey's "vtqBEvntID"; false when the subkey cannot be
  // opened or holds no such value.
  virtual bool EventIdData(const std::string& subkeyName, std::vector<std::uint8_t>& data) = 0;
};

// A reset table filled from the relay key, subkey by subkey in enumeration
// order. A subkey that cannot be opened or has no readable "vtqBEvntID" ends
// the loading with the names before it loaded. A subkey whose ID is 0 or
// above 5, or whose entry already holds five names, is skipped, and so is a
// subkey name of more than 31 characters; loading goes on after each.
RelayTable LoadRelayTable(RelayKeyReader& reader);

// The names one delivery of vtqBEvnt objects signals, in order: for each
// object the names of its EventID's entry. An EventID above 5 (taken
// unsigned) or without names signals nothing, and the next object of the
// delivery is still relayed.
std::vector<std::string> BiosDeliverySignals(const RelayTable& table,
                                             const std::vector<std::uint32_t>& eventIds);

// The names one delivery of `objectCount` vtqDockEvent objects signals:
// the names of entry 1 for each object.
std::vector<std::string> DockDeliverySignals(const RelayTable& table, std::size_t objectCount);

// The events marker file's path: the program files folder, then
// "\VTQ\Shared\vtqwmi.events", the whole cut to 99 characters.
// `programFiles` is what the expansion of "%ProgramFiles%" left in its
// 100-character buffer, `fitted` whether it fitted there. Empty (no marker)
// when the folder is missing, did not fit, is not a full path of a drive
// or is the drive's root: the marker would then land in a folder below the
// root, which any user may create.
inline constexpr std::size_t kMarkerPathBuffer = 100;
std::string EventsMarkerPathFor(std::string_view programFiles, bool fitted);

}  // namespace vtq
