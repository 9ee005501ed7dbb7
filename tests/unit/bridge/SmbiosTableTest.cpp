#include "bridge/host/SmbiosTable.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/unit/bridge/TableBuilder.h"

namespace {

using vtq::SmbiosTable;
using vtq::test::Body;
using vtq::test::TableBuilder;

// The table's bytes in a heap block of exactly their size, so that the
// sanitizer reports any read past them.
class ExactBytes {
 public:
  explicit ExactBytes(const std::vector<std::uint8_t>& bytes)
      : size_(bytes.size()), data_(new std::uint8_t[bytes.size() ? bytes.size() : 1]) {
    std::copy(bytes.begin(), bytes.end(), data_.get());
  }
  const std::uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }

 private:
  std::size_t size_;
  std::unique_ptr<std::uint8_t[]> data_;
};

TEST(SmbiosTableWalk, FindsEachWellFormedStructure) {
  TableBuilder t;
  t.Add(0, Body(0x12, {}), {"a"}).Add(1, Body(0x1B, {}), {"b", "c"}).Add(4, Body(0x1A, {})).End();
  SmbiosTable table(t.bytes().data(), t.size(), t.size());
  auto s = table.Find(4);
  ASSERT_TRUE(s);
  EXPECT_EQ(table.cursor(), t.OffsetOf(2));
  EXPECT_EQ(s->length(), 0x1Au);
  EXPECT_EQ(s->totalLength(), 0x1Au + 2);
  ASSERT_TRUE(table.Find(127));
  EXPECT_EQ(table.cursor(), t.OffsetOf(3));
}

TEST(SmbiosTableWalk, StopsAtALengthBelowTheHeader) {
  for (std::uint8_t badLength : {0, 1, 3}) {
    TableBuilder t;
    t.Add(0, Body(0x12, {}), {"v"}).Add(9, {}, {}, badLength).Add(4, Body(0x1A, {})).End();
    SmbiosTable table(t.bytes().data(), t.size(), t.size());
    EXPECT_TRUE(table.Find(0)) << int(badLength);
    EXPECT_FALSE(table.Find(4)) << int(badLength);
    EXPECT_EQ(table.cursor(), 0u);
  }
}

TEST(SmbiosTableWalk, NeverReadsPastTheBytesHandedOver) {
  TableBuilder whole;
  whole.Add(0, Body(0x12, {}), {"version"}).Add(4, Body(0x1A, {}), {"processor"});
  const auto& bytes = whole.bytes();
  // Every cut of the table, with Size as declared by the firmware (the
  // whole table, or far more), and also Size cut instead of the array.
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    ExactBytes exact(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    for (std::uint32_t declared : {whole.size(), 0xFFFFFFFFu, static_cast<std::uint32_t>(cut)}) {
      SmbiosTable table(exact.data(), exact.size(), declared);
      EXPECT_LE(table.size(), cut);
      const bool second = cut == bytes.size();
      const bool first = cut >= whole.OffsetOf(1);
      EXPECT_EQ(bool(table.Find(4)), second) << cut;
      EXPECT_EQ(bool(table.Find(0)), first) << cut;
      if (auto s = table.Find(0)) {
        EXPECT_EQ(s->String(1), "version");
      }
    }
  }
}

TEST(SmbiosTableWalk, SizeSmallerThanTheArrayEndsTheWalk) {
  TableBuilder t;
  t.Add(0, Body(0x12, {}), {"v"}).Add(4, Body(0x1A, {})).End();
  SmbiosTable table(t.bytes().data(), t.size(), static_cast<std::uint32_t>(t.OffsetOf(1) + 6));
  EXPECT_TRUE(table.Find(0));
  EXPECT_FALSE(table.Find(4));
}

TEST(SmbiosTableWalk, StringSetWithoutDoubleZeroEndsTheWalk) {
  TableBuilder t;
  t.Add(0, Body(0x12, {}), {"v"});
  const std::vector<std::vector<std::uint8_t>> tails = {
      {2, 8, 1, 0, 0, 0, 0, 0, 'x', 0, 'y'},  // strings, no double zero
      {2, 8, 1, 0, 0, 0, 0, 0, 'x', 0},       // one zero at the very end
      {2, 8, 1, 0, 0, 0, 0, 0, 0},            // one zero of an empty set
      {2, 8, 1, 0, 0, 0, 0, 0},               // no string set at all
  };
  for (const auto& tail : tails) {
    std::vector<std::uint8_t> bytes = t.bytes();
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    ExactBytes exact(bytes);
    SmbiosTable table(exact.data(), exact.size(), static_cast<std::uint32_t>(exact.size()));
    EXPECT_FALSE(table.Find(2)) << tail.size();
    EXPECT_TRUE(table.Find(0)) << tail.size();
  }
}

