// RadioState against the firmware stand-in: probe, re-read, change message
// and switches.
#include "tray/core/RadioState.h"

#include <gtest/gtest.h>

#include "common/MessageNames.h"
#include "tests/support/TrayMachine.h"

namespace {

class RadioStateTest : public traytest::StandInTest {
 protected:
  void SetUp() override {
    traytest::StandInTest::SetUp();
    if (HasFatalFailure()) return;
    // Receives WM_RADIOSTATECHANGED; never shown.
    window_ = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (window_) ::DestroyWindow(window_);
    traytest::StandInTest::TearDown();
  }

  static void Tool(const std::string& args) { ASSERT_EQ(traytest::Fwsim(args), 0) << args; }

  // The change messages waiting for the window: their wParams.
  std::vector<WPARAM> TakeChangeMessages() {
    std::vector<WPARAM> kinds;
    MSG msg;
    while (::PeekMessageA(&msg, window_, rm::kWmRadioStateChanged, rm::kWmRadioStateChanged, PM_REMOVE)) {
      EXPECT_EQ(msg.lParam, 0);
      kinds.push_back(msg.wParam);
    }
    return kinds;
  }

  std::unique_ptr<rm::RadioState> Probed() {
    auto radios = std::make_unique<rm::RadioState>(diagnostics_);
    EXPECT_EQ(radios->Probe(), S_OK);
    radios->SetTrayWindow(window_);
    return radios;
  }

