#include "bridge/relay/RelayTable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vtq {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

// One subkey of the relay key: its name and the data of "vtqBEvntID"
// (nullopt: the subkey cannot be opened or has no such value).
struct Subkey {
  std::string name;
  std::optional<Bytes> id;
};

Bytes Dword(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

class FakeKey : public RelayKeyReader {
 public:
  explicit FakeKey(std::vector<Subkey> subkeys) : subkeys_(std::move(subkeys)) {}
  bool SubkeyName(std::uint32_t index, std::string& name) override {
    if (index >= subkeys_.size()) return false;
    name = subkeys_[index].name;
    return true;
  }
  bool EventIdData(const std::string& subkey, Bytes& data) override {
    ++valueReads;
    for (const Subkey& s : subkeys_) {
      if (s.name != subkey) continue;
      if (!s.id) return false;
      data = *s.id;
      return true;
    }
    return false;
  }
  int valueReads = 0;

 private:
  std::vector<Subkey> subkeys_;
};

const std::vector<Subkey> kInstalled = {
    {"VtqWmiBiosDockEvent", Dword(1)}, {"VtqWmiBiosALSEvent", Dword(4)}, {"VtqWmiBiosWirelessEvent", Dword(5)}};

RelayTable Load(std::vector<Subkey> subkeys) {
  FakeKey key(std::move(subkeys));
  return LoadRelayTable(key);
}

struct LoadCase {
  const char* what;
  std::vector<Subkey> subkeys;
  Names id1, id2, id3, id4, id5;
};

TEST(LoadRelayTable, FillsTheEntriesByTheRules) {
  const std::string name31(31, 'n');
  const std::string name32(32, 'm');
  const LoadCase cases[] = {
      {"the installed names", kInstalled,
       {"Global\\VtqWmiBiosDockEvent"}, {}, {}, {"Global\\VtqWmiBiosALSEvent"}, {"Global\\VtqWmiBiosWirelessEvent"}},
      {"no subkeys", {}, {}, {}, {}, {}, {}},
      {"five names per ID in enumeration order, the sixth is skipped and loading goes on",
       {{"a", Dword(5)}, {"b", Dword(5)}, {"c", Dword(5)}, {"d", Dword(5)}, {"e", Dword(5)}, {"f", Dword(5)},
        {"g", Dword(2)}},
       {}, {"Global\\g"}, {}, {}, {"Global\\a", "Global\\b", "Global\\c", "Global\\d", "Global\\e"}},
      {"IDs 0 and above 5 are skipped and loading goes on",
       {{"zero", Dword(0)}, {"nine", Dword(9)}, {"six", Dword(6)}, {"minus", Dword(0xFFFFFFFF)}, {"three", Dword(3)}},
       {}, {}, {"Global\\three"}, {}, {}},
      {"a subkey without an ID stops the loading",
       {{"first", Dword(1)}, {"noid", std::nullopt}, {"after", Dword(1)}, {"later", Dword(4)}},
       {"Global\\first"}, {}, {}, {}, {}},
      {"an ID that does not fit four bytes stops the loading",
       {{"first", Dword(4)}, {"qword", Bytes{5, 0, 0, 0, 0, 0, 0, 0}}, {"after", Dword(4)}},
       {}, {}, {}, {"Global\\first"}, {}},
      {"shorter data of any type is read into the low bytes",
       {{"byte", Bytes{2}}, {"word", Bytes{3, 0}}, {"text", Bytes{'5', 0}}, {"empty", Bytes{}}},
       {}, {"Global\\byte"}, {"Global\\word"}, {}, {}},
      {"names of 31 characters are taken, longer ones skipped and loading goes on",
       {{name32, Dword(1)}, {name31, Dword(1)}},
       {"Global\\" + name31}, {}, {}, {}, {}},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.what);
    const RelayTable t = Load(c.subkeys);
    EXPECT_EQ(t.Names(0), Names{});
    EXPECT_EQ(t.Names(1), c.id1);
    EXPECT_EQ(t.Names(2), c.id2);
    EXPECT_EQ(t.Names(3), c.id3);
    EXPECT_EQ(t.Names(4), c.id4);
    EXPECT_EQ(t.Names(5), c.id5);
    // Free slots and next slot follow the names: five in all per ID 1 to 5.
    for (std::uint32_t id = 1; id <= 5; ++id) {
      const RelayEntry* e = t.Entry(id);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->freeSlots + e->nameCount, 5u) << id;
      EXPECT_EQ(e->nextSlot, e->nameCount) << id;
    }
  }
}

