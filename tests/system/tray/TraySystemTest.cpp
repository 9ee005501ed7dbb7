// rmtray.exe under Wine with the firmware stand-in: single instance, the
// refusals and their notices, DebugInfo, the settings key, and the end by
// command 1. Every test puts the machine back to profile "both", removes the
// settings key and kills its rmtray by handle if it is still running. The
// first start, the unsupported machine and the machine without radios run
// again as the user "Guest" (CMakeLists.txt).
#include "tests/system/tray/TraySystem.h"

namespace {

using traytest::Process;
using traytest::TraySystem;

TEST_F(TraySystem, FirstStartCreatesTheKeyWithFiveZeroValuesAndCommandOneEndsIt) {
  traytest::CleanSettingsKey clean;
  traytest::MachineProfile profile("both");
  ASSERT_TRUE(profile.ok());
  Process tray = StartTray();
  const HWND window = WaitForTrayWindow(tray);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_TRUE(MutexExists());

  // The store made the key with its five values (their names, types and
  // zeros: SettingsStoreTest.cpp).
  ASSERT_TRUE(traytest::SettingsKeyExists());
  EXPECT_EQ(traytest::CountValues(), 5u);
  EXPECT_EQ(traytest::ReadSetting("HideSysTray").type, static_cast<DWORD>(REG_DWORD));
  // A normal start leaves no DebugInfo, and no notice.
  EXPECT_FALSE(traytest::ReadSetting("DebugInfo").exists);
  EXPECT_EQ(traytest::FindProcessWindow(tray.id(), "#32770", traytest::kCaption), nullptr);

  EndWithCommandOne(tray, window);
  EXPECT_FALSE(MutexExists());
  // With the mutex gone the next start runs.
  Process again = StartTray();
  const HWND second = WaitForTrayWindow(again);
  ASSERT_NE(second, nullptr);
  EndWithCommandOne(again, second);
}

TEST_F(TraySystem, ASecondInstanceEndsSilentlyAndLeavesTheFirstRunning) {
  traytest::CleanSettingsKey clean;
  traytest::MachineProfile profile("both");
  ASSERT_TRUE(profile.ok());
  Process first = StartTray();
  const HWND window = WaitForTrayWindow(first);
  ASSERT_NE(window, nullptr);

  Process second = StartTray("SHOWSTATUS");
  bool secondShowedAWindow = false;
  DWORD code = 1234;
  ASSERT_TRUE(traytest::WaitFor(
      [&] {
        if (traytest::FindProcessWindow(second.id(), "#32770")) secondShowedAWindow = true;
        return second.WaitExit(std::chrono::seconds(0), &code);
      },
      std::chrono::seconds(15)));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(secondShowedAWindow);
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_TRUE(MutexExists());
  EndWithCommandOne(first, window);
}

// The guest sees its own text, anyone else the machine's; only the probe's
// slot tells them apart.
TEST_F(TraySystem, AnUnsupportedMachineShowsItsNoticeAndLeavesDebugInfo) {
  traytest::CleanSettingsKey clean;
  traytest::MachineProfile profile("unsupported");
  ASSERT_TRUE(profile.ok());
  Process tray = StartTray();
  const HWND box = WaitForNotice(tray);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(traytest::WindowText(box), traytest::kCaption);
  EXPECT_EQ(traytest::MessageBoxText(box), traytest::RunAsGuest() ? traytest::kGuestText : traytest::kUnsupportedText);
  EXPECT_EQ(WaitForTrayWindow(tray), nullptr);

  // Written before the box was shown.
  const auto slots = DebugInfo();
  ASSERT_EQ(slots.size(), 14u);
  EXPECT_EQ(slots[0], S_OK);           // COM
  EXPECT_EQ(slots[1], S_OK);           // COM security
  EXPECT_EQ(slots[2], S_OK);           // module
  EXPECT_NE(slots[3], 0);              // the RadioState exists
  EXPECT_EQ(slots[4], traytest::RunAsGuest() ? E_ACCESSDENIED : E_FAIL);  // the probe
  EXPECT_EQ(slots[5], S_OK);           // locator
  EXPECT_EQ(slots[6], S_OK);           // root\wmi
  EXPECT_TRUE(FAILED(slots[7]));       // no vtqBIntM: the failed step
  for (int i = 8; i < 14; ++i) EXPECT_EQ(slots[i], -1) << i;
  // The key was new: its five values were created too.
  EXPECT_EQ(traytest::CountValues(), 6u);

  CloseBoxAndExpectEnd(tray, box);
  EXPECT_FALSE(MutexExists());
}

TEST_F(TraySystem, TenEnumerationTimeOutsAreAnUnsupportedMachine) {
  traytest::CleanSettingsKey clean;
  traytest::MachineProfile profile("both");
  ASSERT_TRUE(profile.ok());
  ASSERT_EQ(traytest::Fwsim("fault enum-timeouts 10"), 0);
  Process tray = StartTray();
  const HWND box = WaitForNotice(tray);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(traytest::MessageBoxText(box), traytest::kUnsupportedText);
  const auto slots = DebugInfo();
  ASSERT_EQ(slots.size(), 14u);
  EXPECT_EQ(slots[4], E_FAIL);
  EXPECT_EQ(slots[7], S_OK);
  EXPECT_EQ(slots[8], S_OK);
  EXPECT_EQ(slots[9], WBEM_S_TIMEDOUT);
  EXPECT_EQ(slots[10], 0);
  EXPECT_EQ(slots[11], 10);
  EXPECT_EQ(slots[12], 0);
  EXPECT_EQ(slots[13], -1);
  CloseBoxAndExpectEnd(tray, box);
}

// The key exists with the choice as the string "1", which is no DWORD and
// so does not silence the notice; the tick replaces it.
TEST_F(TraySystem, NoRadiosShowTheNoticeUntilTheBoxIsTicked) {
  traytest::CleanSettingsKey clean;
  traytest::MachineProfile profile("none");
  ASSERT_TRUE(profile.ok());
  ASSERT_TRUE(traytest::WriteSetting("DoNotShowNoDevDlg", REG_SZ, "1", 2));

  Process tray = StartTray();
  const HWND notice = WaitForNotice(tray);
  ASSERT_NE(notice, nullptr);
  const HWND box = ::GetDlgItem(notice, traytest::kNoticeCheckBox);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(traytest::DlgItemText(notice, traytest::kNoticeCheckBox), "Do not show this dialog box again");
  const auto slots = DebugInfo();
  ASSERT_EQ(slots.size(), 14u);
  EXPECT_EQ(slots[4], S_OK);
  EXPECT_EQ(slots[11], 1);
  EXPECT_EQ(slots[13], S_OK);

  // Esc, then a posted click: once the box shows ticked, the Esc key has
  // been through the notice's loop, and the notice is still there.
  ::PostMessageA(notice, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageA(notice, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  ::PostMessageA(box, BM_CLICK, 0, 0);
  ASSERT_TRUE(traytest::WaitFor([&] { return ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; },
                                std::chrono::seconds(10)));
  EXPECT_TRUE(::IsWindowVisible(notice));
  EXPECT_TRUE(tray.Running());
  // The existing key is only read: the string stays until the notice ends.
  EXPECT_EQ(traytest::ReadSetting("DoNotShowNoDevDlg").type, static_cast<DWORD>(REG_SZ));

  ::SendMessageA(::GetDlgItem(notice, IDOK), BM_CLICK, 0, 0);
  DWORD code = 1234;
  ASSERT_TRUE(tray.WaitExit(std::chrono::seconds(15), &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(traytest::ReadSetting("DoNotShowNoDevDlg").type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(traytest::ReadSetting("DoNotShowNoDevDlg").AsDword(), 1u);

  // Later starts end silently, after writing DebugInfo again.
  ASSERT_EQ(::RegDeleteKeyValueA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, "DebugInfo"), ERROR_SUCCESS);
  Process later = StartTray();
  bool showedAWindow = false;
  ASSERT_TRUE(traytest::WaitFor(
      [&] {
        if (traytest::FindProcessWindow(later.id(), "#32770")) showedAWindow = true;
        return later.WaitExit(std::chrono::seconds(0), &code);
      },
      std::chrono::seconds(15)));
  EXPECT_FALSE(showedAWindow);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(DebugInfo().size(), 14u);
}

}  // namespace