  rm::StartupDiagnostics diagnostics_;
  HWND window_ = nullptr;
};

TEST_F(RadioStateTest, ProbeDecodesTheWordOfEachProfile) {
  auto radios = Probed();
  rm::RadioFlags f = radios->Flags();
  EXPECT_EQ(f.hasWlan, 1);
  EXPECT_EQ(f.hasBluetooth, 1);
  EXPECT_EQ(radios->ChangeKind(), 0);

  Tool("profile wlan");
  rm::RadioState wlanOnly(diagnostics_);
  ASSERT_EQ(wlanOnly.Probe(), S_OK);
  EXPECT_EQ(wlanOnly.Flags().hasWlan, 1);
  EXPECT_EQ(wlanOnly.Flags().hasBluetooth, 0);

  Tool("profile none");
  rm::RadioState none(diagnostics_);
  ASSERT_EQ(none.Probe(), S_OK);
  EXPECT_TRUE(rm::NoSupportedDevices(none.Flags()));
}

TEST_F(RadioStateTest, ProbeOnAnUnsupportedMachineFailsForAnyoneButGuest) {
  Tool("profile unsupported");
  char name[260] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(::GetUserNameA(name, &size));
  ASSERT_STRNE(name, "Guest");  // the test runs as the prefix's own user
  rm::RadioState radios(diagnostics_);
  EXPECT_EQ(radios.Probe(), E_FAIL);
  EXPECT_TRUE(rm::NoSupportedDevices(radios.Flags()));
}

TEST_F(RadioStateTest, RefreshClassifiesDecodesAndPostsOnlyChangesThatMatter) {
  auto radios = Probed();
  const rm::WirelessWord before = radios->CurrentWord();

  // Nothing changed: nothing posted.
  EXPECT_EQ(radios->Refresh(), S_OK);
  EXPECT_EQ(radios->ChangeKind(), 0);
  EXPECT_TRUE(TakeChangeMessages().empty());

  // The wireless button: kind 1, and the flags follow.
  Tool("button");
  EXPECT_EQ(radios->Refresh(), S_OK);
  EXPECT_EQ(radios->ChangeKind(), rm::kChangeButton);
  EXPECT_EQ(TakeChangeMessages(), (std::vector<WPARAM>{1}));
  EXPECT_NE(radios->CurrentWord(), before);
  EXPECT_EQ(radios->Flags().wlanButtonEnabled, rm::RadioFlags::Decode(radios->CurrentWord()).wlanButtonEnabled);
  EXPECT_NE(radios->Flags().wlanButtonEnabled, rm::RadioFlags::Decode(before).wlanButtonEnabled);

  // A re-read with the same word: kind 0 again, nothing posted.
  EXPECT_EQ(radios->Refresh(), S_OK);
  EXPECT_EQ(radios->ChangeKind(), 0);
  EXPECT_TRUE(TakeChangeMessages().empty());
}

TEST_F(RadioStateTest, LanSwitchingHoldIsChangeKindTwo) {
  Tool("set lan-switching-present on");
  Tool("set lan-switching on");
  auto radios = Probed();
  Tool("lan plug");
  EXPECT_EQ(radios->Refresh(), S_OK);
  EXPECT_EQ(radios->ChangeKind(), rm::kChangeLanSwitching);
  EXPECT_EQ(TakeChangeMessages(), (std::vector<WPARAM>{2}));
  EXPECT_TRUE(rm::WlanHeldByLanSwitching(radios->Flags()));
  EXPECT_EQ(rm::WlanOffReason(radios->Flags()), rm::OffReason::LanSwitching);
}

TEST_F(RadioStateTest, AFailedRefreshChangesNothingAndPostsNothing) {
  auto radios = Probed();
  const rm::RadioFlags flags = radios->Flags();
  Tool("button");
  Tool("fault data-length 3");
  EXPECT_EQ(radios->Refresh(), E_FAIL);
  const rm::RadioFlags after = radios->Flags();
  EXPECT_EQ(std::memcmp(&flags, &after, sizeof flags), 0);
  EXPECT_EQ(radios->ChangeKind(), 0);
  EXPECT_TRUE(TakeChangeMessages().empty());
  // The next successful re-read sees the change.
  Tool("fault clear");
  EXPECT_EQ(radios->Refresh(), S_OK);
  EXPECT_EQ(radios->ChangeKind(), rm::kChangeButton);
}

TEST_F(RadioStateTest, SwitchSignalsTheWirelessEventAndTheWatcherAndTheReReadFollows) {
  auto radios = Probed();
  radios->wirelessEvent.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
  radios->switchSignal.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
  const rm::RadioFlags before = radios->Flags();
  ASSERT_EQ(before.bluetoothOn, 1) << "profile both starts with Bluetooth on";

  EXPECT_TRUE(radios->SwitchRadios(rm::AllRadiosOffRequest()));
  EXPECT_EQ(::WaitForSingleObject(radios->wirelessEvent.get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(::WaitForSingleObject(radios->switchSignal.get(), 0), WAIT_OBJECT_0);
  // The switch alone does not touch the flags.
  EXPECT_EQ(radios->Flags().bluetoothOn, 1);
  EXPECT_EQ(radios->Refresh(), S_OK);
  EXPECT_EQ(radios->Flags().bluetoothOn, 0);
  EXPECT_EQ(radios->Flags().wlanOn, 0);

  EXPECT_TRUE(radios->SwitchRadios(rm::AllRadiosOnRequest()));
  EXPECT_EQ(radios->Refresh(), S_OK);
  EXPECT_EQ(radios->Flags().bluetoothOn, 1);
}

TEST_F(RadioStateTest, AFailedSwitchDoesNotSignal) {
  auto radios = Probed();
  radios->wirelessEvent.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
  radios->switchSignal.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
  Tool("fault getmethod on");
  EXPECT_FALSE(radios->SwitchRadios(rm::AllRadiosOffRequest()));
  EXPECT_EQ(::WaitForSingleObject(radios->wirelessEvent.get(), 0), WAIT_TIMEOUT);
  EXPECT_EQ(::WaitForSingleObject(radios->switchSignal.get(), 0), WAIT_TIMEOUT);
  // Without a wireless event a switch still reaches the firmware.
  Tool("fault clear");
  radios->wirelessEvent.reset();
  radios->switchSignal.reset();
  EXPECT_TRUE(radios->SwitchRadios(rm::AllRadiosOffRequest()));
  EXPECT_EQ(radios->Refresh(), S_OK);
  EXPECT_EQ(radios->Flags().bluetoothOn, 0);
}

}  // namespace