TEST(SmbiosTableWalk, FormattedAreaRunningPastTheEndIsNotAStructure) {
  TableBuilder t;
  t.Add(0, Body(0x12, {}), {"v"}).Add(4, {}, {}, 0x30);  // claims 0x30 bytes, has 4 + 2
  ExactBytes exact(t.bytes());
  SmbiosTable table(exact.data(), exact.size(), 0x10000);
  EXPECT_TRUE(table.Find(0));
  EXPECT_FALSE(table.Find(4));
}

TEST(SmbiosTableWalk, EmptyTableHasNoStructures) {
  SmbiosTable none(nullptr, 0, 0);
  EXPECT_FALSE(none.Find(0));
  SmbiosTable nullWithSize(nullptr, 100, 100);
  EXPECT_EQ(nullWithSize.size(), 0u);
  EXPECT_FALSE(nullWithSize.Find(0));
  const std::uint8_t zeros[3] = {};
  SmbiosTable tooShort(zeros, sizeof zeros, sizeof zeros);
  EXPECT_FALSE(tooShort.Find(0));
}

TEST(SmbiosTableCursor, StaysOnTheFoundStructureAndGoesBackWhenNothingIsFound) {
  TableBuilder t;
  t.Add(0, Body(0x12, {})).Add(1, Body(0x1B, {})).Add(1, Body(0x1B, {})).End();
  SmbiosTable table(t.bytes().data(), t.size(), t.size());
  ASSERT_TRUE(table.FindFromCursor(1));
  EXPECT_EQ(table.cursor(), t.OffsetOf(1));
  // The next search examines the structure under the cursor first.
  ASSERT_TRUE(table.FindFromCursor(1));
  EXPECT_EQ(table.cursor(), t.OffsetOf(1));
  table.SkipCurrent();
  ASSERT_TRUE(table.FindFromCursor(1));
  EXPECT_EQ(table.cursor(), t.OffsetOf(2));
  // Type 0 lies before the cursor: not found from it, and the cursor
  // goes back to the start.
  EXPECT_FALSE(table.FindFromCursor(0));
  EXPECT_EQ(table.cursor(), 0u);
}

TEST(SmbiosTableCursor, FindAlsoExaminesWhatLiesBeforeTheCursor) {
  TableBuilder t;
  t.Add(4, Body(0x1A, {})).Add(0, Body(0x12, {})).Add(1, Body(0x1B, {})).End();
  SmbiosTable table(t.bytes().data(), t.size(), t.size());
  ASSERT_TRUE(table.Find(1));
  ASSERT_TRUE(table.Find(4));
  EXPECT_EQ(table.cursor(), t.OffsetOf(0));
  ASSERT_TRUE(table.Find(0));  // after the cursor again
  EXPECT_EQ(table.cursor(), t.OffsetOf(1));
  EXPECT_FALSE(table.Find(17));
  EXPECT_EQ(table.cursor(), 0u);
}

TEST(SmbiosStructure, StringLookupByNumber) {
  TableBuilder t;
  t.Add(1, Body(0x08, {}), {"first", "second", "third"}).Add(2, Body(0x08, {})).End();
  SmbiosTable table(t.bytes().data(), t.size(), t.size());
  auto s = table.Find(1);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->String(0), "");
  EXPECT_EQ(s->String(1), "first");
  EXPECT_EQ(s->String(3), "third");
  EXPECT_EQ(s->String(4), "third");  // beyond the set: the last string
  EXPECT_EQ(s->String(255), "third");
  auto empty = table.Find(2);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->String(1), "");
}

TEST(SmbiosStructure, FieldsBeyondTheFormattedLengthReadAsZero) {
  TableBuilder t;
  t.Add(17, Body(0x0D, {{12, 0x00}}), {"\x7f\x7f"});  // size word cut after its first byte
  SmbiosTable table(t.bytes().data(), t.size(), t.size());
  auto s = table.Find(17);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Byte(12), 0);
  EXPECT_EQ(s->Byte(13), 0);  // the first string's byte, not a field
  EXPECT_EQ(s->Word(12), 0);
  EXPECT_EQ(s->Dword(10), 0u);
  EXPECT_EQ(s->Word(2), 0);
  EXPECT_TRUE(s->Holds(12, 1));
  EXPECT_FALSE(s->Holds(12, 2));
  EXPECT_FALSE(s->Holds(~std::size_t{0}, 2));
}

}  // namespace
