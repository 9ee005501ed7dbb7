// What a screen reader reads of the properties window and the applet's
// sheet: each control's accessible name and role through the standard
// accessibility interfaces (AccessibleObjectFromWindow, OBJID_CLIENT,
// CHILDID_SELF), in the order of the controls.
#include <oleacc.h>

#include <cstdio>
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

void Print(const char* what, const std::vector<Read>& all) {
  for (const Read& r : all) {
    std::printf("%s: id %d class %s%s: %s role %ld name \"%ls\"\n", what, r.id, r.cls.c_str(),
                r.visible ? "" : " (hidden)", r.answered ? "answered" : "NOT ANSWERED", r.role, r.name.c_str());
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

TEST_F(Accessibility, ProbeProperties) {
  StartTray();
  HWND props = OpenProperties();
  ASSERT_NE(props, nullptr);
  Print("status", ReadAll(props));
  ASSERT_TRUE(rmtest::Chord(props, VK_TAB, rmtest::kCtrl));
  ASSERT_TRUE(WaitFor([&] { return rmtest::FocusedId(props) == 1002; }, std::chrono::seconds(5)));
  Print("settings", ReadAll(props));
  ::PostMessageA(props, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(Accessibility, ProbeApplet) {
  Process host = OpenApplet();
  HWND sheet = WaitForSheet(host);
  ASSERT_NE(sheet, nullptr);
  Print("applet", ReadAll(sheet));
  ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
  host.Wait(std::chrono::seconds(15));
}

}  // namespace
