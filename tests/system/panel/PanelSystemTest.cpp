// rmpanel.cpl opened through Wine's Control Panel host (control.exe with the
// applet's path) and driven as a user would: the page with the stored states
// and their enabling, OK storing only what changed and broadcasting, Cancel
// storing and broadcasting nothing, a missing key created at opening, values
// of the wrong type read as unset, a running rmtray following OK; and the
// item as the host lists it.

#include <cstring>

#include "tests/support/Registry.h"
#include "tests/system/panel/PanelDriver.h"
#include "tests/system/tray/TrayIconFixture.h"

namespace {

using namespace paneltest;

constexpr int kOk = 1, kCancel = 2, kTab = 1007;
constexpr int kGroupApp = 1001, kGroupBalloons = 1002;
constexpr int kHideTray = 1003, kHideBios = 1004, kNoBalloons = 1005, kNoFirstBalloon = 1006;

// Both states of each box in one go: check state and enabled.
struct Box {
  int id;
  LRESULT check;
  bool enabled;
};
void ExpectBoxes(HWND sheet, std::initializer_list<Box> boxes, const char* when) {
  for (const Box& b : boxes) {
    EXPECT_EQ(CheckState(sheet, b.id), b.check) << when << ": check box " << b.id;
    EXPECT_EQ(ControlEnabled(sheet, b.id), b.enabled) << when << ": check box " << b.id;
  }
}

void ExpectDword(const char* name, DWORD value) {
  const RegValue v = ReadSetting(name);
  EXPECT_TRUE(v.exists) << name;
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << name;
  EXPECT_EQ(v.data.size(), 4u) << name;
  EXPECT_EQ(v.AsDword(), value) << name;
}

void ExpectString(const char* name, const char* text) {
  const RegValue v = ReadSetting(name);
  EXPECT_TRUE(v.exists) << name;
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ)) << name;
  EXPECT_STREQ(reinterpret_cast<const char*>(v.data.data()), text) << name;
}

