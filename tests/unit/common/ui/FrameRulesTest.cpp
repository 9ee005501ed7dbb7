#include "common/ui/FrameRules.h"

#include <gtest/gtest.h>

namespace rm {
namespace {

// A dialog's opening position: centred over its owner (or the work area),
// then kept inside the work area of the owner's monitor. The window is
// 300 x 200 unless a case says otherwise; only its size counts.
TEST(CentredPosition, OverTheOwnerAndInsideTheWorkArea) {
  // 1024 x 768 less a 30-pixel taskbar; a 1280 x 1024 monitor to its right
  // and one to its left (negative coordinates), each less its taskbar.
  constexpr FrameRect primary = {0, 0, 1024, 738};
  constexpr FrameRect right = {1024, 0, 2304, 994};
  constexpr FrameRect left = {-1280, 0, 0, 994};
  constexpr FrameRect window = {5, 7, 305, 207};
  struct Case {
    const char* what;
    FrameRect window, around, work;
    long x, y;
  } const cases[] = {
      {"over the owner", window, {100, 100, 600, 500}, primary, 200, 200},
      {"over the work area", {0, 0, 300, 200}, primary, primary, 362, 269},
      {"odd difference, towards zero", {0, 0, 303, 203}, {100, 100, 400, 300}, primary, 99, 99},
      // The right edge just inside, on and past the work area's.
      {"right 1023", window, {723, 100, 1023, 300}, primary, 723, 100},
      {"right 1024", window, {724, 100, 1024, 300}, primary, 724, 100},
      {"right 1025", window, {725, 100, 1025, 300}, primary, 724, 100},
      {"left 1", window, {1, 100, 301, 300}, primary, 1, 100},
      {"left 0", window, {0, 100, 300, 300}, primary, 0, 100},
      {"left -1", window, {-1, 100, 299, 300}, primary, 0, 100},
      {"bottom 737", window, {100, 537, 400, 737}, primary, 100, 537},
      {"bottom 738", window, {100, 538, 400, 738}, primary, 100, 538},
      {"bottom 739", window, {100, 539, 400, 739}, primary, 100, 538},
      {"top 1", window, {100, 1, 400, 201}, primary, 100, 1},
      {"top 0", window, {100, 0, 400, 200}, primary, 100, 0},
      {"top -1", window, {100, -1, 400, 199}, primary, 100, 0},
      // Larger than the work area: the top left corner stays inside.
      {"larger", {0, 0, 1100, 800}, primary, primary, 0, 0},
      {"larger over an owner", {0, 0, 1100, 800}, {500, 400, 700, 500}, primary, 0, 0},
      // Another monitor's work area, to the right and to the left.
      {"inside the right monitor", window, {2000, 500, 2300, 700}, right, 2000, 500},
      {"owner across the monitors' edge", window, {900, 100, 1200, 300}, right, 1024, 100},
      {"past the right monitor's right edge", window, {2100, 900, 2400, 1100}, right, 2004, 794},
      {"over the right monitor's work area", window, right, right, 1514, 397},
      {"past the left monitor's right edge", window, {-200, 100, 100, 300}, left, -300, 100},
      {"past the left monitor's left edge", window, {-1300, 100, -1000, 300}, left, -1280, 100},
      {"over the left monitor's work area", window, left, left, -790, 397},
  };
  for (const Case& c : cases) {
    const FramePosition p = CentredPosition(c.window, c.around, c.work);
    EXPECT_EQ(p.x, c.x) << c.what;
    EXPECT_EQ(p.y, c.y) << c.what;
  }
}

}  // namespace
}  // namespace rm
