// The properties window's templates (204), the settings page's (205) and the
// status page's six layouts (206 to 211) as the dialog manager builds them
// from rmtray.exe: each control's id, class, key styles and rectangle.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ResourceIds.h"
#include "tests/support/TrayMachine.h"

namespace {

enum Kind { kTab, kPush, kPushGroup, kGroupBox, kGroupBoxGroup, kCheckBox, kIcon, kLeft, kCenter, kRight };

struct Control {
  int id;
  Kind kind;
  int x, y, width, height;  // dialog units
};

struct Template {
  int id;
  int width, height;  // dialog units
  std::vector<Control> controls;
};

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  ::GetClassNameA(hwnd, name, sizeof name);
  return name;
}

// The dialog manager converts position and size separately.
RECT MappedRect(HWND dialog, int x, int y, int width, int height) {
  RECT position = {x, y, 0, 0};
  RECT size = {0, 0, width, height};
  ::MapDialogRect(dialog, &position);
  ::MapDialogRect(dialog, &size);
  return {position.left, position.top, position.left + size.right, position.top + size.bottom};
}

RECT RectInDialog(HWND dialog, HWND item) {
  RECT r = {};
  ::GetWindowRect(item, &r);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectKind(HWND item, Kind kind, int id) {
  const std::string cls = ClassOf(item);
  const DWORD style = static_cast<DWORD>(::GetWindowLongA(item, GWL_STYLE));
  EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), DWORD(WS_CHILD | WS_VISIBLE)) << id;
  switch (kind) {
    case kTab:
      EXPECT_EQ(cls, "SysTabControl32") << id;
      EXPECT_TRUE(style & WS_GROUP) << id;
      return;
    case kPush:
    case kPushGroup:
      EXPECT_EQ(cls, "Button") << id;
      EXPECT_EQ(style & BS_TYPEMASK, DWORD(BS_PUSHBUTTON)) << id;
      EXPECT_TRUE(style & WS_TABSTOP) << id;
      EXPECT_EQ((style & WS_GROUP) != 0, kind == kPushGroup) << id;
      return;
    case kGroupBox:
    case kGroupBoxGroup:
      EXPECT_EQ(cls, "Button") << id;
      EXPECT_EQ(style & BS_TYPEMASK, DWORD(BS_GROUPBOX)) << id;
      EXPECT_FALSE(style & WS_TABSTOP) << id;
      EXPECT_EQ((style & WS_GROUP) != 0, kind == kGroupBoxGroup) << id;
      return;
    case kCheckBox:
      EXPECT_EQ(cls, "Button") << id;
      EXPECT_EQ(style & BS_TYPEMASK, DWORD(BS_AUTOCHECKBOX)) << id;
      EXPECT_TRUE(style & WS_TABSTOP) << id;
      return;
    case kIcon:
      EXPECT_EQ(cls, "Static") << id;
      EXPECT_EQ(style & SS_TYPEMASK, DWORD(SS_ICON)) << id;
      return;
    case kLeft:
    case kCenter:
    case kRight: {
      const DWORD align = kind == kLeft ? SS_LEFT : kind == kCenter ? SS_CENTER : SS_RIGHT;
      EXPECT_EQ(cls, "Static") << id;
      EXPECT_EQ(style & SS_TYPEMASK, align) << id;
      EXPECT_TRUE(style & SS_CENTERIMAGE) << id;  // one line, vertically centred
      EXPECT_FALSE(style & WS_TABSTOP) << id;
      return;
    }
  }
}

