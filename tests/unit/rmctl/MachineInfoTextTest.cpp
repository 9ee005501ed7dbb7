#include "rmctl/core/MachineInfoText.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "tests/unit/bridge/RecordFields.h"
#include "tests/unit/bridge/TableBuilder.h"

namespace {

using testing::Contains;
using testing::Not;
using vtq::test::Body;
using vtq::test::Record;
using vtq::test::TableBuilder;

Record SampleRecord(std::uint32_t layout) {
  TableBuilder t;
  t.Add(0, Body(0x12, {{5, 1}, {8, 2}}), {"F.0B", "06/15/2004"});
  auto system = Body(0x1B, {{4, 1}, {5, 2}, {7, 3}});
  system[8 - 4] = 0xD0;
  system[23 - 4] = 0x58;
  t.Add(1, system, {"Maker", "Notebook 7", "SN-1"});
  t.Add(17, Body(0x1C, {{13, 0x08}, {0x16, 0x02}}));  // 2048 MB
  t.Add(4, Body(0x1A, {{6, 0xC6}, {0x10, 1}, {0x14, 0x60}, {0x15, 0x09}}), {"CPU 1"});
  t.End();
  Record r = vtq::test::Build(t.bytes(), layout);
  r[0] = 0x84;  // the size field, 388, as a client receives it
  r[1] = 0x01;
  return r;
}

TEST(FormatMachineInfoRecord, OneLinePerField) {
  const Record r = SampleRecord(388);
  const auto lines = rmctl::FormatMachineInfoRecord(r.data(), r.size());
  EXPECT_THAT(lines, Contains("Record size: 388"));
  EXPECT_THAT(lines, Contains("Firmware version: F.0B - 06/15/2004"));
  EXPECT_THAT(lines, Contains("Manufacturer: Maker"));
  EXPECT_THAT(lines, Contains("Product name: Notebook 7"));
  EXPECT_THAT(lines, Contains("Serial number: SN-1"));
  EXPECT_THAT(lines, Contains("Processor: CPU 1"));
  EXPECT_THAT(lines, Contains("Processor family: 198"));
  EXPECT_THAT(lines, Contains("Processor maximum speed: 2400 MHz"));
  EXPECT_THAT(lines, Contains("Total memory: 2048 MB"));
  EXPECT_THAT(lines, Contains("UUID (table byte order): d0000000-0000-0000-0000-000000000058"));
  EXPECT_THAT(lines, Contains("Memory device words: 0x0002 0x0000"));
}

TEST(FormatMachineInfoRecord, ShortLayoutTakesTheProductNameFromItsSlot) {
  const Record r = SampleRecord(308);
  const auto lines = rmctl::FormatMachineInfoRecord(r.data(), 308);
  EXPECT_THAT(lines, Contains("Product name: Notebook 7"));
  EXPECT_THAT(lines, Contains("Manufacturer: Maker"));
}

TEST(FormatMachineInfoRecord, LeavesOutWhatTheRecordDoesNotHold) {
  Record r = SampleRecord(388);
  // A text that fills its field without a zero ends at the field's end.
  std::fill(r.begin() + 36, r.begin() + 68, 'M');
  auto lines = rmctl::FormatMachineInfoRecord(r.data(), r.size());
  EXPECT_THAT(lines, Contains("Manufacturer: " + std::string(32, 'M')));
  lines = rmctl::FormatMachineInfoRecord(r.data(), 100);
  EXPECT_THAT(lines, Contains("Manufacturer: " + std::string(32, 'M')));
  EXPECT_THAT(lines, Not(Contains(testing::StartsWith("Serial number"))));
  EXPECT_TRUE(rmctl::FormatMachineInfoRecord(r.data(), 0).empty());
}

}  // namespace
