// rmtray.exe's properties window, driven from another process as a user
// would: opening it from the menu, the icon's double click and the
// registered message; its tabs and buttons; what OK, Cancel and a close
// from outside store; the status page's switches and how it follows the
// firmware; Help.
#include <functional>

#include "tests/support/ResourceIds.h"
#include "tests/system/bridge/BridgeHarness.h"
#include "tests/system/tray/PropertiesDriver.h"
#include "tests/system/tray/TrayIconFixture.h"

namespace {

using namespace traytest;

constexpr int kOk = 1, kSecond = 2, kHelp = 9;

class PropertiesSystem : public TrayIconSystem {
 protected:
  // Starts rmtray and waits for its icon, shown or hidden.
  void StartWithIcon(bool hidden, const char* args = "") {
    tray_ = StartTray(args);
    window_ = WaitForTrayWindow(tray_);
    ASSERT_NE(window_, nullptr);
    area_.emplace();
    ASSERT_TRUE(area_->ok());
    ASSERT_TRUE(area_->WaitForIcon(
        window_, kIconId, [&](const traytest::TrayIcon& i) { return i.hidden == hidden; }, std::chrono::seconds(15)));
  }
  bool WaitForHidden(bool hidden) {
    return area_->WaitForIcon(window_, kIconId, [&](const traytest::TrayIcon& i) { return i.hidden == hidden; })
        .has_value();
  }
  HWND OpenByMessage() {
    ::PostMessageA(window_, ::RegisterWindowMessageA(kOpenStatusPageMessage), 0, 0);
    return WaitForPropertiesWindow(tray_.id());
  }
  int PropertiesWindows() const { return CountProcessWindows(tray_.id(), "#32770", kPropertiesTitle); }
};

void DeleteSettingValue(const char* name) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  ::RegDeleteValueA(key, name);
  ::RegCloseKey(key);
}

TEST_F(RunningTray, PropertiesOpenOnceFromMenuMessageAndDoubleClickAndOkStoresOnlyWhatChanged) {
  ChooseFromMenu(1);  // "Open Radio Minder"
  HWND props = WaitForPropertiesWindow(tray_.id());
  ASSERT_NE(props, nullptr);

  // Every opening starts on the status tab: OK hidden, "Close", "Help".
  EXPECT_EQ(::SendMessageA(TabControl(props), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(SelectedTab(props), 0);
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(props, kOk)));
  EXPECT_EQ(TextOf(::GetDlgItem(props, kSecond)), L"Close");
  EXPECT_EQ(TextOf(::GetDlgItem(props, kHelp)), L"Help");
  // The stand-in's word as the page shows it (each layout's texts, colours
  // and states: StatusPageTest.cpp): both radios on, the firmware group
  // shown (layout 206); the radios switch one by one here, so the row
  // buttons show and 1023 does not.
  EXPECT_EQ(ControlText(props, IDC_ST_SUMMARY_STATE), L"On");
  EXPECT_EQ(ControlText(props, IDC_ST_WLAN_STATE), L"On");
  EXPECT_EQ(ControlText(props, IDC_ST_BT_STATE), L"On");
  EXPECT_TRUE(ControlVisible(props, IDC_ST_WLAN_BUTTON));
  EXPECT_TRUE(ControlVisible(props, IDC_ST_BT_BUTTON));
  EXPECT_FALSE(ControlVisible(props, IDC_ST_BOTH_BUTTON));
  EXPECT_EQ(ControlText(props, IDC_ST_BIOS_WLAN_VALUE), L"Enabled");
  EXPECT_EQ(ControlText(props, IDC_ST_BIOS_BT_VALUE), L"Enabled");

  // The settings tab: OK shown, "Cancel". A second open request brings the
  // window up and keeps its tab.
  ASSERT_TRUE(SelectTab(props, 1));
  EXPECT_EQ(TextOf(::GetDlgItem(props, kOk)), L"OK");
  EXPECT_EQ(TextOf(::GetDlgItem(props, kSecond)), L"Cancel");
  EXPECT_EQ(ControlText(props, IDC_SET_HIDE_TRAY), L"Hide Status Tray Icon");
  EXPECT_EQ(ControlText(props, IDC_SET_GROUP_APP), L"Application Settings");
  DWORD_PTR answer = 0;
  ASSERT_NE(::SendMessageTimeoutA(window_, ::RegisterWindowMessageA(kOpenStatusPageMessage), 0, 0, SMTO_NORMAL,
                                  10000, &answer),
            0);
  EXPECT_EQ(CountProcessWindows(tray_.id(), "#32770", kPropertiesTitle), 1);
  EXPECT_EQ(SelectedTab(props), 1);

  // Enter on the settings tab is OK: only the changed value is written.
  DeleteSettingValue("DisableBalloons");
  Click(props, IDC_SET_HIDE_BIOS);
  PressKey(props, VK_RETURN);
  ASSERT_TRUE(WaitForWindowGone(props));
  EXPECT_EQ(ReadSetting("HideBIOSSettings").AsDword(), 1u);
  EXPECT_FALSE(ReadSetting("DisableBalloons").exists);
  EXPECT_EQ(ReadSetting("HideSysTray").AsDword(), 0u);

  // The double click opens the window again, in the layout without the
  // firmware group (207), on the status tab; Enter is Close there.
  ::PostMessageA(window_, ::RegisterWindowMessageA("ZARN_RADIOMINDER_TRAYICON"), kIconId, WM_LBUTTONDBLCLK);
  props = WaitForPropertiesWindow(tray_.id());
  ASSERT_NE(props, nullptr);
  EXPECT_EQ(SelectedTab(props), 0);
  EXPECT_EQ(TextOf(::GetDlgItem(props, kSecond)), L"Close");
  EXPECT_EQ(Control(props, IDC_ST_GROUP_BIOS), nullptr);
  EXPECT_EQ(Control(props, IDC_ST_BIOS_WLAN_VALUE), nullptr);
  EXPECT_NE(Control(props, IDC_ST_BOTH_BUTTON), nullptr);
  EXPECT_EQ(ControlText(props, IDC_ST_SUMMARY_STATE), L"On");
  PressKey(props, VK_RETURN);
  ASSERT_TRUE(WaitForWindowGone(props));
  EXPECT_EQ(ReadSetting("HideBIOSSettings").AsDword(), 1u);
  EXPECT_FALSE(ReadSetting("DisableBalloons").exists);
}

