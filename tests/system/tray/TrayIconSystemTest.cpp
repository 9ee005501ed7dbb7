// rmtray.exe's icon in the real notification area of the test prefix's
// taskbar: its first display, tooltip, image and balloons, the menu's
// switches through the firmware stand-in, the settings-changed message, the
// hide command (also without the settings key), a value of the wrong type,
// a new taskbar and stray keys. (The relay requests of each start and end:
// tests/system/rmctl/RmctlSystemTest.cpp.)
#include <chrono>

#include "tests/system/bridge/BridgeHarness.h"
#include "tests/system/tray/TrayIconFixture.h"

namespace {

using namespace traytest;

TEST_F(TrayIconSystem, TheIconComesAfterFiveSecondsAndFollowsSwitchesFromTheMenuWithoutTheBridge) {
  if (bridgetest::QueryBridgeService().exists) {
    ASSERT_TRUE(bridgetest::StopBridgeService());
    ASSERT_EQ(bridgetest::Bridge("-UnregServer"), 0);
  }
  std::chrono::milliseconds shownAfter{};
  StartAndWaitForIcon(&shownAfter);
  EXPECT_GE(shownAfter.count(), 5000);
  EXPECT_TRUE(WaitForTip(kBothOn));
  EXPECT_TRUE(WaitForImage(kOn));
  EXPECT_TRUE(WaitForBalloon(kBothOn));

  // Open, separator, WLAN, Bluetooth, all on (greyed: both are on), all off.
  ChooseFromMenu(2);
  ASSERT_TRUE(traytest::WaitFor([] { return !WlanOn(traytest::FwsimWirelessWord()); }, std::chrono::seconds(10)));
  EXPECT_TRUE(BluetoothOn(traytest::FwsimWirelessWord()));
  EXPECT_TRUE(WaitForTip(kWlanOffBtOn));
  EXPECT_TRUE(WaitForImage(kOn));
  EXPECT_TRUE(WaitForBalloon(kWlanOffBtOn));

  ChooseFromMenu(5);  // all off
  ASSERT_TRUE(traytest::WaitFor([] { return !BluetoothOn(traytest::FwsimWirelessWord()); }, std::chrono::seconds(10)));
  EXPECT_FALSE(WlanOn(traytest::FwsimWirelessWord()));
  EXPECT_TRUE(WaitForTip(kBothOff));
  EXPECT_TRUE(WaitForImage(kOff));
  EXPECT_TRUE(WaitForBalloon(kBothOff));

  EXPECT_TRUE(tray_.Running());
  EndPromptly();
}

TEST_F(RunningTray, TheSettingsMessageTheHideCommandANewTaskbarAndStrayKeys) {
  // A value that is no 4-byte DWORD is not taken at the settings message:
  // the icon stays shown when the switch posted after the message shows.
  ASSERT_TRUE(traytest::WriteSetting("HideSysTray", REG_SZ, "1", 2));
  BroadcastSettingsChanged();
  ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(103, 0), 0);  // Bluetooth off
  EXPECT_TRUE(WaitForTip(kWlanOnBtOff));

  // Another program changed the settings: hidden at once, then shown again.
  ASSERT_TRUE(traytest::WriteSettingDword("HideSysTray", 1));
  BroadcastSettingsChanged();
  EXPECT_TRUE(WaitForTip(kWlanOnBtOff, /*hidden=*/true));
  ASSERT_TRUE(traytest::WriteSettingDword("HideSysTray", 0));
  BroadcastSettingsChanged();
  EXPECT_TRUE(WaitForTip(kWlanOnBtOff));

  // A new taskbar gets the icon again, which goes on following the radios.
  ::PostMessageA(window_, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  ::SendMessageA(window_, WM_COMMAND, MAKEWPARAM(105, 0), 0);  // all off
  EXPECT_TRUE(WaitForTip(kBothOff));
  EXPECT_TRUE(WaitForImage(kOff));

  // Keys after the menu has closed reach the hidden window, which is in the
  // foreground now; none of them ends the program.
  const HWND menu = OpenMenu();
  ASSERT_NE(menu, nullptr);
  PostKey(menu, VK_ESCAPE);
  ASSERT_TRUE(traytest::WaitFor([&] { return !::IsWindowVisible(menu); }, std::chrono::seconds(10)));
  for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_SPACE}) {
    PostKey(window_, key);
    ::PostMessageA(window_, WM_CHAR, key, 1);
  }
  // Command 106 after the keys: once it has hidden the icon and stored the
  // setting, the keys have been through the loop.
  ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(106, 0), 0);
  EXPECT_TRUE(WaitForTip(kBothOff, /*hidden=*/true));
  EXPECT_TRUE(
      traytest::WaitFor([] { return traytest::ReadSetting("HideSysTray").AsDword() == 1; }, std::chrono::seconds(10)));
  EXPECT_TRUE(tray_.Running());

  // A change while hidden shows when the icon comes back.
  ::SendMessageA(window_, WM_COMMAND, MAKEWPARAM(104, 0), 0);  // all on
  ASSERT_TRUE(traytest::WaitFor([] { return BluetoothOn(traytest::FwsimWirelessWord()); }, std::chrono::seconds(10)));
  ASSERT_TRUE(traytest::WriteSettingDword("HideSysTray", 0));
  BroadcastSettingsChanged();
  EXPECT_TRUE(WaitForTip(kBothOn));
  EXPECT_TRUE(WaitForImage(kOn));

  // With the settings key gone, command 106 hides the icon all the same, and
  // it stays hidden through a new taskbar, the properties window's close and
  // a settings message that finds no key. A stored 0 shows it again, with
  // the change made meanwhile.
  traytest::DeleteSettingsKey();
  ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(106, 0), 0);
  EXPECT_TRUE(WaitForTip(kBothOn, /*hidden=*/true));
  ::PostMessageA(window_, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  ::PostMessageA(window_, ::RegisterWindowMessageA(traytest::kOpenStatusPageMessage), 0, 0);
  const HWND props = traytest::WaitForPropertiesWindow(tray_.id());
  ASSERT_NE(props, nullptr);
  ::PostMessageA(props, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  ASSERT_TRUE(traytest::WaitFor([&] { return !::IsWindow(props); }, std::chrono::seconds(10)));
  BroadcastSettingsChanged();
  ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(105, 0), 0);  // all off
  // Once the switch has reached the firmware, the messages before it have
  // been handled: the icon is hidden, or gone with the announced taskbar.
  ASSERT_TRUE(traytest::WaitFor([] { return !BluetoothOn(traytest::FwsimWirelessWord()); }, std::chrono::seconds(10)));
  const auto icon = area_->FindIcon(window_, kIconId);
  EXPECT_TRUE(!icon || icon->hidden);
  EXPECT_FALSE(traytest::ReadSetting("HideSysTray").exists);
  ASSERT_TRUE(traytest::WriteSettingDword("HideSysTray", 0));
  BroadcastSettingsChanged();
  EXPECT_TRUE(WaitForTip(kBothOff));
}

}  // namespace
