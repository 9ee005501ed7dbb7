#include "common/ui/AccessibleRules.h"

#include <gtest/gtest.h>

namespace rm {
namespace {

// Roles by class and style: 43 push button, 44 check box, 45 radio button,
// 20 grouping, 40 graphic, 41 static text, 60 page tab list; 0 keeps the
// system's. The style's type is its low four (Button) or five (Static)
// bits; the bits above (WS_TABSTOP 0x10000, SS_CENTERIMAGE 0x200) do not
// count.
TEST(AccessibleRoleOf, ByClassAndStyle) {
  struct Case {
    const char* cls;
    unsigned long style;
    long role;
  } const cases[] = {
      {"Button", 0x50010000, 43},  // BS_PUSHBUTTON with WS_TABSTOP
      {"Button", 0x01, 43},        // BS_DEFPUSHBUTTON
      {"Button", 0x02, 44},        // BS_CHECKBOX
      {"Button", 0x50010003, 44},  // BS_AUTOCHECKBOX
      {"Button", 0x05, 44},
      {"Button", 0x06, 44},
      {"Button", 0x04, 45},
      {"Button", 0x09, 45},
      {"Button", 0x07, 20},  // BS_GROUPBOX
      {"Button", 0x08, 43},  // BS_USERBUTTON, just above the group box
      {"Button", 0x0B, 43},  // BS_OWNERDRAW
      {"button", 0x07, 20},
      {"Static", 0x00, 41},   // SS_LEFT
      {"Static", 0x201, 41},  // SS_CENTER | SS_CENTERIMAGE
      {"Static", 0x02, 41},   // SS_RIGHT
      {"Static", 0x03, 40},   // SS_ICON
      {"Static", 0x04, 0},    // SS_BLACKRECT, the first rectangle
      {"Static", 0x09, 0},    // SS_WHITEFRAME, the last frame
      {"Static", 0x0A, 41},   // SS_USERITEM
      {"Static", 0x0B, 41},   // SS_SIMPLE
      {"Static", 0x0C, 41},   // SS_LEFTNOWORDWRAP
      {"Static", 0x0E, 40},   // SS_BITMAP
      {"Static", 0x0F, 40},   // SS_ENHMETAFILE
      {"Static", 0x10, 0},    // SS_ETCHEDHORZ
      {"Static", 0x12, 0},    // SS_ETCHEDFRAME
      {"Static", 0x13, 41},
      {"STATIC", 0x03, 40},
      {"SysTabControl32", 0x50030000, 60},
      {"#32770", 0, 0},
      {"rm.PageContainer", 0, 0},
      {"Buttons", 0, 0},
      {"Butto", 0, 0},
      {"", 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(AccessibleRoleOf(c.cls, c.style), c.role) << c.cls << " " << std::hex << c.style;
}

}  // namespace
}  // namespace rm
