// What a screen reader reads of the properties window and the applet's
// sheet: each control's accessible name and role through the standard
// accessibility interfaces (AccessibleObjectFromWindow, OBJID_CLIENT,
// CHILDID_SELF), in the order of the controls.
#include <oleacc.h>

#include <string>
#include <vector>

#include "tests/support/Keys.h"
#include "tests/system/keyboard/KeyboardWindows.h"

namespace {

using namespace keystest;

struct Read {
  int id;
  std::string cls;
  bool visible;
  bool answered;  // an object that gave a role
  std::wstring name;
  long role;
};

Read ReadControl(HWND control) {
  Read r{::GetDlgCtrlID(control), rmtest::ClassOf(control), ::IsWindowVisible(control) != FALSE, false, L"", 0};
  IAccessible* object = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))) ||
      !object)
    return r;
  VARIANT self;
  ::VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  if (SUCCEEDED(object->get_accName(self, &name)) && name) r.name = name;
  ::SysFreeString(name);
  VARIANT role;
  ::VariantInit(&role);
  if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) {
    r.answered = true;
    r.role = role.lVal;
  }
  object->Release();
  return r;
}

// Every control below `root` in the order of the controls (the pages' in
// theirs, where they stand).
std::vector<Read> ReadAll(HWND root) {
  std::vector<Read> all;
  ::EnumChildWindows(
      root,
      [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
        reinterpret_cast<std::vector<Read>*>(lp)->push_back(ReadControl(hwnd));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

// Roles: 20 grouping, 40 graphic, 41 static text, 43 push button, 44 check
// box, 60 page tab list (Wine's own layer gives 10, client, for each of
// these classes; the programs' objects put the role of the kind in).
struct Expected {
  int id;
  const wchar_t* name;
  long role;
};

// The visible controls with an id, in order, with their names and roles.
void ExpectRead(const char* what, HWND root, const Expected* expected, size_t n) {
  std::vector<Read> seen;
  for (const Read& r : ReadAll(root)) {
    if (r.visible && r.id != 0) seen.push_back(r);
  }
  ASSERT_EQ(seen.size(), n) << what;
  for (size_t i = 0; i < n; ++i) {
    const Read& r = seen[i];
    EXPECT_EQ(r.id, expected[i].id) << what << " #" << i;
    EXPECT_TRUE(r.answered) << what << " " << r.id;
    EXPECT_EQ(r.name, expected[i].name) << what << " " << r.id;
    EXPECT_EQ(r.role, expected[i].role) << what << " " << r.id;
  }
}

class Accessibility : public KeyboardWindows {
 protected:
  void SetUp() override {
    KeyboardWindows::SetUp();
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override {
    ::CoUninitialize();
    KeyboardWindows::TearDown();
  }
};

// Both radios, the firmware group shown. The tab strip is named by its
// selected tab, the picture by its group; each state word (On, Enabled)
// comes right after the label of its row.
TEST_F(Accessibility, PropertiesWindowOnBothTabs) {
  StartTray();
  HWND props = OpenProperties();
  ASSERT_NE(props, nullptr);
  const Expected status[] = {
      {1006, L"Wireless Status", 60},
      {1007, L"System Status", 20},
      {1022, L"System Status", 40},
      {1024, L"On", 41},
      {1025, L"", 41},
      {1008, L"Device Status", 20},
      {1010, L"Wireless LAN", 41},
      {1014, L"On", 41},
      {1012, L"Turn Off", 43},
      {1011, L"Bluetooth\u00AE", 41},
      {1015, L"On", 41},
      {1013, L"Turn Off", 43},
      {1009, L"Current Computer Setup (BIOS) Settings", 20},
      {1016, L"Wireless LAN", 41},
      {1019, L"Enabled", 41},
      {1017, L"Bluetooth\u00AE", 41},
      {1020, L"Enabled", 41},
      {1018, L"LAN - WLAN Switching", 41},
      {1021, L"Enabled", 41},
      {9, L"Help", 43},
      {2, L"Close", 43},
  };
  ExpectRead("status tab", props, status, sizeof status / sizeof status[0]);

  ASSERT_TRUE(rmtest::Chord(props, VK_TAB, rmtest::kCtrl));
  ASSERT_TRUE(WaitFor([&] { return rmtest::FocusedId(props) == 1002; }, std::chrono::seconds(5)));
  const Expected settings[] = {
      {1006, L"Properties", 60},
      {1000, L"Application Settings", 20},
      {1002, L"Hide Status Tray Icon", 44},
      {1003, L"Hide BIOS Settings Information", 44},
      {1001, L"Information Bubble Settings", 20},
      {1004, L"Disable Status Change Balloons", 44},
      {1005, L"Disable Initial Status Balloon", 44},
      {9, L"Help", 43},
      {1, L"OK", 43},
      {2, L"Cancel", 43},
  };
  ExpectRead("settings tab", props, settings, sizeof settings / sizeof settings[0]);
  ::PostMessageA(props, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitFor([&] { return !::IsWindow(props); }, std::chrono::seconds(10)));
}

TEST_F(Accessibility, AppletSheet) {
  Process host = OpenApplet();
  ASSERT_TRUE(host);
  HWND sheet = WaitForSheet(host);
  ASSERT_NE(sheet, nullptr);
  const Expected controls[] = {
      {1007, L"Properties", 60},
      {1001, L"Application Settings", 20},
      {1003, L"Hide Status Tray Icon", 44},
      {1004, L"Hide BIOS Settings Information", 44},
      {1002, L"Information Bubble Settings", 20},
      {1005, L"Disable Status Change Balloons", 44},
      {1006, L"Disable Initial Status Balloon", 44},
      {1, L"OK", 43},
      {2, L"Cancel", 43},
  };
  ExpectRead("applet", sheet, controls, sizeof controls / sizeof controls[0]);
  ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(host.Wait(std::chrono::seconds(15)), 0);
}

}  // namespace