bool WriteString(const char* name, const char* text) {
  return WriteSetting(name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

// Presses a button of the sheet and waits for the host to end with it.
void CloseWith(Process& host, HWND sheet, int button) {
  Click(sheet, button);
  EXPECT_TRUE(WaitForWindowGone(sheet));
  EXPECT_TRUE(host.WaitExit(std::chrono::seconds(15)));
}

class PanelSystem : public ::testing::Test {
 protected:
  CleanSettingsKey clean_;
};

TEST_F(PanelSystem, OpensWithStoredStatesAndEnablingOnWhiteAndCancelStoresAndBroadcastsNothing) {
  ASSERT_TRUE(WriteSettingDword("HideSysTray", 0));
  ASSERT_TRUE(WriteSettingDword("HideBIOSSettings", 1));
  ASSERT_TRUE(WriteSettingDword("DisableBalloons", 1));
  ASSERT_TRUE(WriteSettingDword("DisableFirstBalloon", 2));
  BroadcastCounter broadcasts;
  ASSERT_TRUE(broadcasts.ok());

  Process host = OpenApplet();
  ASSERT_TRUE(host) << ControlExe();
  const HWND sheet = WaitForSheet(host);
  ASSERT_NE(sheet, nullptr);

  // One tab, "Properties"; the buttons "OK" (default) and "Cancel".
  const HWND tab = ::GetDlgItem(sheet, kTab);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(::SendMessageA(tab, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(TabItemText(tab, 0), L"Properties");
  EXPECT_EQ(TextOf(::GetDlgItem(sheet, kOk)), L"OK");
  EXPECT_EQ(TextOf(::GetDlgItem(sheet, kCancel)), L"Cancel");
  EXPECT_EQ(LOWORD(::SendMessageA(sheet, DM_GETDEFID, 0, 0)), kOk);

  // The page's texts, and the stored states: 1005 checked greys 1006; a
  // stored 2 lies within 0 to 2 and is given to the box, which shows it
  // checked.
  EXPECT_EQ(ControlText(sheet, kGroupApp), L"Application Settings");
  EXPECT_EQ(ControlText(sheet, kHideTray), L"Hide Status Tray Icon");
  EXPECT_EQ(ControlText(sheet, kHideBios), L"Hide BIOS Settings Information");
  EXPECT_EQ(ControlText(sheet, kGroupBalloons), L"Information Bubble Settings");
  EXPECT_EQ(ControlText(sheet, kNoBalloons), L"Disable Status Change Balloons");
  EXPECT_EQ(ControlText(sheet, kNoFirstBalloon), L"Disable Initial Status Balloon");
  ExpectBoxes(sheet, {{kHideTray, 0, true}, {kHideBios, 1, true}, {kNoBalloons, 1, true}, {kNoFirstBalloon, 1, false}},
              "at opening");

  // The page inside the tab is drawn on white.
  const HWND page = ::GetParent(Control(sheet, kGroupApp));
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(::IsWindowVisible(page));
  // The sheet may still be painting on a busy machine.
  WaitFor([&] { return ScreenColourAt(page, 4, 4) == RGB(255, 255, 255); }, std::chrono::seconds(5));
  EXPECT_EQ(ScreenColourAt(page, 4, 4), RGB(255, 255, 255)) << "on top there: " << WindowAtPoint(page, 4, 4);

  // Unchecking 1005 enables 1006; checking 1003 greys the three; unchecking
  // it again enables all three, 1006 even while 1005 is checked.
  Click(sheet, kNoBalloons);
  ExpectBoxes(sheet, {{kNoBalloons, 0, true}, {kNoFirstBalloon, 1, true}}, "after unchecking 1005");
  Click(sheet, kNoBalloons);
  ExpectBoxes(sheet, {{kNoBalloons, 1, true}, {kNoFirstBalloon, 1, false}}, "after checking 1005");
  Click(sheet, kHideTray);
  ExpectBoxes(sheet, {{kHideTray, 1, true}, {kHideBios, 1, false}, {kNoBalloons, 1, false}, {kNoFirstBalloon, 1, false}},
              "after checking 1003");
  Click(sheet, kHideTray);
  ExpectBoxes(sheet, {{kHideTray, 0, true}, {kHideBios, 1, true}, {kNoBalloons, 1, true}, {kNoFirstBalloon, 1, true}},
              "after unchecking 1003");
  Click(sheet, kHideTray);

  // Cancel after toggling: nothing written, nothing broadcast.
  CloseWith(host, sheet, kCancel);
  EXPECT_EQ(CountValues(), 4u);
  ExpectDword("HideSysTray", 0);
  ExpectDword("HideBIOSSettings", 1);
  ExpectDword("DisableBalloons", 1);
  ExpectDword("DisableFirstBalloon", 2);
  EXPECT_EQ(broadcasts.WaitForCount(1), 0);
}

TEST_F(PanelSystem, MissingKeyIsCreatedWithFourZerosAndOkWithoutTheKeyStillBroadcasts) {
  // The user has "Software\VTQ" but not its "Zarn Radio Minder".
  HKEY vendor = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VTQ", 0, nullptr, 0, KEY_READ, nullptr, &vendor, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(vendor);
  ASSERT_FALSE(SettingsKeyExists());
  BroadcastCounter broadcasts;
  ASSERT_TRUE(broadcasts.ok());

  Process host = OpenApplet();
  ASSERT_TRUE(host);
  const HWND sheet = WaitForSheet(host);
  ASSERT_NE(sheet, nullptr);

  // Created at opening with the four values 0, and no others.
  EXPECT_TRUE(SettingsKeyExists());
  EXPECT_EQ(CountValues(), 4u);
  ExpectDword("HideSysTray", 0);
  ExpectDword("HideBIOSSettings", 0);
  ExpectDword("DisableBalloons", 0);
  ExpectDword("DisableFirstBalloon", 0);
  EXPECT_FALSE(ReadSetting("DoNotShowNoDevDlg").exists);
  ExpectBoxes(sheet, {{kHideTray, 0, true}, {kHideBios, 0, true}, {kNoBalloons, 0, true}, {kNoFirstBalloon, 0, true}},
              "new key");

  // The key goes away while the sheet is open: OK creates nothing, writes
  // nothing, and still broadcasts once.
  Click(sheet, kHideBios);
  DeleteSettingsKey();
  ASSERT_FALSE(SettingsKeyExists());
  CloseWith(host, sheet, kOk);
  EXPECT_FALSE(SettingsKeyExists());
  EXPECT_EQ(broadcasts.WaitForCount(1), 1);
}

// The item as Wine's Control Panel window lists it, from the registration of
// scripts/register-cpl.sh (run by scripts/wine-env.sh for the tests' prefix):
// name, description (the list's second column) and icon; choosing it opens
// the sheet. Without the registration the item is not listed.
constexpr char kCplsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";

std::string RegisteredPath() {
  const rmtest::RegValue v = rmtest::ReadValue(HKEY_LOCAL_MACHINE, kCplsKey, "rmpanel");
  return v.exists && v.type == REG_SZ ? v.text : std::string();
}

void SetRegisteredPath(const std::string& path) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCplsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (path.empty()) {
    ::RegDeleteValueA(key, "rmpanel");
  } else {
    ::RegSetValueExA(key, "rmpanel", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                     static_cast<DWORD>(path.size() + 1));
  }
  ::RegCloseKey(key);
}

TEST_F(PanelSystem, ControlPanelListsTheRegisteredItemWithNameDescriptionAndIconAndOpensIt) {
  ASSERT_EQ(RegisteredPath(), AppletPath()) << "run scripts/wine-env.sh register " << RM_BUILD_DIR;
  rm::UniqueModule applet(::LoadLibraryExA(AppletPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(applet);
  const int size = ::GetSystemMetrics(SM_CXICON);
  rm::UniqueIcon icon(static_cast<HICON>(::LoadImageA(applet.get(), MAKEINTRESOURCEA(128), IMAGE_ICON, size, size, 0)));
  ASSERT_TRUE(icon);

  {
    ControlPanelWindow panel;
    ASSERT_NE(panel.list(), nullptr);
    std::vector<int> items;
    ASSERT_TRUE(
        WaitFor([&] { return !(items = panel.ItemsNamed(L"Zarn Radio Minder")).empty(); }, std::chrono::seconds(10)));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(ListItemText(panel.list(), items[0], 1), L"Configure Zarn Radio Minder settings");
    RECT bounds = ListItemRect(panel.list(), items[0], LVIR_BOUNDS);
    ::MapWindowPoints(panel.list(), nullptr, reinterpret_cast<POINT*>(&bounds), 2);
    EXPECT_TRUE(IconShownIn(icon.get(), size, bounds))
        << "icon 128 not drawn in the item at " << bounds.left << "," << bounds.top << " - " << bounds.right << ","
        << bounds.bottom;

    // Choosing the item (selected and focused, then Enter) opens the sheet
    // in the host's process.
    ASSERT_TRUE(SelectListItem(panel.list(), items[0]));
    ::PostMessageA(panel.list(), WM_KEYDOWN, VK_RETURN, 1);
    ::PostMessageA(panel.list(), WM_KEYUP, VK_RETURN, 0xC0000001);
    // Wine's window runs the item in a process of its own (rundll32), which
    // ends when the sheet closes.
    HWND sheet = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (sheet = ::FindWindowA("#32770", kSheetTitle)) && ::IsWindowVisible(sheet); },
                        std::chrono::seconds(15)));
    DWORD pid = 0;
    ::GetWindowThreadProcessId(sheet, &pid);
    const rm::UniqueHandle launched(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    EXPECT_EQ(ControlText(sheet, kHideTray), L"Hide Status Tray Icon");
    Click(sheet, kCancel);
    EXPECT_TRUE(WaitForWindowGone(sheet));
    if (launched && ::WaitForSingleObject(launched.get(), 10000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "the process that ran the item did not end";
      ::TerminateProcess(launched.get(), 99);
    }
  }

  // Without the registration, the Control Panel does not list it.
  const std::string registered = RegisteredPath();
  SetRegisteredPath(std::string());
  {
    ControlPanelWindow panel;
    ASSERT_NE(panel.list(), nullptr);
    WaitFor([&] { return ::SendMessageW(panel.list(), LVM_GETITEMCOUNT, 0, 0) > 0; }, std::chrono::seconds(10));
    EXPECT_TRUE(panel.ItemsNamed(L"Zarn Radio Minder").empty());
  }
  SetRegisteredPath(registered);
  EXPECT_EQ(RegisteredPath(), AppletPath());
}

// With rmtray running: OK stores only what changed, broadcasts, and the tray
// program re-reads its settings, hiding and showing its icon.
class PanelWithTray : public TrayIconSystem {
 protected:
  bool WaitForHidden(bool hidden) {
    return area_->WaitForIcon(window_, kIconId, [&](const TrayIcon& i) { return i.hidden == hidden; }).has_value();
  }
  static FILETIME KeyWriteTime() {
    FILETIME t = {};
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &t);
      ::RegCloseKey(key);
    }
    return t;
  }
};

TEST_F(PanelWithTray, OkStoresOnlyChangedValuesBroadcastsAndTheTrayProgramFollows) {
  StartAndWaitForIcon();  // HideSysTray 0: the icon shows
  // Of the wrong type: read as 0 (unchecked) and left alone while the box
  // stays unchecked. Just outside 0 to 2: unchecked, so OK writes 0 for it.
  ASSERT_TRUE(WriteString("HideBIOSSettings", "1"));
  ASSERT_TRUE(WriteSettingDword("DisableFirstBalloon", 3));
  BroadcastCounter broadcasts;
  ASSERT_TRUE(broadcasts.ok());

  // First opening: check 1003 and press OK.
  {
    Process host = OpenApplet();
    const HWND sheet = WaitForSheet(host);
    ASSERT_NE(sheet, nullptr);
    ExpectBoxes(sheet, {{kHideTray, 0, true}, {kHideBios, 0, true}, {kNoBalloons, 0, true}, {kNoFirstBalloon, 0, true}},
                "wrong type and out of range");
    Click(sheet, kHideTray);
    CloseWith(host, sheet, kOk);
  }
  ExpectDword("HideSysTray", 1);
  ExpectString("HideBIOSSettings", "1");
  ExpectDword("DisableBalloons", 0);
  ExpectDword("DisableFirstBalloon", 0);
  ExpectDword("DoNotShowNoDevDlg", 0);
  EXPECT_EQ(CountValues(), 5u);
  EXPECT_EQ(broadcasts.WaitForCount(1), 1);
  EXPECT_TRUE(WaitForHidden(true)) << "rmtray did not hide its icon";

  // Second opening: the stored state, OK without a change writes nothing and
  // still broadcasts; the icon stays hidden.
  const FILETIME before = KeyWriteTime();
  ::Sleep(50);
  {
    Process host = OpenApplet();
    const HWND sheet = WaitForSheet(host);
    ASSERT_NE(sheet, nullptr);
    ExpectBoxes(sheet, {{kHideTray, 1, true}, {kHideBios, 0, false}, {kNoBalloons, 0, false}, {kNoFirstBalloon, 0, false}},
                "HideSysTray stored");
    CloseWith(host, sheet, kOk);
  }
  EXPECT_EQ(broadcasts.WaitForCount(2), 2);
  const FILETIME after = KeyWriteTime();
  EXPECT_EQ(::CompareFileTime(&before, &after), 0) << "OK without a change wrote to the key";
  ExpectString("HideBIOSSettings", "1");
  EXPECT_TRUE(WaitForHidden(true));

  // Third opening: unchecking 1003 shows the icon again.
  {
    Process host = OpenApplet();
    const HWND sheet = WaitForSheet(host);
    ASSERT_NE(sheet, nullptr);
    Click(sheet, kHideTray);
    CloseWith(host, sheet, kOk);
  }
  ExpectDword("HideSysTray", 0);
  EXPECT_EQ(broadcasts.WaitForCount(3), 3);
  EXPECT_TRUE(WaitForHidden(false)) << "rmtray did not show its icon again";
  EndPromptly();
}

}  // namespace