TEST_F(PropertiesSystem, CancelAndClosesFromOutsideStoreNothingAndClearingHideShowsTheIcon) {
  for (const char* name : {"HideBIOSSettings", "DisableBalloons", "DisableFirstBalloon", "DoNotShowNoDevDlg"})
    ASSERT_TRUE(WriteSettingDword(name, 0));
  ASSERT_TRUE(WriteSettingDword("HideSysTray", 1));
  StartWithIcon(/*hidden=*/true);

  // Opened with the icon hidden: 1002 checked, the other three greyed.
  HWND props = OpenByMessage();
  ASSERT_NE(props, nullptr);
  ASSERT_TRUE(SelectTab(props, 1));
  EXPECT_EQ(CheckState(props, IDC_SET_HIDE_TRAY), BST_CHECKED);
  for (int id : {1003, 1004, 1005}) EXPECT_FALSE(ControlEnabled(props, id)) << id;
  Click(props, IDC_SET_HIDE_TRAY);
  for (int id : {1003, 1004, 1005}) EXPECT_TRUE(ControlEnabled(props, id)) << id;
  Click(props, IDC_SET_NO_BALLOONS);
  EXPECT_FALSE(ControlEnabled(props, IDC_SET_NO_FIRST_BALLOON));
  // Cancel stores nothing.
  Click(props, kSecond);
  ASSERT_TRUE(WaitForWindowGone(props));
  EXPECT_EQ(ReadSetting("HideSysTray").AsDword(), 1u);
  EXPECT_EQ(ReadSetting("DisableBalloons").AsDword(), 0u);

  // Another program's settings message closes the window; the check box
  // changed meanwhile is not stored.
  props = OpenByMessage();
  ASSERT_NE(props, nullptr);
  ASSERT_TRUE(SelectTab(props, 1));
  EXPECT_EQ(CheckState(props, IDC_SET_NO_BALLOONS), BST_UNCHECKED);
  Click(props, IDC_SET_NO_BALLOONS);
  BroadcastSettingsChanged();
  ASSERT_TRUE(WaitForWindowGone(props));
  EXPECT_EQ(ReadSetting("DisableBalloons").AsDword(), 0u);
  EXPECT_TRUE(WaitForHidden(true));

  // Clearing "Hide Status Tray Icon" and OK: stored, and the icon is back.
  props = OpenByMessage();
  ASSERT_NE(props, nullptr);
  ASSERT_TRUE(SelectTab(props, 1));
  Click(props, IDC_SET_HIDE_TRAY);
  Click(props, kOk);
  ASSERT_TRUE(WaitForWindowGone(props));
  EXPECT_EQ(ReadSetting("HideSysTray").AsDword(), 0u);
  EXPECT_TRUE(WaitForTip(kBothOn, /*hidden=*/false));

  // The hide command closes an open window before it hides the icon.
  props = OpenByMessage();
  ASSERT_NE(props, nullptr);
  ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(106, 0), 0);
  ASSERT_TRUE(WaitForWindowGone(props));
  EXPECT_TRUE(WaitForHidden(true));
  EXPECT_EQ(ReadSetting("HideSysTray").AsDword(), 1u);
  EXPECT_EQ(ReadSetting("DisableBalloons").AsDword(), 0u);
  EndWithCommandOne(tray_, window_);
}

