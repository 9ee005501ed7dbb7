#include "common/ui/DisplayRules.h"

#include <gtest/gtest.h>

namespace rm {
namespace {

// The small icon and the status picture at the usual scales (100 % to
// 300 %), and at the DPIs where Windows' rounding turns: 16 * dpi / 96 is
// x.5 at 99 DPI, 48 * dpi / 96 at 97 DPI.
TEST(DisplayRules, SizesFollowTheDpiAsWindowsRoundsThem) {
  struct Case {
    int dpi, smallIcon, picture;
  } const cases[] = {
      {96, 16, 48},  {120, 20, 60},  {144, 24, 72},  {168, 28, 84},  {192, 32, 96},
      {288, 48, 144}, {95, 16, 48},  {97, 16, 49},   {98, 16, 49},   {99, 17, 50},
      {100, 17, 50}, {101, 17, 51},  {1, 1, 1},      {3, 1, 2},      {0, 16, 48},    {-96, 16, 48},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SmallIconSize(c.dpi), c.smallIcon) << c.dpi;
    EXPECT_EQ(StatusPictureSize(c.dpi), c.picture) << c.dpi;
  }
  EXPECT_EQ(ScaledPixels(-16, 144), -24);
}

// The icons' images: 16, 20, 24, 28, 32, 40, 48, 64 and 96 pixels.
TEST(DisplayRules, ThePictureComesFromItsOwnSizeElseTheNextLarger) {
  const int icons[] = {16, 20, 24, 28, 32, 40, 48, 64, 96};
  struct Case {
    int wanted, image;
  } const cases[] = {
      {15, 16}, {16, 16}, {17, 20}, {20, 20}, {24, 24}, {28, 28}, {29, 32}, {32, 32}, {33, 40},
      {47, 48}, {48, 48}, {49, 64}, {60, 64}, {63, 64}, {64, 64}, {65, 96}, {72, 96}, {95, 96},
      {96, 96}, {97, 96}, {144, 96}, {0, 16}, {-5, 16},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageSizeFor(c.wanted, icons, 9), c.image) << c.wanted;
  // In any order, ignoring sizes that are no sizes; nothing gives 0.
  EXPECT_EQ(ImageSizeFor(30, {48, 0, 32, -1, 16}), 32);
  EXPECT_EQ(ImageSizeFor(50, {48, 16, 32}), 48);
  EXPECT_EQ(ImageSizeFor(16, {}), 0);
  EXPECT_EQ(ImageSizeFor(16, {0, -2}), 0);
}

TEST(DisplayRules, HighContrastTakesTheSchemesColours) {
  struct Case {
    ColoredKind kind;
    bool highContrast;
    bool system;
    int sysIndex;
    std::uint32_t colorRef;
  } const cases[] = {
      {ColoredKind::kBlueWord, false, false, 0, 0x00CD0000},
      {ColoredKind::kBlueWord, true, true, 8, 0},
      {ColoredKind::kGreyWord, false, true, 17, 0},
      {ColoredKind::kGreyWord, true, true, 17, 0},
      {ColoredKind::kWhitePage, false, false, 0, 0x00FFFFFF},
      {ColoredKind::kWhitePage, true, true, 5, 0},
  };
  for (const Case& c : cases) {
    const ColorChoice choice = ColorFor(c.kind, c.highContrast);
    const int at = static_cast<int>(&c - cases);
    EXPECT_EQ(choice.system, c.system) << at;
    EXPECT_EQ(choice.sysIndex, c.sysIndex) << at;
    EXPECT_EQ(choice.colorRef, c.colorRef) << at;
  }
}

}  // namespace
}  // namespace rm
