// The record built from tables of real machines, compared field by field
// with dmidecode's decoding of the same tables (NAME.dmidecode.txt beside
// each NAME.table), after the record's own trimming and cutting rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "bridge/host/MachineInfoRecord.h"
#include "tests/unit/bridge/RecordFields.h"

namespace {

namespace fs = std::filesystem;
namespace mi = vtq::machine_info;
using vtq::test::Number;
using vtq::test::Record;
using vtq::test::Text;

const fs::path kTables = fs::path(RM_TESTDATA_DIR) / "smbios";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One structure as dmidecode prints it: "Handle 0x0004, DMI type 10, 26
// bytes", a title line, then tab-indented "Key: Value" lines (values keep
// their blanks).
struct Decoded {
  int type = -1;
  std::vector<std::pair<std::string, std::string>> fields;

  std::vector<std::string> All(const std::string& key) const {
    std::vector<std::string> values;
    for (const auto& [k, v] : fields)
      if (k == key) values.push_back(v);
    return values;
  }
  std::string Get(const std::string& key) const {
    auto values = All(key);
    EXPECT_FALSE(values.empty()) << "dmidecode shows no " << key << " for type " << type;
    return values.empty() ? std::string() : values.front();
  }
};

struct Decoding {
  int major = 0, minor = 0;
  std::vector<Decoded> structures;

  std::vector<const Decoded*> OfType(int type) const {
    std::vector<const Decoded*> found;
    for (const auto& s : structures)
      if (s.type == type) found.push_back(&s);
    return found;
  }
};

Decoding ParseDmidecode(const std::string& text) {
  Decoding d;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    int type = 0;
    if (std::sscanf(line.c_str(), "SMBIOS %d.%d present", &d.major, &d.minor) == 2) continue;
    if (line.rfind("Handle ", 0) == 0 && std::sscanf(line.c_str(), "Handle %*x, DMI type %d", &type) == 1) {
      d.structures.push_back({type, {}});
    } else if (!d.structures.empty() && line.size() > 1 && line[0] == '\t' && line[1] != '\t') {
      const std::size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      std::string value = line.substr(colon + 1);
      if (!value.empty() && value[0] == ' ') value.erase(0, 1);
      d.structures.back().fields.emplace_back(line.substr(1, colon - 1), value);
    }
  }
  return d;
}

std::string Trim(std::string s, char c = ' ') {
  s.erase(0, s.find_first_not_of(c) == std::string::npos ? s.size() : s.find_first_not_of(c));
  while (!s.empty() && s.back() == c) s.pop_back();
  return s;
}

// dmidecode shows "Not Specified" for string number 0, which the record
// leaves empty.
std::string Str(const std::string& shown) { return shown == "Not Specified" ? std::string() : shown; }

// A text field keeps its size less one characters.
std::string Cut(const std::string& s, std::size_t size) { return s.substr(0, size - 1); }

// dmidecode's names of the processor families these machines report.
std::uint32_t FamilyCode(const std::string& name) {
  static const std::map<std::string, std::uint32_t> codes = {
      {"Other", 0x01}, {"Pentium 4", 0xB2}, {"Core i7", 0xC6}, {"Core i5", 0xCD}, {"Zen", 0x6B}};
  auto it = codes.find(name);
  EXPECT_NE(it, codes.end()) << "family name not in the test's list: " << name;
  return it == codes.end() ? 0 : it->second;
}

// The firmware version texts, worked out by hand from the versions and
// dates that dmidecode shows.
const std::map<std::string, std::string> kFirmwareTexts = {
    {"asus-ux305la", "UX305LA.206 - 08/03/2015"},
    {"beelink-eq12", "106 - 12/15/2023"},  // what follows the V of N95V106
    {"lenovo-thinkpad-20n2", "N2IET92W (1.70 ) - 09/21/2020"},
    {"lenovo-thinkpad-t480", "N22ET52W (1.29 ) - 01/16/2019"},
    {"lenovo-thinkpad-t61p", "7LET56WW (1.26 ) - 10/18/2007"},
    {"lenovo-thinkpad-w510", "6NET84WW (1.45 ) - 10/03/2012"},
    {"microsoft-surface-laptop-3", "1.2238.140 - 01/16/2020"},
    {"toshiba-satellite-pro-l70a", "1.60 - 04/18/2014"},
};

std::uint32_t MegabytesShown(const std::string& size) {
  unsigned long n = 0;
  char unit[8] = {};
  if (std::sscanf(size.c_str(), "%lu %7s", &n, unit) != 2) return 0;  // "No Module Installed"
  if (std::string(unit) == "GB") return static_cast<std::uint32_t>(n * 1024);
  if (std::string(unit) == "MB") return static_cast<std::uint32_t>(n);
  return 0;  // kB: a size in KB adds nothing
}

// The words at 0x16 of the first two memory devices, from the README's
// notes on each machine ("w@0x16 = 0x0002").
std::vector<std::uint32_t> ReadmeMemoryWords(const std::string& name) {
  std::istringstream in(ReadFile(kTables / "README.md"));
  std::string line;
  bool inMachine = false;
  std::vector<std::uint32_t> words;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) inMachine = line == "## " + name;
    const std::size_t at = line.find("w@0x16 = 0x");
    if (inMachine && at != std::string::npos) words.push_back(std::stoul(line.substr(at + 11, 4), nullptr, 16));
  }
  return words;
}