class PageTemplates : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    module_ = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    parent_ = ::CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  }
  static void TearDownTestSuite() {
    if (parent_) ::DestroyWindow(parent_);
    if (module_) ::FreeLibrary(module_);
    parent_ = nullptr;
    module_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(module_, nullptr) << traytest::TrayExe();
    ASSERT_NE(parent_, nullptr);
  }

  // Creates the template hidden under the hidden parent, with its own font.
  HWND Create(int id) {
    return ::CreateDialogParamA(module_, MAKEINTRESOURCEA(id), parent_, &NoHandling, 0);
  }

  // The dialog's size, font and every control of `t`; the controls of
  // `absent` must not exist. Returns the dialog (the caller destroys it).
  HWND ExpectTemplate(const Template& t, const std::vector<int>& absent = {}) {
    HWND dialog = Create(t.id);
    EXPECT_NE(dialog, nullptr) << t.id;
    if (!dialog) return nullptr;

    RECT client = {};
    ::GetClientRect(dialog, &client);
    const RECT size = MappedRect(dialog, 0, 0, t.width, t.height);
    EXPECT_EQ(client.right, size.right) << t.id;
    EXPECT_EQ(client.bottom, size.bottom) << t.id;

    // "MS Shell Dlg", 8 points.
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    EXPECT_TRUE(font && ::GetObjectA(font, sizeof lf, &lf)) << t.id;
    EXPECT_EQ(std::string(lf.lfFaceName).rfind("MS Shell Dlg", 0), 0u) << t.id << " " << lf.lfFaceName;
    HDC dc = ::GetDC(nullptr);
    EXPECT_EQ(lf.lfHeight, -::MulDiv(8, ::GetDeviceCaps(dc, LOGPIXELSY), 72)) << t.id;
    ::ReleaseDC(nullptr, dc);

    int children = 0;
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, static_cast<int>(t.controls.size())) << t.id;

    for (const Control& c : t.controls) {
      HWND item = ::GetDlgItem(dialog, c.id);
      EXPECT_NE(item, nullptr) << t.id << " " << c.id;
      if (!item) continue;
      ExpectKind(item, c.kind, c.id);
      EXPECT_EQ(traytest::WindowText(item), "") << t.id << " " << c.id;  // texts come from the string table
      const RECT expected = MappedRect(dialog, c.x, c.y, c.width, c.height);
      const RECT actual = RectInDialog(dialog, item);
      EXPECT_EQ(actual.left, expected.left) << t.id << " " << c.id;
      EXPECT_EQ(actual.top, expected.top) << t.id << " " << c.id;
      EXPECT_EQ(actual.right, expected.right) << t.id << " " << c.id;
      EXPECT_EQ(actual.bottom, expected.bottom) << t.id << " " << c.id;
    }
    for (int id : absent) EXPECT_EQ(::GetDlgItem(dialog, id), nullptr) << t.id << " " << id;
    return dialog;
  }

  static HMODULE module_;
  static HWND parent_;
};
HMODULE PageTemplates::module_ = nullptr;
HWND PageTemplates::parent_ = nullptr;

TEST_F(PageTemplates, PropertiesWindow) {
  const Template properties = {204, 299, 196,
                               {{1006, kTab, 7, 7, 284, 163},
                                {1, kPushGroup, 166, 176, 50, 14},
                                {2, kPush, 227, 176, 50, 14},
                                {9, kPush, 12, 176, 50, 14}}};
  HWND dialog = ExpectTemplate(properties);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(traytest::WindowText(dialog), "Zarn Radio Minder");
  const DWORD style = static_cast<DWORD>(::GetWindowLongA(dialog, GWL_STYLE));
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
            DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
  EXPECT_FALSE(style & WS_CHILD);
  EXPECT_FALSE(::IsWindowVisible(dialog));
  ::DestroyWindow(dialog);
}

TEST_F(PageTemplates, SettingsPage) {
  const Template settings = {205, 238, 140,
                             {{1000, kGroupBoxGroup, 18, 10, 199, 52},
                              {1002, kCheckBox, 23, 25, 189, 10},
                              {1003, kCheckBox, 23, 43, 190, 10},
                              {1001, kGroupBoxGroup, 18, 69, 200, 57},
                              {1004, kCheckBox, 23, 84, 188, 10},
                              {1005, kCheckBox, 23, 104, 192, 10}}};
  HWND page = ExpectTemplate(settings);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(traytest::WindowText(page), "");
  const DWORD style = static_cast<DWORD>(::GetWindowLongA(page, GWL_STYLE));
  EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | DS_CONTROL), DWORD(WS_CHILD | WS_VISIBLE | DS_CONTROL));
  EXPECT_FALSE(style & (WS_POPUP | WS_CAPTION));
  ::DestroyWindow(page);
}