TEST(LoadRelayTable, EntryZeroNeverTakesANameAndSixIsNoEntry) {
  RelayTable t;
  t.Reset();
  EXPECT_EQ(t.Entry(0)->freeSlots, 0u);
  EXPECT_FALSE(t.Add(0, "zero"));
  EXPECT_FALSE(t.Add(6, "six"));
  EXPECT_EQ(t.Entry(6), nullptr);
  EXPECT_EQ(t.Names(0), Names{});
  EXPECT_EQ(t.Names(6), Names{});
}

TEST(LoadRelayTable, ATableBeforeItsFirstResetTakesNoNames) {
  RelayTable t;
  for (std::uint32_t id = 0; id <= 5; ++id) {
    EXPECT_FALSE(t.Add(id, "x")) << id;
    EXPECT_EQ(t.Entry(id)->freeSlots, 0u);
  }
}

TEST(LoadRelayTable, AResetDropsTheNamesLoadedBefore) {
  RelayTable t = Load(kInstalled);
  ASSERT_EQ(t.Names(5).size(), 1u);
  t.Reset();
  for (std::uint32_t id = 1; id <= 5; ++id) {
    EXPECT_EQ(t.Names(id), Names{});
    EXPECT_EQ(t.Entry(id)->freeSlots, 5u);
  }
}

TEST(LoadRelayTable, StopsReadingWhenEveryEntryIsFull) {
  std::vector<Subkey> subkeys;
  for (std::uint32_t id = 1; id <= 5; ++id)
    for (int n = 0; n < 5; ++n) subkeys.push_back({std::string(1, 'a' + n) + std::to_string(id), Dword(id)});
  subkeys.push_back({"more", Dword(1)});
  FakeKey key(subkeys);
  const RelayTable t = LoadRelayTable(key);
  EXPECT_EQ(key.valueReads, 25);
  EXPECT_EQ(t.Names(1).size(), 5u);
  EXPECT_EQ(t.Names(1).back(), "Global\\e1");
}

TEST(RelayEventName, GlobalPrefixNameCutToSixtyThreeCharactersZeroFilled) {
  struct Case {
    std::string subkey;
    std::string expected;
  } cases[] = {
      {"VtqWmiBiosWirelessEvent", "Global\\VtqWmiBiosWirelessEvent"},
      {"", "Global\\"},
      {std::string(56, 'x'), "Global\\" + std::string(56, 'x')},
      {std::string(57, 'y'), "Global\\" + std::string(56, 'y')},
      {std::string(300, 'z'), "Global\\" + std::string(56, 'z')},
  };
  for (const Case& c : cases) {
    const RelayName name = RelayEventName(c.subkey);
    EXPECT_EQ(std::string(name.data()), c.expected);
    EXPECT_EQ(name.size(), 64u);
    for (std::size_t i = c.expected.size(); i < name.size(); ++i) EXPECT_EQ(name[i], '\0') << i;
  }
  RelayTable t;
  t.Reset();
  ASSERT_TRUE(t.Add(3, std::string(80, 'w')));
  EXPECT_EQ(t.Names(3), Names{"Global\\" + std::string(56, 'w')});
}

TEST(ParseRelayEventId, FourBytesOrFewerLittleEndian) {
  struct Case {
    Bytes data;
    bool ok;
    std::uint32_t id;
  } cases[] = {
      {Dword(5), true, 5},
      {Bytes{0x78, 0x56, 0x34, 0x12}, true, 0x12345678},
      {Bytes{4}, true, 4},
      {Bytes{1, 1}, true, 0x101},
      {Bytes{}, true, 0},
      {Bytes{5, 0, 0, 0, 0}, false, 0},
  };
  for (const Case& c : cases) {
    std::uint32_t id = 0xDEADBEEF;
    EXPECT_EQ(ParseRelayEventId(c.data.data(), c.data.size(), id), c.ok) << c.data.size();
    if (c.ok) {
      EXPECT_EQ(id, c.id);
    }
  }
}