std::vector<std::string> TableNames() {
  std::vector<std::string> names;
  if (fs::is_directory(kTables)) {
    for (const auto& e : fs::directory_iterator(kTables))
      if (e.path().extension() == ".table") names.push_back(e.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class RealTable : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const std::string table = ReadFile(kTables / (GetParam() + ".table"));
    ASSERT_FALSE(table.empty());
    bytes_.assign(table.begin(), table.end());
    dmi_ = ParseDmidecode(ReadFile(kTables / (GetParam() + ".dmidecode.txt")));
    ASSERT_GT(dmi_.major, 0);
    for (int type : {0, 1, 2, 4}) ASSERT_EQ(dmi_.OfType(type).size(), 1u) << "type " << type;
    full_ = vtq::test::Build(bytes_, 388);
    short_ = vtq::test::Build(bytes_, 308);
  }
  const Decoded& One(int type) const { return *dmi_.OfType(type).front(); }

  std::vector<std::uint8_t> bytes_;
  Decoding dmi_;
  Record full_{}, short_{};
};

TEST(RealTables, AllEightAreThere) { EXPECT_GE(TableNames().size(), 8u); }

TEST_P(RealTable, TextsAgreeWithDmidecodeAndTheVideoNumberIsZero) {
  const auto firmware = kFirmwareTexts.find(GetParam());
  ASSERT_NE(firmware, kFirmwareTexts.end()) << "no firmware text for " << GetParam();
  EXPECT_EQ(Text(full_, mi::kFirmwareVersion), firmware->second);
  // Only one of these machines lists video as its first on-board device,
  // and the string its byte 6 names (" Bluetooth") holds no number.
  EXPECT_EQ(Number(full_, mi::kVideoNumber), 0u);

  const Decoded& system = One(1);
  EXPECT_EQ(Text(full_, mi::kManufacturer), Cut(Trim(Str(system.Get("Manufacturer"))), 32));
  const std::string product = Trim(Str(system.Get("Product Name")));
  EXPECT_EQ(Text(full_, mi::kFullProductName), Cut(product, 80));
  EXPECT_EQ(Text(full_, mi::kShortProductName), "");
  EXPECT_EQ(Text(short_, mi::kShortProductName), Cut(product, 32));
  EXPECT_EQ(Text(full_, mi::kSerialNumber), Cut(Trim(Str(system.Get("Serial Number"))), 32));

  const Decoded& board = One(2);
  EXPECT_EQ(Text(full_, mi::kBoardProduct), Cut(Trim(Trim(Str(board.Get("Product Name"))), 'h'), 32));
  EXPECT_EQ(Text(full_, mi::kBoardVersion), Cut(Trim(Str(board.Get("Version"))), 34));
}

TEST_P(RealTable, UuidIsInTableByteOrder) {
  const std::string shown = One(1).Get("UUID");
  std::uint8_t b[16] = {};
  ASSERT_EQ(std::sscanf(shown.c_str(),
                        "%2hhx%2hhx%2hhx%2hhx-%2hhx%2hhx-%2hhx%2hhx-%2hhx%2hhx-%2hhx%2hhx%2hhx%2hhx%2hhx%2hhx",
                        &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &b[8], &b[9], &b[10], &b[11],
                        &b[12], &b[13], &b[14], &b[15]),
            16)
      << shown;
  // From SMBIOS 2.6 on, dmidecode shows the first three fields byte-swapped.
  if (dmi_.major > 2 || (dmi_.major == 2 && dmi_.minor >= 6)) {
    std::reverse(b, b + 4);
    std::reverse(b + 4, b + 6);
    std::reverse(b + 6, b + 8);
  }
  for (int i = 0; i < 16; ++i) EXPECT_EQ(full_[260 + i], b[i]) << i;
}

TEST_P(RealTable, ProcessorAgreesWithDmidecode) {
  const Decoded& cpu = One(4);
  EXPECT_EQ(Text(full_, mi::kProcessorVersion), Cut(Trim(Str(cpu.Get("Version"))), 50));
  EXPECT_EQ(Number(full_, mi::kProcessorFamily), FamilyCode(cpu.Get("Family")));
  const std::uint32_t mhz = static_cast<std::uint32_t>(std::strtoul(cpu.Get("Max Speed").c_str(), nullptr, 10));
  EXPECT_GT(mhz, 0u);
  EXPECT_EQ(Number(full_, mi::kProcessorMaxSpeed), mhz);
  EXPECT_EQ(Number(full_, mi::kProcessorMaxSpeedAgain), mhz);
}

TEST_P(RealTable, MemoryAgreesWithDmidecodeAndTheReadme) {
  std::uint32_t total = 0;
  for (const Decoded* device : dmi_.OfType(17)) total += MegabytesShown(device->Get("Size"));
  EXPECT_GT(total, 0u);
  EXPECT_EQ(Number(full_, mi::kTotalMemory), std::min<std::uint32_t>(total, 0xFFFF));

  const auto words = ReadmeMemoryWords(GetParam());
  ASSERT_GE(words.size(), 2u);
  EXPECT_EQ(Number(full_, mi::kFirstMemoryWord), words[0]);
  EXPECT_EQ(Number(full_, mi::kSecondMemoryWord), words[1]);
}

TEST_P(RealTable, EveryCutOfTheTableBuildsSafely) {
  // A table that ends early, whatever Size says: the walk stays inside the
  // bytes (the sanitizers watch) and still finds the structures before the
  // cut.
  for (std::size_t cut = 0; cut <= bytes_.size(); cut += 7) {
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[cut]);
    std::copy(bytes_.begin(), bytes_.begin() + static_cast<long>(cut), exact.get());
    vtq::SmbiosTable table(exact.get(), cut, static_cast<std::uint32_t>(bytes_.size()));
    Record r{};
    vtq::BuildMachineInfoRecord(table, 388, r.data());
    EXPECT_LE(Number(r, mi::kTotalMemory), Number(full_, mi::kTotalMemory));
  }
}

INSTANTIATE_TEST_SUITE_P(Machines, RealTable, testing::ValuesIn(TableNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
