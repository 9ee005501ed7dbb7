// The properties window, the applet's sheet and the tray icon's menu driven
// by keys alone: after each key the focused control (its id and class) and
// the selected tab, as the user sees them.
#include "tests/system/keyboard/KeyboardWindows.h"

#include <commctrl.h>

#include "tests/support/Keys.h"

namespace {

using namespace keystest;
using rmtest::Chord;
using rmtest::ClassOf;
using rmtest::FocusedId;
using rmtest::FocusOf;
using rmtest::kCtrl;
using rmtest::kNoModifier;
using rmtest::kShift;

struct Step {
  WORD key;
  unsigned modifiers;
  int focus;  // the id of the control that has the focus afterwards
  int tab;    // the selected tab afterwards
};

int SelectedTab(HWND window, int tabId) {
  return static_cast<int>(::SendMessageA(::GetDlgItem(window, tabId), TCM_GETCURSEL, 0, 0));
}

// Each step's key, then the focus and the tab it must lead to; the class
// of the focused control ("SysTabControl32" for the tab strip) and the
// focus rectangle shown (no UISF_HIDEFOCUS) once a key has been used.
void Drive(HWND window, int tabId, const Step* steps, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const Step& s = steps[i];
    ASSERT_TRUE(Chord(window, s.key, s.modifiers)) << "step " << i;
    EXPECT_TRUE(WaitFor([&] { return FocusedId(window) == s.focus && SelectedTab(window, tabId) == s.tab; },
                        std::chrono::seconds(5)))
        << "step " << i << ": focus " << FocusedId(window) << " tab " << SelectedTab(window, tabId) << ", expected "
        << s.focus << " on tab " << s.tab;
    const HWND focus = FocusOf(window);
    EXPECT_EQ(ClassOf(focus), s.focus == tabId ? "SysTabControl32" : "Button") << "step " << i;
    EXPECT_EQ(::SendMessageA(focus, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0) << "step " << i;
  }
}

TEST_F(KeyboardWindows, PropertiesWindowAndTrayMenuByKeysAlone) {
  StartTray();

  // The icon's menu by the keyboard: the shell's keyboard selection (0x401)
  // and its context menu request (0x7B) open it, Esc closes it; a
  // selection by the mouse (0x400) opens nothing.
  for (LPARAM event : {0x401, 0x7B}) {
    IconCallback(201, event);
    const HWND menu = rmtest::WaitForProcessWindow(tray_.id(), "#32768");
    ASSERT_NE(menu, nullptr) << event;
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(menu); }, std::chrono::seconds(10))) << event;
  }
  IconCallback(201, 0x400);
  IconCallback(202, 0x401);  // not the icon's identifier
  EXPECT_FALSE(WaitFor([&] { return rmtest::FindProcessWindow(tray_.id(), "#32768") &&
                                    ::IsWindowVisible(rmtest::FindProcessWindow(tray_.id(), "#32768")); },
                       std::chrono::milliseconds(1500)));

  // Both radios, the firmware group shown: the status tab's row buttons
  // 1012 and 1013 (1023 hidden), Help 9, Close 2 (OK 1 hidden there), the
  // tab strip 1006; the settings tab's check boxes 1002 to 1005.
  HWND props = OpenProperties();
  ASSERT_NE(props, nullptr);
  EXPECT_TRUE(WaitFor([&] { return FocusedId(props) == 1012; }, std::chrono::seconds(5))) << FocusedId(props);
  EXPECT_EQ(SelectedTab(props, 1006), 0);
  const Step steps[] = {
      {VK_TAB, kNoModifier, 1013, 0},
      {VK_TAB, kNoModifier, 9, 0},
      {VK_TAB, kNoModifier, 2, 0},
      {VK_TAB, kNoModifier, 1006, 0},
      {VK_TAB, kNoModifier, 1012, 0},
      {VK_TAB, kShift, 1006, 0},
      {VK_TAB, kShift, 2, 0},
      {VK_TAB, kCtrl, 1002, 1},
      {VK_TAB, kNoModifier, 1003, 1},
      {VK_TAB, kNoModifier, 1004, 1},
      {VK_TAB, kNoModifier, 1005, 1},
      {VK_TAB, kNoModifier, 9, 1},
      {VK_TAB, kNoModifier, 1, 1},
      {VK_TAB, kNoModifier, 2, 1},
      {VK_TAB, kNoModifier, 1006, 1},
      {VK_TAB, kNoModifier, 1002, 1},
      {VK_TAB, kShift | kCtrl, 1012, 0},
      {VK_NEXT, kCtrl, 1002, 1},
      {VK_PRIOR, kCtrl, 1012, 0},
      {VK_PRIOR, kCtrl, 1002, 1},
      {VK_NEXT, kCtrl, 1012, 0},
      {VK_TAB, kShift | kCtrl, 1002, 1},
  };
  Drive(props, 1006, steps, sizeof steps / sizeof steps[0]);

  // Esc is Cancel: the window goes and nothing is stored.
  ASSERT_TRUE(Chord(props, VK_ESCAPE));
  EXPECT_TRUE(WaitFor([&] { return !::IsWindow(props); }, std::chrono::seconds(10)));
  EXPECT_EQ(SettingDword("HideBIOSSettings"), 0u);

  // Opened again, on the status tab with its first button focused; on the
  // settings tab Space checks 1003 and Enter is OK, which stores it.
  props = OpenProperties();
  ASSERT_NE(props, nullptr);
  EXPECT_TRUE(WaitFor([&] { return FocusedId(props) == 1012; }, std::chrono::seconds(5))) << FocusedId(props);
  const Step toSettings[] = {{VK_TAB, kCtrl, 1002, 1}, {VK_TAB, kNoModifier, 1003, 1}, {VK_SPACE, kNoModifier, 1003, 1}};
  Drive(props, 1006, toSettings, 3);
  // Space checks the box when its key-up has been handled: waited for.
  const HWND box = ::GetDlgItem(::GetParent(FocusOf(props)), 1003);
  EXPECT_TRUE(WaitFor([&] { return ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, std::chrono::seconds(5)));
  ASSERT_TRUE(Chord(props, VK_RETURN));
  EXPECT_TRUE(WaitFor([&] { return !::IsWindow(props); }, std::chrono::seconds(10)));
  EXPECT_EQ(SettingDword("HideBIOSSettings"), 1u);
  EXPECT_EQ(SettingDword("HideSysTray"), 0u);
}