TEST_F(PageTemplates, StatusPageLayouts) {
  const Template layouts[] = {
      {206, 275, 149,
       {{1007, kGroupBox, 7, 3, 93, 63},     {1022, kIcon, 37, 12, 20, 20},        {1024, kCenter, 25, 44, 54, 8},
        {1025, kCenter, 9, 56, 88, 8},       {1008, kGroupBox, 99, 3, 162, 63},    {1010, kLeft, 105, 19, 47, 11},
        {1012, kPush, 205, 16, 50, 14},      {1014, kCenter, 161, 19, 40, 8},      {1011, kLeft, 105, 47, 47, 8},
        {1013, kPush, 205, 44, 50, 14},      {1015, kCenter, 161, 47, 39, 8},      {1023, kPush, 205, 30, 50, 14},
        {1009, kGroupBox, 8, 73, 253, 63},   {1016, kRight, 17, 86, 106, 8},       {1019, kLeft, 144, 86, 106, 8},
        {1017, kRight, 17, 101, 106, 8},     {1020, kLeft, 144, 102, 106, 8},      {1018, kRight, 17, 118, 106, 8},
        {1021, kLeft, 144, 118, 106, 8}}},
      {207, 275, 149,
       {{1007, kGroupBox, 9, 39, 93, 63},    {1022, kIcon, 39, 50, 20, 20},        {1024, kCenter, 21, 80, 67, 8},
        {1025, kCenter, 13, 92, 87, 8},      {1008, kGroupBox, 101, 39, 159, 63},  {1010, kLeft, 107, 55, 43, 8},
        {1012, kPush, 201, 52, 50, 14},      {1014, kCenter, 160, 55, 37, 8},      {1011, kLeft, 107, 83, 44, 8},
        {1013, kPush, 201, 80, 50, 14},      {1015, kCenter, 159, 83, 38, 8},      {1023, kPush, 201, 66, 50, 14}}},
      {208, 270, 149,
       {{1007, kGroupBox, 7, 3, 93, 63},     {1022, kIcon, 37, 12, 20, 20},        {1024, kCenter, 25, 44, 54, 8},
        {1025, kCenter, 11, 56, 83, 8},      {1008, kGroupBox, 99, 3, 159, 63},    {1010, kLeft, 105, 31, 47, 8},
        {1012, kPush, 203, 28, 50, 14},      {1014, kCenter, 161, 31, 41, 8},      {1009, kGroupBox, 8, 76, 250, 63},
        {1016, kRight, 32, 93, 140, 8},      {1019, kLeft, 193, 93, 57, 8},        {1018, kRight, 32, 113, 140, 8},
        {1021, kLeft, 193, 113, 57, 8}}},
      {209, 282, 149,
       {{1007, kGroupBox, 8, 39, 93, 63},    {1022, kIcon, 38, 48, 20, 20},        {1024, kCenter, 26, 80, 54, 8},
        {1025, kCenter, 12, 92, 84, 8},      {1008, kGroupBox, 100, 39, 174, 63},  {1010, kLeft, 103, 70, 65, 8},
        {1012, kPush, 219, 67, 50, 14},      {1014, kCenter, 177, 70, 40, 8}}},
      {210, 267, 149,
       {{1007, kGroupBox, 7, 3, 93, 63},     {1022, kIcon, 36, 15, 20, 20},        {1024, kCenter, 25, 44, 54, 8},
        {1025, kCenter, 13, 56, 81, 8},      {1008, kGroupBox, 99, 3, 160, 63},    {1011, kLeft, 104, 31, 49, 8},
        {1013, kPush, 205, 29, 50, 14},      {1015, kCenter, 160, 31, 42, 8},      {1009, kGroupBox, 8, 76, 251, 63},
        {1017, kRight, 37, 102, 116, 8},     {1020, kLeft, 174, 102, 77, 8}}},
      {211, 275, 149,
       {{1007, kGroupBox, 9, 37, 93, 63},    {1022, kIcon, 38, 46, 20, 20},        {1024, kCenter, 27, 78, 54, 8},
        {1025, kCenter, 14, 90, 83, 8},      {1008, kGroupBox, 101, 37, 159, 63},  {1011, kLeft, 107, 65, 47, 8},
        {1013, kPush, 205, 62, 50, 14},      {1015, kCenter, 163, 65, 40, 8}}},
  };
  HICON on = static_cast<HICON>(::LoadImageA(module_, MAKEINTRESOURCEA(203), IMAGE_ICON, 48, 48, 0));
  ASSERT_NE(on, nullptr);
  for (const Template& t : layouts) {
    // Every id of the status page that the layout lacks.
    std::vector<int> absent;
    for (int id = 1007; id <= 1025; ++id) {
      bool listed = false;
      for (const Control& c : t.controls) listed = listed || c.id == id;
      if (!listed) absent.push_back(id);
    }
    HWND page = ExpectTemplate(t, absent);
    ASSERT_NE(page, nullptr) << t.id;
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(page, GWL_STYLE));
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | DS_CONTROL), DWORD(WS_CHILD | WS_VISIBLE | DS_CONTROL)) << t.id;

    // The 48 x 48 picture: the icon static takes the picture's size at its
    // place, and the picture lies inside the summary panel's group box.
    HWND picture = ::GetDlgItem(page, IDC_ST_PICTURE);
    const RECT before = RectInDialog(page, picture);
    ::SendMessageA(picture, STM_SETICON, reinterpret_cast<WPARAM>(on), 0);
    const RECT after = RectInDialog(page, picture);
    EXPECT_EQ(after.left, before.left) << t.id;
    EXPECT_EQ(after.top, before.top) << t.id;
    EXPECT_EQ(after.right - after.left, 48) << t.id;
    EXPECT_EQ(after.bottom - after.top, 48) << t.id;
    const RECT panel = RectInDialog(page, ::GetDlgItem(page, IDC_ST_GROUP_PANEL));
    EXPECT_TRUE(after.left > panel.left && after.right < panel.right && after.top > panel.top &&
                after.bottom < panel.bottom)
        << t.id;
    ::DestroyWindow(page);
  }
  ::DestroyIcon(on);
}

}  // namespace
