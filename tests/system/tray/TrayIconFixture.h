// The fixture of the system tests of rmtray.exe's icon: the icon's images,
// starting rmtray and waiting for its icon, its tooltip, image and balloon in
// the notification area, its menu, and ending it; and RunningTray, one
// rmtray shared by the scenarios of a suite.
#pragma once

#include <chrono>
#include <optional>

#include "tests/system/tray/NotifyArea.h"
#include "tests/system/tray/PropertiesDriver.h"
#include "tests/system/tray/TraySystem.h"

namespace traytest {

inline constexpr UINT kIconId = 201;
inline constexpr wchar_t kTitle[] = L"Zarn Radio Minder";
inline constexpr wchar_t kBothOn[] = L"        WLAN  : On\nBluetooth\u00AE : On";
inline constexpr wchar_t kWlanOnBtOff[] = L"        WLAN  : On\nBluetooth\u00AE : Off";
inline constexpr wchar_t kWlanOffBtOn[] = L"        WLAN  : Off\nBluetooth\u00AE : On";
inline constexpr wchar_t kBothOff[] = L"        WLAN  : Off\nBluetooth\u00AE : Off";
inline constexpr wchar_t kBothDisabled[] = L"        WLAN  : Disabled\nBluetooth\u00AE : Disabled";
inline constexpr wchar_t kWlanDisabledBtOn[] = L"        WLAN  : Disabled\nBluetooth\u00AE : On";
enum Image { kOff = 0, kOn = 1 };  // icons 202 and 203

inline bool WlanOn(DWORD word) { return (word >> 8) & 1; }
inline bool BluetoothOn(DWORD word) { return (word >> 16) & 1; }

class TrayIconSystem : public traytest::TraySystem {
 protected:
  void SetUp() override {
    TraySystem::SetUp();
    images_.reset(::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(images_);
    const int size = ::GetSystemMetrics(SM_CXSMICON);
    for (int id : {202, 203}) {
      icons_[id - 202] = static_cast<HICON>(::LoadImageA(images_.get(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icons_[id - 202], nullptr);
    }
    ASSERT_TRUE(profile_.ok());
  }
  void TearDown() override {
    for (HICON& icon : icons_) {
      if (icon) ::DestroyIcon(icon);
      icon = nullptr;
    }
  }

  // Starts rmtray and waits for its visible icon; the time from the start.
  void StartAndWaitForIcon(std::chrono::milliseconds* sinceStart = nullptr) {
    const auto start = std::chrono::steady_clock::now();
    tray_ = StartTray();
    window_ = WaitForTrayWindow(tray_);
    ASSERT_NE(window_, nullptr);
    area_.emplace();
    ASSERT_TRUE(area_->ok());
    ASSERT_TRUE(area_->WaitForIcon(
        window_, kIconId, [](const traytest::TrayIcon& i) { return !i.hidden; }, std::chrono::seconds(15)));
    if (sinceStart) {
      *sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }
  }

  bool WaitForTip(const wchar_t* tip, bool hidden = false, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return area_
        ->WaitForIcon(
            window_, kIconId, [&](const traytest::TrayIcon& i) { return i.tip == tip && i.hidden == hidden; }, limit)
        .has_value();
  }
  bool WaitForImage(Image image) {
    return area_->WaitForImage(window_, kIconId, {icons_[0], icons_[1]}, image);
  }
  // A balloon with this text (the title is always the product name).
  bool WaitForBalloon(const wchar_t* text) {
    return traytest::WaitFor(
        [&] {
          const auto b = area_->TakeBalloon(window_, kIconId);
          return b && b->title == kTitle && b->text == text;
        },
        std::chrono::seconds(10));
  }

  // The icon's right click, as the shell reports it.
  HWND OpenMenu() {
    ::PostMessageA(window_, ::RegisterWindowMessageA("ZARN_RADIOMINDER_TRAYICON"), kIconId, WM_RBUTTONUP);
    return traytest::WaitForProcessWindow(tray_.id(), "#32768");
  }
  // Picks the menu's item by keys: `downs` times Down, then Enter.
  void ChooseFromMenu(int downs) {
    const HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < downs; ++i) PostKey(menu, VK_DOWN);
    PostKey(menu, VK_RETURN);
    ASSERT_TRUE(traytest::WaitFor([&] { return !::IsWindowVisible(menu); }, std::chrono::seconds(10)));
  }
  static void PostKey(HWND window, WPARAM key) {
    ::PostMessageA(window, WM_KEYDOWN, key, 1);
    ::PostMessageA(window, WM_KEYUP, key, 0xC0000001);
  }
  static void BroadcastSettingsChanged() {
    DWORD recipients = BSM_APPLICATIONS;
    ::BroadcastSystemMessageA(BSF_POSTMESSAGE, &recipients, ::RegisterWindowMessageA("ZARN_RADIOMINDER_PROPSCHG"),
                              0, 0);
  }
  void EndPromptly() {
    const auto start = std::chrono::steady_clock::now();
    EndWithCommandOne(tray_, window_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(area_->WaitForNoIcon(window_, kIconId));
  }

  traytest::CleanSettingsKey clean_;
  traytest::MachineProfile profile_{"both"};
  rm::UniqueModule images_;
  HICON icons_[2] = {};
  Process tray_;
  HWND window_ = nullptr;
  std::optional<traytest::NotifyArea> area_;
};

// One rmtray for the scenarios of a suite that need no fresh start. The first
// test starts it and waits for its icon, so the 5-second timer is paid once;
// every later test finds it as a first start leaves it: the settings key with
// five zeros (re-read at the settings message), both radios on and shown, the
// icon visible, no properties window. After the last test command 1 ends it
// within 5 s and takes the icon away. ctest runs such a suite in one process
// (rm_wine_test's SUITES); a test that ended the program leaves the next one
// a fresh start.
class RunningTray : public TrayIconSystem {
 protected:
  static void TearDownTestSuite() {
    Process tray = std::move(shared_);
    if (!tray.Running()) return;
    const auto start = std::chrono::steady_clock::now();
    EndWithCommandOne(tray, sharedWindow_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    NotifyArea area;
    EXPECT_TRUE(area.ok() && area.WaitForNoIcon(sharedWindow_, kIconId));
  }

  void SetUp() override {
    TrayIconSystem::SetUp();
    if (HasFatalFailure()) return;
    if (!shared_.Running()) {
      StartAndWaitForIcon();
      return;
    }
    tray_ = std::move(shared_);
    window_ = sharedWindow_;
    area_.emplace();
    ASSERT_TRUE(area_->ok());
    for (const char* name : {"HideSysTray", "HideBIOSSettings", "DisableBalloons", "DisableFirstBalloon",
                             "DoNotShowNoDevDlg"}) {
      ASSERT_TRUE(traytest::WriteSettingDword(name, 0));
    }
    // All off, then the settings message and all on: once the icon shows both
    // on again, the message before the last switch has been handled.
    ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(105, 0), 0);
    ASSERT_TRUE(area_->WaitForIcon(
        window_, kIconId, [](const traytest::TrayIcon& i) { return i.tip == kBothOff; }, std::chrono::seconds(10)));
    BroadcastSettingsChanged();
    ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(104, 0), 0);
    ASSERT_TRUE(WaitForTip(kBothOn));
  }

  void TearDown() override {
    if (tray_.Running()) {
      if (const HWND props = traytest::FindProcessWindow(tray_.id(), "#32770", traytest::kPropertiesTitle)) {
        ::PostMessageA(props, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(traytest::WaitForWindowGone(props));
      }
      shared_ = std::move(tray_);
      sharedWindow_ = window_;
    }
    TrayIconSystem::TearDown();
  }

 private:
  static inline Process shared_;
  static inline HWND sharedWindow_ = nullptr;
};

}  // namespace traytest
