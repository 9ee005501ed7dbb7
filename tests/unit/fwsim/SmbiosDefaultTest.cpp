// The built-in SMBIOS table: well formed, and the structures and fields the
// machine information record takes, laid out as the SMBIOS 2.8 standard says.
#include "fwsim/model/SmbiosDefault.h"

#include <gtest/gtest.h>

#include <set>

#include "fwsim/model/SmbiosFile.h"

namespace fwsim::model {
namespace {

class SmbiosDefaultTest : public ::testing::Test {
 protected:
  SmbiosDefaultTest() : table_(DefaultSmbiosTable()), structures_(SmbiosStructures(table_.data(), table_.size())) {}

  const SmbiosStructure& First(std::uint8_t type) const {
    for (const auto& s : structures_)
      if (s.type == type) return s;
    ADD_FAILURE() << "no type " << int(type);
    return structures_.front();
  }
  static unsigned Word(const SmbiosStructure& s, std::size_t offset) {
    return s.formatted[offset] | s.formatted[offset + 1] << 8;
  }
  static std::string Str(const SmbiosStructure& s, std::size_t offset) {
    return SmbiosString(s, s.formatted[offset]);
  }

  std::vector<std::uint8_t> table_;
  std::vector<SmbiosStructure> structures_;
};

TEST_F(SmbiosDefaultTest, IsAWellFormedTableEndingWithEndOfTable) {
  std::size_t used = 0, count = 0;
  std::string error;
  ASSERT_TRUE(CheckStructureTable(table_.data(), table_.size(), used, count, error)) << error;
  EXPECT_EQ(table_.size(), used);
  EXPECT_EQ(structures_.size(), count);
  EXPECT_EQ(127, structures_.back().type);
  EXPECT_EQ(2u, kDefaultSmbiosMajor);
  EXPECT_EQ(8u, kDefaultSmbiosMinor);
}

TEST_F(SmbiosDefaultTest, HoldsTheTypesInOrderWithTheirStandardLengths) {
  const std::vector<std::pair<int, std::size_t>> expected = {
      {0, 0x18}, {1, 0x1B}, {2, 0x0F}, {3, 0x16}, {4, 0x2A}, {10, 0x08}, {16, 0x17},
      {17, 0x28}, {17, 0x28}, {17, 0x28}, {19, 0x1F}, {32, 0x0B}, {127, 0x04}};
  ASSERT_EQ(expected.size(), structures_.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].first, structures_[i].type) << i;
    EXPECT_EQ(expected[i].second, structures_[i].length) << i;
  }
}

TEST_F(SmbiosDefaultTest, HandlesAreUniqueAndReferencesResolve) {
  std::set<unsigned> handles;
  for (const auto& s : structures_) EXPECT_TRUE(handles.insert(s.handle).second) << s.handle;
  EXPECT_EQ(First(3).handle, Word(First(2), 0x0B));  // board -> chassis
  for (const auto& s : structures_) {
    if (s.type == 17) {
      EXPECT_EQ(First(16).handle, Word(s, 0x04));
    }
  }
  EXPECT_EQ(First(16).handle, Word(First(19), 0x0C));
  EXPECT_EQ(3u, Word(First(16), 0x0D));  // number of memory devices
}

TEST_F(SmbiosDefaultTest, StringNumbersPointIntoTheirStringSets) {
  // Every string field of these types names an existing string or none.
  const std::vector<std::pair<int, std::vector<std::size_t>>> fields = {
      {0, {4, 5, 8}}, {1, {4, 5, 6, 7, 0x19, 0x1A}}, {2, {4, 5, 6, 7, 8, 0x0A}}, {3, {4, 6, 7, 8, 0x15}},
      {4, {4, 7, 0x10, 0x20, 0x21, 0x22}}, {17, {0x10, 0x11, 0x17, 0x18, 0x19, 0x1A}}};
  for (const auto& s : structures_) {
    for (const auto& [type, offsets] : fields) {
      if (s.type != type) continue;
      for (std::size_t o : offsets) EXPECT_LE(s.formatted[o], s.strings.size()) << "type " << type << " @" << o;
    }
  }
}

TEST_F(SmbiosDefaultTest, FieldsThatTheMachineInformationRecordTakes) {
  const auto& bios = First(0);
  EXPECT_EQ("Kestrel Firmware Co.", Str(bios, 4));
  EXPECT_EQ("KS14 Ver. 1.07", Str(bios, 5));
  EXPECT_EQ("03/14/2016", Str(bios, 8));
  const auto& system = First(1);
  EXPECT_EQ("Kestrel Computer Corp.", Str(system, 4));
  EXPECT_EQ("Sparrow 14 KS14", Str(system, 5));
  EXPECT_EQ("KS14A2-0042-7731", Str(system, 7));
  EXPECT_EQ(0x5B, system.formatted[8]);  // UUID, raw
  const auto& board = First(2);
  EXPECT_EQ("KS14-MB", Str(board, 5));
  EXPECT_EQ("Rev 1.02", Str(board, 6));
  EXPECT_EQ(0x0A, First(3).formatted[5]);  // chassis type: notebook
  const auto& cpu = First(4);
  EXPECT_EQ("Kestrel Strider S7-5500U CPU @ 2.40GHz", Str(cpu, 0x10));
  EXPECT_EQ(2400u, Word(cpu, 0x14));
  EXPECT_EQ(2400u, Word(cpu, 0x16));
  EXPECT_EQ(0x41, cpu.formatted[0x18]);  // populated, enabled
  const auto& onboard = First(10);
  EXPECT_EQ(0x83, onboard.formatted[4]);  // video, enabled
  EXPECT_EQ("Kestrel HD Graphics 5500", Str(onboard, 5));
}

TEST_F(SmbiosDefaultTest, TwoPopulatedMemoryDevicesAndAnEmptySocket) {
  std::vector<unsigned> sizes;
  std::vector<std::string> locators;
  for (const auto& s : structures_) {
    if (s.type != 17) continue;
    sizes.push_back(Word(s, 0x0C));
    locators.push_back(Str(s, 0x10));
  }
  EXPECT_EQ((std::vector<unsigned>{4096, 4096, 0}), sizes);
  EXPECT_EQ((std::vector<std::string>{"Onboard Memory", "DIMM B", "DIMM C"}), locators);
}

}  // namespace
}  // namespace fwsim::model