// The status page's buttons switch the simulated radios and the page follows
// every change, also those made with the stand-in's tool, which reach the
// tray program through the bridge's relay.
TEST_F(PropertiesSystem, TheStatusPageSwitchesTheRadiosAndFollowsTheFirmware) {
  ASSERT_TRUE(bridgetest::RegisterBridgeService());
  ASSERT_EQ(Fwsim("set separate-switching off"), 0);
  StartAndWaitForIcon();
  HWND props = OpenByMessage();
  ASSERT_NE(props, nullptr);
  auto pageShows = [&](const wchar_t* state, const wchar_t* reason, const wchar_t* both) {
    return WaitFor(
        [&] {
          return ControlText(props, IDC_ST_SUMMARY_STATE) == state &&
                 ControlText(props, IDC_ST_SUMMARY_REASON) == reason && ControlText(props, IDC_ST_BOTH_BUTTON) == both;
        },
        std::chrono::seconds(10));
  };
  EXPECT_TRUE(ControlVisible(props, IDC_ST_BOTH_BUTTON));
  EXPECT_FALSE(ControlVisible(props, IDC_ST_WLAN_BUTTON));
  EXPECT_FALSE(ControlVisible(props, IDC_ST_BT_BUTTON));
  EXPECT_TRUE(pageShows(L"On", L"", L"Turn Both Off"));

  Click(props, IDC_ST_BOTH_BUTTON);
  ASSERT_TRUE(WaitFor([] { return !WlanOn(FwsimWirelessWord()) && !BluetoothOn(FwsimWirelessWord()); },
                      std::chrono::seconds(10)));
  EXPECT_TRUE(pageShows(L"Off", L"User Selection", L"Turn Both On"));
  EXPECT_EQ(ControlText(props, IDC_ST_WLAN_STATE), L"Off");
  EXPECT_EQ(ControlText(props, IDC_ST_BT_STATE), L"Off");

  // With one radio on the button reads "Turn Both On", and does so.
  Click(props, IDC_ST_BOTH_BUTTON);
  ASSERT_TRUE(WaitFor([] { return WlanOn(FwsimWirelessWord()) && BluetoothOn(FwsimWirelessWord()); },
                      std::chrono::seconds(10)));
  EXPECT_TRUE(pageShows(L"On", L"", L"Turn Both Off"));
  ASSERT_EQ(Fwsim("set bluetooth-selected off"), 0);
  ASSERT_TRUE(WaitFor([&] { return ControlText(props, IDC_ST_BT_STATE) == L"Off"; }, std::chrono::seconds(10)));
  EXPECT_EQ(ControlText(props, IDC_ST_BOTH_BUTTON), L"Turn Both On");
  Click(props, IDC_ST_BOTH_BUTTON);
  ASSERT_TRUE(WaitFor([] { return WlanOn(FwsimWirelessWord()) && BluetoothOn(FwsimWirelessWord()); },
                      std::chrono::seconds(10)));
  EXPECT_TRUE(pageShows(L"On", L"", L"Turn Both Off"));

  // The wireless button, pressed on the notebook, disables both rows and
  // the both-radios button; the firmware group keeps its values.
  ASSERT_EQ(Fwsim("button"), 0);
  EXPECT_TRUE(WaitFor([&] { return ControlText(props, IDC_ST_SUMMARY_REASON) == L"Wireless Button"; },
                      std::chrono::seconds(10)));
  EXPECT_EQ(ControlText(props, IDC_ST_SUMMARY_STATE), L"Disabled");
  EXPECT_EQ(ControlText(props, IDC_ST_WLAN_STATE), L"Disabled");
  EXPECT_EQ(ControlText(props, IDC_ST_BT_STATE), L"Disabled");
  EXPECT_FALSE(ControlEnabled(props, IDC_ST_BOTH_BUTTON));
  EXPECT_EQ(ControlText(props, IDC_ST_BIOS_WLAN_VALUE), L"Enabled");
  ASSERT_EQ(Fwsim("button"), 0);
  EXPECT_TRUE(WaitFor([&] { return ControlEnabled(props, IDC_ST_BOTH_BUTTON); }, std::chrono::seconds(10)));

  // Command 1 ends the program with the window open.
  EndWithCommandOne(tray_, window_);
  EXPECT_FALSE(::IsWindow(props));
  bridgetest::RemoveBridgeService();
}