struct DeliveryCase {
  const char* what;
  std::vector<std::uint32_t> eventIds;
  Names signals;
};

TEST(BiosDeliverySignals, EachObjectSignalsTheNamesOfItsId) {
  const RelayTable t = Load(kInstalled);
  const DeliveryCase cases[] = {
      {"wireless", {5}, {"Global\\VtqWmiBiosWirelessEvent"}},
      {"ALS only", {4}, {"Global\\VtqWmiBiosALSEvent"}},
      {"dock", {1}, {"Global\\VtqWmiBiosDockEvent"}},
      {"unnamed IDs", {0}, {}},
      {"unnamed IDs", {2}, {}},
      {"unnamed IDs", {3}, {}},
      {"above five", {6}, {}},
      {"negative", {0xFFFFFFFF}, {}},
      {"an unnamed ID first does not drop the rest", {2, 5}, {"Global\\VtqWmiBiosWirelessEvent"}},
      {"nor does ID 0 or 3", {0, 3, 1}, {"Global\\VtqWmiBiosDockEvent"}},
      {"above five goes on", {6, 4}, {"Global\\VtqWmiBiosALSEvent"}},
      {"in order, once per object",
       {5, 9, 1, 5},
       {"Global\\VtqWmiBiosWirelessEvent", "Global\\VtqWmiBiosDockEvent", "Global\\VtqWmiBiosWirelessEvent"}},
      {"an empty delivery", {}, {}},
  };
  for (const DeliveryCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(BiosDeliverySignals(t, c.eventIds), c.signals);
  }
}

TEST(BiosDeliverySignals, SeveralNamesOfOneIdInSlotOrderAndNothingBeforeTheFirstLoad) {
  const RelayTable t = Load({{"Second", Dword(4)}, {"First", Dword(4)}});
  EXPECT_EQ(BiosDeliverySignals(t, {4}), (Names{"Global\\Second", "Global\\First"}));
  EXPECT_EQ(BiosDeliverySignals(RelayTable{}, {1, 4, 5}), Names{});
}

TEST(DockDeliverySignals, EntryOneForEachObject) {
  const RelayTable installed = Load(kInstalled);
  EXPECT_EQ(DockDeliverySignals(installed, 1), Names{"Global\\VtqWmiBiosDockEvent"});
  EXPECT_EQ(DockDeliverySignals(installed, 2),
            (Names{"Global\\VtqWmiBiosDockEvent", "Global\\VtqWmiBiosDockEvent"}));
  EXPECT_EQ(DockDeliverySignals(installed, 0), Names{});
  EXPECT_EQ(DockDeliverySignals(Load({{"OnlyAls", Dword(4)}}), 3), Names{});
}

// A folder "C:\xxx..." of `length` characters.
std::string Folder(std::size_t length) { return "C:\\" + std::string(length - 3, 'x'); }

TEST(EventsMarkerPathFor, UnderAFullProgramFilesPathCutTo99AndNoneElsewhere) {
  struct Case {
    const char* what;
    std::string programFiles;
    bool fitted;
    std::string path;
  };
  const Case cases[] = {
      {"the usual folder", "C:\\Program Files", true, "C:\\Program Files\\VTQ\\Shared\\vtqwmi.events"},
      {"98 characters in all", Folder(73), true, Folder(73) + "\\VTQ\\Shared\\vtqwmi.events"},
      {"99 characters in all", Folder(74), true, Folder(74) + "\\VTQ\\Shared\\vtqwmi.events"},
      {"100 characters cut to 99", Folder(75), true, Folder(75) + "\\VTQ\\Shared\\vtqwmi.event"},
      {"a folder of 99 characters", Folder(99), true, Folder(99)},
      {"a folder that did not fit", "", false, ""},
      {"no folder", "", true, ""},
      {"relative to the drive's root", "\\Program Files", true, ""},
      {"relative to a drive's current folder", "C:Program Files", true, ""},
      {"a drive's root", "C:\\", true, ""},
      {"a relative folder", "Program Files", true, ""},
      {"a share", "\\\\server\\share", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(EventsMarkerPathFor(c.programFiles, c.fitted), c.path);
  }
}

}  // namespace
}  // namespace vtq
