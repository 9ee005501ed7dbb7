// Loading SMBIOS files: the real tables and dumps of RM_TESTDATA_DIR/smbios
// and damaged variants of them.
#include "fwsim/model/SmbiosFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "fwsim/model/MachineState.h"

namespace fwsim::model {
namespace {

std::vector<std::uint8_t> ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(RM_TESTDATA_DIR) + "/smbios/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Parse(const std::vector<std::uint8_t>& bytes, SmbiosImage& image, std::string& error) {
  return ParseSmbiosFile(bytes.data(), bytes.size(), image, error);
}

void FixChecksum(std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t length, std::size_t at) {
  bytes[at] = 0;
  std::uint8_t sum = 0;
  for (std::size_t i = start; i < start + length; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  bytes[at] = static_cast<std::uint8_t>(0x100 - sum);
}

struct RealFile {
  const char* name;
  SmbiosFileKind kind;
  int major, minor;
  std::size_t structures;  // README of the test data
  bool endOfTable;
};

const RealFile kRealFiles[] = {
    {"lenovo-thinkpad-t61p", SmbiosFileKind::EntryPoint21, 2, 4, 73, true},
    {"lenovo-thinkpad-w510", SmbiosFileKind::EntryPoint21, 2, 6, 82, true},
    {"toshiba-satellite-pro-l70a", SmbiosFileKind::EntryPoint21, 2, 7, 69, true},
    {"asus-ux305la", SmbiosFileKind::EntryPoint21, 2, 8, 27, true},
    {"lenovo-thinkpad-t480", SmbiosFileKind::EntryPoint30, 3, 0, 63, true},
    {"lenovo-thinkpad-20n2", SmbiosFileKind::EntryPoint30, 3, 1, 69, true},
    {"microsoft-surface-laptop-3", SmbiosFileKind::EntryPoint30, 3, 2, 20, true},
    {"beelink-eq12", SmbiosFileKind::EntryPoint30, 3, 5, 72, false},
};

void PrintTo(const RealFile& f, std::ostream* os) { *os << f.name; }

class RealFileTest : public ::testing::TestWithParam<RealFile> {};

TEST_P(RealFileTest, DumpGivesItsVersionAndTheRawTable) {
  const RealFile& f = GetParam();
  const auto dump = ReadTestFile(std::string(f.name) + ".dump");
  const auto raw = ReadTestFile(std::string(f.name) + ".table");
  SmbiosImage image;
  std::string error;
  ASSERT_TRUE(Parse(dump, image, error)) << error;
  EXPECT_EQ(f.kind, image.kind);
  EXPECT_EQ(f.major, image.major);
  EXPECT_EQ(f.minor, image.minor);
  EXPECT_EQ(f.structures, image.structureCount);
  EXPECT_EQ(raw, image.table);
}

TEST_P(RealFileTest, RawTableIsTakenWholeAsVersion30) {
  const RealFile& f = GetParam();
  const auto raw = ReadTestFile(std::string(f.name) + ".table");
  SmbiosImage image;
  std::string error;
  ASSERT_TRUE(Parse(raw, image, error)) << error;
  EXPECT_EQ(SmbiosFileKind::RawTable, image.kind);
  EXPECT_EQ(kRawTableMajor, image.major);
  EXPECT_EQ(kRawTableMinor, image.minor);
  EXPECT_EQ(raw, image.table);
  const auto structures = SmbiosStructures(image.table.data(), image.table.size());
  EXPECT_EQ(f.structures, structures.size());
  EXPECT_EQ(f.endOfTable, structures.back().type == 127);
}

INSTANTIATE_TEST_SUITE_P(Smbios, RealFileTest, ::testing::ValuesIn(kRealFiles),
                         [](const ::testing::TestParamInfo<RealFile>& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (c == '-') c = '_';
                           return n;
                         });

TEST(SmbiosFileTest, StringsOfARealTable) {
  const auto raw = ReadTestFile("lenovo-thinkpad-t61p.table");
  const auto structures = SmbiosStructures(raw.data(), raw.size());
  for (const auto& s : structures) {
    if (s.type != 0) continue;
    EXPECT_EQ("7LET56WW (1.26 )", SmbiosString(s, s.formatted[5]));
    EXPECT_EQ("10/18/2007", SmbiosString(s, s.formatted[8]));
    EXPECT_EQ("", SmbiosString(s, 0));
    EXPECT_EQ("", SmbiosString(s, 200));
    return;
  }
  FAIL() << "no type 0";
}

TEST(SmbiosFileTest, TrailingBytesAfterEndOfTableAreDropped) {
  auto raw = ReadTestFile("asus-ux305la.table");
  const std::size_t size = raw.size();
  raw.insert(raw.end(), {0xDE, 0xAD, 0xBE, 0xEF});
  SmbiosImage image;
  std::string error;
  ASSERT_TRUE(Parse(raw, image, error)) << error;
  EXPECT_EQ(size, image.table.size());
}

TEST(SmbiosFileTest, ZeroPaddingAfterATableWithoutEndOfTableIsDropped) {
  auto raw = ReadTestFile("beelink-eq12.table");
  const std::size_t size = raw.size();
  raw.resize(size + 100, 0);
  SmbiosImage image;
  std::string error;
  ASSERT_TRUE(Parse(raw, image, error)) << error;
  EXPECT_EQ(size, image.table.size());
}

TEST(SmbiosFileTest, EntryPointWithABadChecksumIsRefused) {
  for (const char* name : {"asus-ux305la.dump", "lenovo-thinkpad-t480.dump"}) {
    auto dump = ReadTestFile(name);
    dump[7] ^= 1;  // the version's minor byte
    SmbiosImage image;
    std::string error;
    EXPECT_FALSE(Parse(dump, image, error)) << name;
    EXPECT_NE(std::string::npos, error.find("checksum")) << error;
  }
}

TEST(SmbiosFileTest, BadIntermediateAnchorIsRefused) {
  auto dump = ReadTestFile("asus-ux305la.dump");
  dump[0x10] = 'X';
  FixChecksum(dump, 0, dump[5], 4);
  SmbiosImage image;
  std::string error;
  EXPECT_FALSE(Parse(dump, image, error));
  EXPECT_NE(std::string::npos, error.find("_DMI_")) << error;
}

TEST(SmbiosFileTest, TableAddressBeyondTheFileIsRefused) {
  auto dump = ReadTestFile("lenovo-thinkpad-t480.dump");
  dump[0x11] = 0x10;  // address 0x1020
  FixChecksum(dump, 0, dump[6], 5);
  SmbiosImage image;
  std::string error;
  EXPECT_FALSE(Parse(dump, image, error));
  EXPECT_NE(std::string::npos, error.find("beyond the end of the file")) << error;
}

TEST(SmbiosFileTest, Smbios2TableLongerThanTheFileIsRefused) {
  auto dump = ReadTestFile("asus-ux305la.dump");
  dump.resize(dump.size() - 10);
  SmbiosImage image;
  std::string error;
  EXPECT_FALSE(Parse(dump, image, error));
  EXPECT_NE(std::string::npos, error.find("past the end of the file")) << error;
}

TEST(SmbiosFileTest, CutShortEntryPointsAreRefused) {
  for (const char* name : {"asus-ux305la.dump", "lenovo-thinkpad-t480.dump"}) {
    auto dump = ReadTestFile(name);
    for (std::size_t n : {std::size_t{5}, std::size_t{0x10}, std::size_t{0x17}}) {
      std::vector<std::uint8_t> cut(dump.begin(), dump.begin() + static_cast<std::ptrdiff_t>(n));
      SmbiosImage image;
      std::string error;
      EXPECT_FALSE(Parse(cut, image, error)) << name << " " << n;
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(SmbiosFileTest, DamagedStructuresAreRefusedWithTheirOffset) {
  const auto raw = ReadTestFile("asus-ux305la.table");
  SmbiosImage image;
  std::string error;
  auto shortLength = raw;
  shortLength[1] = 3;
  EXPECT_FALSE(Parse(shortLength, image, error));
  EXPECT_NE(std::string::npos, error.find("less than 4")) << error;

  std::vector<std::uint8_t> unterminated = {0, 5, 0, 0, 0, 'a', 'b'};
  EXPECT_FALSE(Parse(unterminated, image, error));
  EXPECT_NE(std::string::npos, error.find("not terminated")) << error;

  std::vector<std::uint8_t> pastEnd = {1, 40, 0, 0, 0, 0};
  EXPECT_FALSE(Parse(pastEnd, image, error));
  EXPECT_NE(std::string::npos, error.find("past the end")) << error;
}

TEST(SmbiosFileTest, EmptyFileIsRefused) {
  SmbiosImage image;
  std::string error;
  EXPECT_FALSE(Parse({}, image, error));
  EXPECT_EQ("the file is empty", error);
  EXPECT_FALSE(Parse({0, 0, 0, 0}, image, error));
}

TEST(SmbiosFileTest, TableLargerThanTheCapacityIsRefused) {
  // Structures of 255 bytes with no strings until past the capacity.
  std::vector<std::uint8_t> big;
  std::uint16_t handle = 0;
  while (big.size() <= kSmbiosCapacity) {
    std::vector<std::uint8_t> s(255, 1);
    s[0] = 200;
    s[1] = 255;
    s[2] = static_cast<std::uint8_t>(handle);
    s[3] = static_cast<std::uint8_t>(handle++ >> 8);
    big.insert(big.end(), s.begin(), s.end());
    big.push_back(0);
    big.push_back(0);
  }
  SmbiosImage image;
  std::string error;
  EXPECT_FALSE(Parse(big, image, error));
  EXPECT_NE(std::string::npos, error.find("larger than")) << error;
}

TEST(SmbiosFileTest, LegacyDmiEntryPoint) {
  const auto raw = ReadTestFile("lenovo-thinkpad-t61p.table");
  std::vector<std::uint8_t> file(0x20, 0);
  std::memcpy(file.data(), "_DMI_", 5);
  file[6] = static_cast<std::uint8_t>(raw.size());
  file[7] = static_cast<std::uint8_t>(raw.size() >> 8);
  file[8] = 0x20;
  file[0x0E] = 0x24;
  FixChecksum(file, 0, 0x0F, 5);
  file.insert(file.end(), raw.begin(), raw.end());
  SmbiosImage image;
  std::string error;
  ASSERT_TRUE(Parse(file, image, error)) << error;
  EXPECT_EQ(SmbiosFileKind::LegacyDmi, image.kind);
  EXPECT_EQ(2, image.major);
  EXPECT_EQ(4, image.minor);
  EXPECT_EQ(raw, image.table);
}

}  // namespace
}  // namespace fwsim::model
