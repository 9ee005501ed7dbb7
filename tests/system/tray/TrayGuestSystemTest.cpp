// rmtray.exe started by a user named "Guest" (this program and the rmtray it
// starts run as Guest: see run-as-user.sh). The name matters only after the
// firmware could not be reached.
#include "tests/system/tray/TraySystem.h"

namespace {

using traytest::Process;
using traytest::TraySystem;

constexpr char kGuestText[] =
    "The Zarn Radio Minder is not supported for use by a Windows Guest user. Select the OK button to close the "
    "Zarn Radio Minder.";

class TrayAsGuest : public TraySystem {
 protected:
  void SetUp() override {
    TraySystem::SetUp();
    ASSERT_EQ(traytest::CurrentUserName(), "Guest");
  }
};

TEST_F(TrayAsGuest, AnUnsupportedMachineShowsTheGuestText) {
  traytest::CleanSettingsKey clean;
  traytest::MachineProfile profile("unsupported");
  ASSERT_TRUE(profile.ok());
  Process tray = StartTray();
  const HWND box = WaitForNotice(tray);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(traytest::WindowText(box), traytest::kCaption);
  EXPECT_EQ(traytest::MessageBoxText(box), kGuestText);
  const auto slots = DebugInfo();
  ASSERT_EQ(slots.size(), 14u);
  EXPECT_EQ(slots[4], E_ACCESSDENIED);
  EXPECT_TRUE(FAILED(slots[7]));
  CloseBoxAndExpectEnd(tray, box);
  EXPECT_FALSE(MutexExists());
}

TEST_F(TrayAsGuest, AWorkingMachineRunsNormally) {
  traytest::CleanSettingsKey clean;
  traytest::MachineProfile profile("both");
  ASSERT_TRUE(profile.ok());
  Process tray = StartTray();
  const HWND window = WaitForTrayWindow(tray);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(traytest::FindProcessWindow(tray.id(), "#32770", traytest::kCaption), nullptr);
  EXPECT_FALSE(traytest::ReadSetting("DebugInfo").exists);
  EXPECT_EQ(traytest::CountValues(), 5u);
  EndWithCommandOne(tray, window);
}

TEST_F(TrayAsGuest, AMachineWithoutRadiosShowsTheNoDeviceNotice) {
  traytest::CleanSettingsKey clean;
  traytest::MachineProfile profile("none");
  ASSERT_TRUE(profile.ok());
  Process tray = StartTray();
  const HWND notice = WaitForNotice(tray);
  ASSERT_NE(notice, nullptr);
  EXPECT_NE(::GetDlgItem(notice, traytest::kNoticeCheckBox), nullptr);
  ::SendMessageA(::GetDlgItem(notice, IDOK), BM_CLICK, 0, 0);
  DWORD code = 1234;
  ASSERT_TRUE(tray.WaitExit(std::chrono::seconds(15), &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