TEST_F(KeyboardWindows, AppletSheetByKeysAloneAndItsPageOpenToTheMouse) {
  // The page's check boxes 1003 to 1006, OK 1, Cancel 2, the tab strip
  // 1007. One tab: Ctrl+Tab and Ctrl+Page Down switch nothing and move no
  // focus (the Tab after each shows where the focus was).
  Process host = OpenApplet();
  ASSERT_TRUE(host);
  HWND sheet = WaitForSheet(host);
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(WaitFor([&] { return FocusedId(sheet) == 1003; }, std::chrono::seconds(5))) << FocusedId(sheet);
  const Step steps[] = {
      {VK_TAB, kNoModifier, 1004, 0},
      {VK_TAB, kNoModifier, 1005, 0},
      {VK_TAB, kNoModifier, 1006, 0},
      {VK_TAB, kNoModifier, 1, 0},
      {VK_TAB, kNoModifier, 2, 0},
      {VK_TAB, kNoModifier, 1007, 0},
      {VK_TAB, kNoModifier, 1003, 0},
      {VK_TAB, kShift, 1007, 0},
      {VK_TAB, kShift, 2, 0},
      {VK_TAB, kCtrl, 2, 0},
      {VK_TAB, kNoModifier, 1007, 0},
      {VK_NEXT, kCtrl, 1007, 0},
      {VK_TAB, kNoModifier, 1003, 0},
  };
  Drive(sheet, 1007, steps, sizeof steps / sizeof steps[0]);
  // Esc is Cancel: nothing stored.
  ASSERT_TRUE(Chord(sheet, VK_ESCAPE));
  EXPECT_TRUE(WaitFor([&] { return !::IsWindow(sheet); }, std::chrono::seconds(10)));
  EXPECT_EQ(host.Wait(std::chrono::seconds(15)), 0);
  EXPECT_EQ(SettingDword("HideBIOSSettings"), 0u);

  // Again: Tab to 1004, Space, Enter is OK and stores it.
  host = OpenApplet();
  sheet = WaitForSheet(host);
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(WaitFor([&] { return FocusedId(sheet) == 1003; }, std::chrono::seconds(5))) << FocusedId(sheet);
  const Step check[] = {{VK_TAB, kNoModifier, 1004, 0}, {VK_SPACE, kNoModifier, 1004, 0}};
  Drive(sheet, 1007, check, 2);
  // The page lies below the tab strip, which leaves the mouse to it there
  // (HTTRANSPARENT, -1) and keeps its own tab (HTCLIENT, 1). Synthetic
  // clicks do not arrive under this Wine display, so the hit-test answers.
  const HWND tab = ::GetDlgItem(sheet, 1007);
  RECT box = {}, strip = {};
  ::GetWindowRect(::GetDlgItem(::GetParent(FocusOf(sheet)), 1005), &box);
  ::GetWindowRect(tab, &strip);
  EXPECT_EQ(::SendMessageA(tab, WM_NCHITTEST, 0, MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2)),
            -1);
  EXPECT_EQ(::SendMessageA(tab, WM_NCHITTEST, 0, MAKELPARAM(strip.left + 12, strip.top + 6)), 1);
  ASSERT_TRUE(Chord(sheet, VK_RETURN));
  EXPECT_TRUE(WaitFor([&] { return !::IsWindow(sheet); }, std::chrono::seconds(10)));
  EXPECT_EQ(host.Wait(std::chrono::seconds(15)), 0);
  EXPECT_EQ(SettingDword("HideBIOSSettings"), 1u);
}

}  // namespace