// "SHOWSTATUS" opens the window once the icon is there. Help opens one
// viewer, owned by the window, and however the window closes (Close, OK, the
// settings-changed message, command 106, the program's end) the viewer goes
// with it; the next opening's Help shows one viewer again.
TEST_F(PropertiesSystem, ShowStatusOpensTheWindowAndHelpOpensOneViewerThatGoesWithTheWindow) {
  StartWithIcon(/*hidden=*/false, "SHOWSTATUS");
  HWND props = WaitForPropertiesWindow(tray_.id());
  ASSERT_NE(props, nullptr);
  EXPECT_EQ(SelectedTab(props), 0);
  auto viewers = [&] { return CountProcessWindows(tray_.id(), "HH Parent"); };
  // Help twice at once (the second press while the first is opening) and
  // once more with the viewer open: one viewer, owned by the window.
  auto openHelp = [&] {
    Click(props, kHelp);
    Click(props, kHelp);
    if (!WaitFor([&] { return viewers() == 1; }, std::chrono::seconds(10))) return HWND{};
    Click(props, kHelp);
    const HWND viewer =
        WaitForProcessWindow(tray_.id(), "HH Parent", nullptr, /*visible=*/true, std::chrono::seconds(1));
    EXPECT_EQ(::GetWindow(viewer, GW_OWNER), props);
    EXPECT_EQ(viewers(), 1);
    EXPECT_EQ(PropertiesWindows(), 1);
    return viewer;
  };
  auto viewerGoesWith = [&](HWND viewer) {
    EXPECT_TRUE(WaitForWindowGone(props));
    EXPECT_TRUE(WaitForWindowGone(viewer));
    EXPECT_EQ(viewers(), 0);
  };

  HWND viewer = openHelp();
  ASSERT_NE(viewer, nullptr);
  Click(props, kSecond);
  viewerGoesWith(viewer);

  // OK on the settings tab, another program's settings message, the hide
  // command: each closes the window, and its viewer with it.
  const struct {
    const char* what;
    std::function<void()> close;
  } closes[] = {
      {"OK", [&] { ASSERT_TRUE(SelectTab(props, 1)); Click(props, kOk); }},
      {"the settings message", [&] { BroadcastSettingsChanged(); }},
      {"command 106", [&] { ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(106, 0), 0); }},
  };
  for (const auto& c : closes) {
    SCOPED_TRACE(c.what);
    props = OpenByMessage();
    ASSERT_NE(props, nullptr);
    viewer = openHelp();
    ASSERT_NE(viewer, nullptr);
    c.close();
    viewerGoesWith(viewer);
  }
  // The hide command hid the icon and stored HideSysTray.
  EXPECT_TRUE(WaitForHidden(true));
  EXPECT_EQ(ReadSetting("HideSysTray").AsDword(), 1u);

  // Command 1 with the window and its viewer open ends the program.
  props = OpenByMessage();
  ASSERT_NE(props, nullptr);
  viewer = openHelp();
  ASSERT_NE(viewer, nullptr);
  EndWithCommandOne(tray_, window_);
  EXPECT_FALSE(::IsWindow(viewer));
}

}  // namespace
