#include "common/ui/TabKeyRules.h"

#include <gtest/gtest.h>

namespace rm {
namespace {

// The keys of a window of tabs: Ctrl+Tab and Ctrl+Page Down forward,
// Ctrl+Shift+Tab and Ctrl+Page Up back, round the ends; -1 leaves the key
// to the dialog manager.
TEST(TabAfterKey, SwitchesAsAPropertySheetDoes) {
  constexpr TabKeyModifiers none{false, false, false};
  constexpr TabKeyModifiers ctrl{true, false, false};
  constexpr TabKeyModifiers ctrlShift{true, true, false};
  constexpr TabKeyModifiers shift{false, true, false};
  constexpr TabKeyModifiers ctrlAlt{true, false, true};
  struct Case {
    const char* what;
    TabKey key;
    TabKeyModifiers modifiers;
    int current, count, expected;
  } const cases[] = {
      {"ctrl+tab 0 of 2", TabKey::kTab, ctrl, 0, 2, 1},
      {"ctrl+tab 1 of 2 wraps", TabKey::kTab, ctrl, 1, 2, 0},
      {"ctrl+tab 1 of 3", TabKey::kTab, ctrl, 1, 3, 2},
      {"ctrl+shift+tab 0 of 2 wraps", TabKey::kTab, ctrlShift, 0, 2, 1},
      {"ctrl+shift+tab 2 of 3", TabKey::kTab, ctrlShift, 2, 3, 1},
      {"ctrl+shift+tab 0 of 3 wraps", TabKey::kTab, ctrlShift, 0, 3, 2},
      {"ctrl+pgdn 0 of 2", TabKey::kPageDown, ctrl, 0, 2, 1},
      {"ctrl+pgdn 2 of 3 wraps", TabKey::kPageDown, ctrl, 2, 3, 0},
      {"ctrl+pgup 1 of 2", TabKey::kPageUp, ctrl, 1, 2, 0},
      {"ctrl+pgup 0 of 3 wraps", TabKey::kPageUp, ctrl, 0, 3, 2},
      // Not a sheet key: the dialog manager's Tab, Shift with the pages,
      // Alt held, another key.
      {"tab", TabKey::kTab, none, 0, 2, -1},
      {"shift+tab", TabKey::kTab, shift, 1, 2, -1},
      {"pgdn", TabKey::kPageDown, none, 0, 2, -1},
      {"ctrl+shift+pgdn", TabKey::kPageDown, ctrlShift, 0, 2, -1},
      {"ctrl+shift+pgup", TabKey::kPageUp, ctrlShift, 1, 2, -1},
      {"ctrl+alt+tab", TabKey::kTab, ctrlAlt, 0, 2, -1},
      {"ctrl+other", TabKey::kOther, ctrl, 0, 2, -1},
      // One tab: the key is the sheet's and stays on it. No tab, none
      // selected, the current tab just outside and at both ends.
      {"one tab", TabKey::kTab, ctrl, 0, 1, 0},
      {"one tab, back", TabKey::kPageUp, ctrl, 0, 1, 0},
      {"no tab", TabKey::kTab, ctrl, 0, 0, -1},
      {"none selected", TabKey::kTab, ctrl, -1, 2, -1},
      {"current at count", TabKey::kPageUp, ctrl, 2, 2, -1},
      {"current at count - 1", TabKey::kPageUp, ctrl, 1, 2, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TabAfterKey(c.key, c.modifiers, c.current, c.count), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace rm
