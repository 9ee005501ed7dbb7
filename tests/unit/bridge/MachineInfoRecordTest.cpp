#include "bridge/host/MachineInfoRecord.h"

#include <gtest/gtest.h>

#include "tests/unit/bridge/RecordFields.h"
#include "tests/unit/bridge/TableBuilder.h"

namespace {

namespace mi = vtq::machine_info;
using vtq::test::AllZero;
using vtq::test::Body;
using vtq::test::Build;
using vtq::test::Number;
using vtq::test::Record;
using vtq::test::TableBuilder;
using vtq::test::Text;

// Type 0 with version (string 1) and release date (string 2).
TableBuilder& Firmware(TableBuilder& t, const std::string& version, const std::string& date) {
  return t.Add(0, Body(0x12, {{5, 1}, {8, 2}}), {version, date});
}

std::string FirmwareField(const std::string& version, const std::string& date) {
  TableBuilder t;
  Firmware(t, version, date).End();
  return Text(Build(t.bytes()), mi::kFirmwareVersion);
}

TEST(FirmwareVersionText, CutsAfterVerOrTheFirstLetterV) {
  EXPECT_EQ(FirmwareField("F.0B", "06/15/2004"), "F.0B - 06/15/2004");
  EXPECT_EQ(FirmwareField("Ver. 1.20", "01/02/2004"), "1.20 - 01/02/2004");
  EXPECT_EQ(FirmwareField("VER. 1.20", "01/02/2004"), "1.20 - 01/02/2004");
  // No trimming after the cut: the space after "Rev" stays.
  EXPECT_EQ(FirmwareField("Rev 12", "01/02/2004"), " 12 - 01/02/2004");
  EXPECT_EQ(FirmwareField("A05", "Nov 1 2004"), " 1 2004");  // the v of the date
  // "Ver. " wins over an earlier v.
  EXPECT_EQ(FirmwareField("v2 Ver. 3", "x"), "3 - x");
  // "Ver." without its space is only a v.
  EXPECT_EQ(FirmwareField("Ver.3", "x"), "er.3 - x");
}

TEST(FirmwareVersionText, TrimsThePartsAndCutsToTheField) {
  EXPECT_EQ(FirmwareField("  7LET56WW (1.26 )  ", " 10/18/2007 "), "7LET56WW (1.26 ) - 10/18/2007");
  EXPECT_EQ(FirmwareField("", ""), "-");
  const std::string longVersion(40, 'A');
  EXPECT_EQ(FirmwareField(longVersion, "01/01/2000"), std::string(31, 'A'));
  // The join is limited to 259 characters before the cut: a "Ver. " past
  // that limit is not seen, and the v of it is.
  const std::string late = std::string(256, 'A') + "Ver. 9";
  EXPECT_EQ(vtq::FirmwareVersionText(late, "d"), "er");
  EXPECT_EQ(vtq::FirmwareVersionText(std::string(240, 'A') + "Ver. 9", "d"), "9 - d");
}

TEST(BoardProduct, LosesSpacesThenHCharactersAtBothEnds) {
  auto board = [](const std::string& product) {
    TableBuilder t;
    t.Add(2, Body(0x08, {{5, 1}, {6, 2}}), {product, "  rev h  "}).End();
    Record r = Build(t.bytes());
    EXPECT_EQ(Text(r, mi::kBoardVersion), "rev h");  // only spaces come off the version
    return Text(r, mi::kBoardProduct);
  };
  EXPECT_EQ(board("0890h"), "0890");
  EXPECT_EQ(board("  hh0890hh "), "0890");
  EXPECT_EQ(board("h 0890 h"), " 0890 ");  // the spaces go first, not again
  EXPECT_EQ(board("0890H"), "0890H");
  EXPECT_EQ(board("hhh"), "");
}

// A memory device (type 17) of the given length with its size word at 12
// and the word at 0x16.
TableBuilder& Memory(TableBuilder& t, std::uint16_t size, std::uint16_t word16 = 0, std::uint8_t length = 0x1C,
                     std::uint32_t extended = 0) {
  auto body = Body(length, {});
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
      if (at + i - 4 < body.size()) body[at + i - 4] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(12, size, 2);
  put(0x16, word16, 2);
  put(0x1C, extended, 4);
  return t.Add(17, body);
}

TEST(TotalMemory, SkipsKilobyteDevices) {
  TableBuilder kb;
  Memory(kb, 0x8000 | 512, 0x1111);  // 512 KB
  Memory(kb, 1024, 0x2222);
  Memory(kb, 0xFFFF, 0x3333);  // unknown size
  kb.End();
  Record k = Build(kb.bytes());
  EXPECT_EQ(Number(k, mi::kTotalMemory), 1024u);
  EXPECT_EQ(Number(k, mi::kFirstMemoryWord), 0u);  // the first device is in KB
  EXPECT_EQ(Number(k, mi::kSecondMemoryWord), 0x2222u);
}

TEST(TotalMemory, ExtendedSizeAndSumsBeyondSixteenBits) {
  TableBuilder t;
  Memory(t, 8192);
  Memory(t, 0x7FFF, 0, 0x22, 32768);  // 32 GB in the extended size
  t.End();
  EXPECT_EQ(Number(Build(t.bytes()), mi::kTotalMemory), 40960u);

  TableBuilder old;  // a structure without the extended size field
  Memory(old, 0x7FFF, 0, 0x1B);
  old.End();
  EXPECT_EQ(Number(Build(old.bytes()), mi::kTotalMemory), 0x7FFFu);

  TableBuilder big;  // 96 GB does not fit: the field stays at its greatest value
  Memory(big, 0x7FFF, 0, 0x22, 32768);
  Memory(big, 0x7FFF, 0, 0x22, 32768);
  Memory(big, 0x7FFF, 0, 0x22, 32768);
  Memory(big, 16);
  big.End();
  EXPECT_EQ(Number(Build(big.bytes()), mi::kTotalMemory), 0xFFFFu);

  TableBuilder huge;  // an extended size with bit 31 set (reserved) ignores that bit
  Memory(huge, 0x7FFF, 0, 0x22, 0x80000010u);
  huge.End();
  EXPECT_EQ(Number(Build(huge.bytes()), mi::kTotalMemory), 16u);
}

TEST(TotalMemory, ShortDeviceStructuresAddNothing) {
  TableBuilder t;
  Memory(t, 0x0100, 0x4444, 0x0C);  // ends before its size word
  Memory(t, 0x0200, 0x5555, 0x15);  // ends before the word at 0x16
  t.End();
  Record r = Build(t.bytes());
  EXPECT_EQ(Number(r, mi::kTotalMemory), 0x200u);
  EXPECT_EQ(Number(r, mi::kFirstMemoryWord), 0u);
  EXPECT_EQ(Number(r, mi::kSecondMemoryWord), 0u);
}

// A type 1 structure: manufacturer 1, product 2, serial 3, the UUID 0..15.
TableBuilder& System(TableBuilder& t, const std::string& product = "Product") {
  auto body = Body(0x1B, {{4, 1}, {5, 2}, {7, 3}});
  for (int i = 0; i < 16; ++i) body[8 - 4 + i] = static_cast<std::uint8_t>(0xA0 + i);
  return t.Add(1, body, {" Maker ", " " + product + " ", "SN1"});
}

// A record as placements of literal bytes at their offsets; every other
// byte is zero. Texts are placed without their terminating zero.
struct Placement {
  std::size_t offset;
  std::vector<std::uint8_t> bytes;
  Placement(std::size_t at, const std::string& text) : offset(at), bytes(text.begin(), text.end()) {}
  Placement(std::size_t at, std::initializer_list<std::uint8_t> b) : offset(at), bytes(b) {}
};

void ExpectEveryByte(const Record& actual, const std::vector<Placement>& placements, const char* what) {
  Record expected{};
  for (const Placement& p : placements) std::copy(p.bytes.begin(), p.bytes.end(), expected.begin() + p.offset);
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(int(actual[i]), int(expected[i])) << what << ", offset " << i;
}

// A notebook's table in an order that needs every rewind: a memory device
// and the on-board devices first, and a processor before and after the
// chassis (the one after it is taken).
std::vector<std::uint8_t> NotebookTable() {
  TableBuilder t;
  Memory(t, 4096, 0x0640);
  t.Add(10, Body(8, {{4, 0x83}, {5, 1}, {6, 0x85}, {7, 2}}), {"Video 1", "  12 Ethernet"});
  t.Add(0, Body(0x18, {{4, 1}, {5, 2}, {8, 3}}), {"Kestrel Firmware Co.", " KS14 Ver. 1.07 ", "03/14/2016"});
  auto system = Body(0x1B, {{4, 1}, {5, 2}, {6, 3}, {7, 4}, {24, 6}});
  for (int i = 0; i < 16; ++i) system[8 - 4 + i] = static_cast<std::uint8_t>(0x10 + i);
  t.Add(1, system, {" Maker Corp. ", " Notebook 14 ", "1.0", " SN-0042 "});
  t.Add(2, Body(0x0F, {{4, 1}, {5, 2}, {6, 3}, {7, 4}}), {"Board Maker", " hh0890h ", " Rev 1.02 ", "BSN"});
  t.Add(4, Body(0x2A, {{6, 0x01}, {7, 1}, {0x10, 2}, {0x14, 0xE8}, {0x15, 0x03}}), {"Other", "Wrong CPU"});
  t.Add(3, Body(0x0D, {{4, 1}}), {"Chassis Maker"});
  t.Add(4, Body(0x2A, {{6, 0xC6}, {7, 1}, {0x10, 2}, {0x12, 0x64}, {0x14, 0x60}, {0x15, 0x09}, {0x16, 0x08}, {0x17, 0x07}}),
        {"Kestrel", " Strider S7 CPU @ 2.40GHz "});
  Memory(t, 2048, 0x0535);
  Memory(t, 0, 0x1234);  // empty socket
  return t.End().bytes();
}

// Every text longer than its field.
std::vector<std::uint8_t> LongTextsTable() {
  const auto text = [](char c) { return std::string(100, c); };
  TableBuilder t;
  t.Add(0, Body(0x12, {{5, 1}, {8, 2}}), {text('F'), text('1')});
  t.Add(1, Body(0x1B, {{4, 1}, {5, 2}, {7, 3}}), {text('M'), text('P'), text('S')});
  t.Add(2, Body(0x08, {{5, 1}, {6, 2}}), {text('B'), text('R')});
  t.Add(4, Body(0x1A, {{0x10, 1}}), {text('C')});
  return t.End().bytes();
}

TEST(Record, EveryByteOfBothLayouts) {
  const std::vector<Placement> notebook = {
      {4, "1.07 - 03/14/2016"}, {36, "Maker Corp."}, {100, "SN-0042"}, {132, "0890"},
      {164, {0x00, 0x18, 0x0C, 0x00}},  // 6144 MB, video number 12
      {168, "Strider S7 CPU @ 2.40GHz"}, {218, "Rev 1.02"},
      {252, {0xC6, 0, 0, 0, 0x60, 0x09, 0x60, 0x09}},  // family, 2400 MHz twice
      {260, {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F}},
      {276, {0x40, 0x06, 0x35, 0x05}}};
  const std::vector<Placement> longTexts = {{4, std::string(31, 'F')},   {36, std::string(31, 'M')},
                                            {100, std::string(31, 'S')}, {132, std::string(31, 'B')},
                                            {168, std::string(49, 'C')}, {218, std::string(33, 'R')}};
  const auto with = [](std::vector<Placement> p, Placement product) {
    p.push_back(product);
    return p;
  };
  const struct {
    const char* what;
    std::vector<std::uint8_t> table;
    std::uint32_t layout;
    std::vector<Placement> placements;
  } cases[] = {
      {"notebook, 388", NotebookTable(), 388, with(notebook, {308, "Notebook 14"})},
      {"notebook, 308", NotebookTable(), 308, with(notebook, {68, "Notebook 14"})},
      {"long texts, 388", LongTextsTable(), 388, with(longTexts, {308, std::string(79, 'P')})},
      {"long texts, 308", LongTextsTable(), 308, with(longTexts, {68, std::string(31, 'P')})},
  };
  for (const auto& c : cases) ExpectEveryByte(Build(c.table, c.layout), c.placements, c.what);
}

TEST(Layouts, OldSystemStructureWithoutUuid) {
  TableBuilder t;
  t.Add(1, Body(0x08, {{4, 1}, {5, 2}, {7, 3}}), {"M", "P", "S"}).End();
  Record r = Build(t.bytes());
  EXPECT_EQ(Text(r, mi::kSerialNumber), "S");
  EXPECT_TRUE(AllZero(r, 260, 276));  // the string bytes are not a UUID
}

TEST(StructureOrder, SystemAfterBoardStillYieldsBoth) {
  TableBuilder t;
  Firmware(t, "1.0", "d");
  t.Add(2, Body(0x08, {{5, 1}, {6, 2}}), {"Board", "B1"});
  System(t);
  t.Add(3, Body(0x0D, {}));
  t.Add(4, Body(0x1A, {{6, 0xC6}, {0x10, 1}, {0x14, 0x60}, {0x15, 0x09}}), {"CPU"});
  t.End();
  Record r = Build(t.bytes());
  EXPECT_EQ(Text(r, mi::kManufacturer), "Maker");
  EXPECT_EQ(Text(r, mi::kBoardProduct), "Board");
  EXPECT_EQ(Text(r, mi::kBoardVersion), "B1");
  EXPECT_EQ(Text(r, mi::kProcessorVersion), "CPU");
}

TEST(StructureOrder, ProcessorBeforeFirmwareIsFound) {
  TableBuilder t;
  t.Add(17, Body(0x1C, {{12, 0x00}, {13, 0x04}}));
  t.Add(4, Body(0x1A, {{6, 0x01}, {0x10, 1}, {0x14, 0x98}, {0x15, 0x08}, {0x16, 0x11}}), {" Processor X "});
  Firmware(t, "1.0", "d");
  System(t);
  t.Add(2, Body(0x08, {{5, 1}}), {"Board"});
  t.Add(3, Body(0x0D, {}));
  t.End();
  Record r = Build(t.bytes());
  EXPECT_EQ(Text(r, mi::kProcessorVersion), "Processor X");
  EXPECT_EQ(Number(r, mi::kProcessorMaxSpeed), 2200u);
  EXPECT_EQ(Number(r, mi::kTotalMemory), 1024u);
  EXPECT_EQ(Text(r, mi::kBoardProduct), "Board");
}

TEST(VideoNumber, TakesTheNumberOfTheStringNamedByByteSix) {
  auto video = [](std::uint8_t firstType, std::vector<std::string> strings, int length = 8) {
    TableBuilder t;
    // Byte 4 and 5: the first device (type, description 1); byte 6 and 7:
    // the second device's type (here 2, naming the second string) and
    // description.
    auto body = Body(8, {{4, firstType}, {5, 1}, {6, 2}, {7, 2}});
    body.resize(static_cast<std::size_t>(length - 4));
    t.Add(10, body, strings).End();
    return Number(Build(t.bytes()), mi::kVideoNumber);
  };
  EXPECT_EQ(video(0x83, {"9 VGA", " 12 Ethernet"}), 12u);
  EXPECT_EQ(video(0x03, {"9 VGA", "\t-1"}), 0xFFFFu);    // disabled still counts; -1 in 16 bits
  EXPECT_EQ(video(0x85, {"9 VGA", "12 Ethernet"}), 0u);  // first device is not video
  EXPECT_EQ(video(0x83, {"9 VGA", "Ethernet 12"}), 0u);
  EXPECT_EQ(video(0x83, {"9 VGA"}), 9u);  // beyond the set: the last string
  EXPECT_EQ(video(0x83, {"9 VGA", "70000"}), 4464u);  // 70000 in 16 bits
  EXPECT_EQ(video(0x83, {"9 VGA", "99999999999999999999"}), 0xFFFFu);  // stops at the 32-bit limit
  // A single-device structure ends before byte 6: nothing is named there.
  EXPECT_EQ(video(0x83, {"9 VGA", "12"}, 6), 0u);
}

TEST(MissingStructures, LeaveTheirFieldsEmpty) {
  TableBuilder t;
  t.Add(127, {});
  Record r = Build(t.bytes());
  EXPECT_TRUE(AllZero(r, 0, r.size()));
  Record none{};
  vtq::SmbiosTable empty(nullptr, 0, 0);
  vtq::BuildMachineInfoRecord(empty, 388, none.data());
  EXPECT_TRUE(AllZero(none, 0, none.size()));
}

}  // namespace
