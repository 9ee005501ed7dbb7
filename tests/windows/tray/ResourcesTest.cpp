// The resources of rmtray.exe as the program loads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "tests/support/TrayMachine.h"
#include "tray/res/resource.h"
#include "tray/windows/Notices.h"

namespace {

class TrayResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() {
    if (module_) ::FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << traytest::TrayExe(); }
  std::string String(UINT id) { return rm::LoadResourceString(module_, id, 1024); }

  static HMODULE module_;
};
HMODULE TrayResources::module_ = nullptr;

TEST_F(TrayResources, NoticeAndProductTextsAreExact) {
  EXPECT_EQ(String(IDS_PRODUCT_NAME), "Zarn Radio Minder");
  EXPECT_EQ(String(IDS_GUEST_NOT_SUPPORTED),
            "The Zarn Radio Minder is not supported for use by a Windows Guest user. Select the OK button to "
            "close the Zarn Radio Minder.");
  EXPECT_EQ(String(IDS_MACHINE_NOT_SUPPORTED), "The Zarn Radio Minder is not supported on this machine.");
  EXPECT_EQ(String(IDS_NO_DEVICES),
            "The Zarn Radio Minder did not detect any supported wireless devices. Select the OK button to close "
            "the Zarn Radio Minder.");
  EXPECT_EQ(String(IDS_DO_NOT_SHOW_AGAIN), "Do not show this dialog box again");
}

TEST_F(TrayResources, TooltipPartsKeepTheirSpacesLineFeedsAndRegisteredSign) {
  EXPECT_EQ(String(IDS_TIP_WLAN_ON_LONG), "        WLAN  : On\n");
  EXPECT_EQ(String(IDS_TIP_WLAN_OFF_LONG), "        WLAN  : Off\n");
  EXPECT_EQ(String(IDS_TIP_WLAN_DISABLED_LONG), "        WLAN  : Disabled\n");
  EXPECT_EQ(String(IDS_TIP_WLAN_ON), "WLAN : On");
  EXPECT_EQ(String(IDS_TIP_WLAN_OFF), "WLAN : Off");
  EXPECT_EQ(String(IDS_TIP_WLAN_DISABLED), "WLAN : Disabled");
  // "®" is one byte, 0xAE, in the ANSI code page 1252.
  EXPECT_EQ(String(IDS_TIP_BT_ON), "Bluetooth\xAE : On");
  EXPECT_EQ(String(IDS_TIP_BT_OFF), "Bluetooth\xAE : Off");
  EXPECT_EQ(String(IDS_TIP_BT_DISABLED), "Bluetooth\xAE : Disabled");
}

TEST_F(TrayResources, MenuAndSettingsTextsExist) {
  const std::pair<UINT, const char*> texts[] = {
      {IDS_SYSTEM_STATUS, "System Status"},
      {IDS_DEVICE_STATUS, "Device Status"},
      {IDS_MENU_OPEN, "Open Radio Minder"},
      {IDS_MENU_WLAN_ON, "Turn WLAN On"},
      {IDS_MENU_WLAN_OFF, "Turn WLAN Off"},
      {IDS_MENU_BT_ON, "Turn Bluetooth\xAE On"},
      {IDS_MENU_BT_OFF, "Turn Bluetooth\xAE Off"},
      {IDS_MENU_ALL_ON, "Turn On All Devices"},
      {IDS_MENU_ALL_OFF, "Turn Off All Devices"},
      {IDS_SETTINGS_APPLICATION, "Application Settings"},
      {IDS_SETTINGS_HIDE_TRAY, "Hide Status Tray Icon"},
      {IDS_SETTINGS_HIDE_BIOS, "Hide BIOS Settings Information"},
      {IDS_SETTINGS_BALLOONS, "Information Bubble Settings"},
      {IDS_SETTINGS_NO_CHANGE_BALLOONS, "Disable Status Change Balloons"},
      {IDS_SETTINGS_NO_FIRST_BALLOON, "Disable Initial Status Balloon"},
  };
  for (const auto& t : texts) EXPECT_EQ(String(t.first), t.second) << t.first;
}

TEST_F(TrayResources, IconsHaveEverySizeWithAlphaAndShowOnBlackAndWhite) {
  for (int id : {IDI_RADIO_OFF, IDI_RADIO_ON}) {
    for (int size : {16, 20, 24, 28, 32, 40, 48, 64, 96}) {
      // LR_DEFAULTCOLOR picks the image of exactly that size when there is one.
      HICON icon = static_cast<HICON>(::LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr) << id << " " << size;
      ICONINFO info = {};
      ASSERT_TRUE(::GetIconInfo(icon, &info));
      BITMAP bm = {};
      ::GetObjectA(info.hbmColor, sizeof bm, &bm);
      EXPECT_EQ(bm.bmWidth, size);
      EXPECT_EQ(bm.bmHeight, size);

      // Read the colour bitmap back as 32-bit pixels: both transparent and
      // opaque pixels, and partly transparent edges.
      BITMAPINFO bi = {};
      bi.bmiHeader.biSize = sizeof bi.bmiHeader;
      bi.bmiHeader.biWidth = size;
      bi.bmiHeader.biHeight = -size;
      bi.bmiHeader.biPlanes = 1;
      bi.bmiHeader.biBitCount = 32;
      std::vector<DWORD> pixels(static_cast<size_t>(size) * size);
      HDC dc = ::GetDC(nullptr);
      ASSERT_EQ(::GetDIBits(dc, info.hbmColor, 0, size, pixels.data(), &bi, DIB_RGB_COLORS), size);
      ::ReleaseDC(nullptr, dc);
      int clear = 0, opaque = 0, partial = 0;
      for (DWORD p : pixels) {
        const DWORD alpha = p >> 24;
        if (alpha == 0) ++clear;
        else if (alpha == 255) ++opaque;
        else ++partial;
      }
      EXPECT_GT(clear, size * size / 4) << id << " " << size;
      EXPECT_GT(opaque + partial, size) << id << " " << size;
      EXPECT_GT(partial, 0) << id << " " << size;
      // Visible on a black and on a white (high-contrast) taskbar: over
      // each, a sixteenth of the square or more keeps a contrast of 3:1 or
      // better with it.
      for (const double background : {0.0, 1.0}) {
        int seen = 0;
        for (DWORD p : pixels) {
          const double alpha = (p >> 24) / 255.0;
          double rgb[3];
          for (int c = 0; c < 3; ++c) {
            const double own = ((p >> (16 - 8 * c)) & 0xFF) / 255.0;
            const double mixed = own * alpha + background * (1 - alpha);
            rgb[c] = mixed <= 0.04045 ? mixed / 12.92 : std::pow((mixed + 0.055) / 1.055, 2.4);
          }
          const double luminance = 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
          const double lighter = std::max(luminance, background), darker = std::min(luminance, background);
          if ((lighter + 0.05) / (darker + 0.05) >= 3.0) ++seen;
        }
        EXPECT_GE(seen, size * size / 16) << id << " " << size << " on " << (background ? "white" : "black");
      }
      ::DeleteObject(info.hbmColor);
      ::DeleteObject(info.hbmMask);
      ::DestroyIcon(icon);
    }
  }
}

TEST_F(TrayResources, ManifestAsksForCommonControlsSixAndDpiAwareness) {
  HRSRC res = ::FindResourceA(module_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(res, nullptr);
  const DWORD size = ::SizeofResource(module_, res);
  const char* data = static_cast<const char*>(::LockResource(::LoadResource(module_, res)));
  ASSERT_NE(data, nullptr);
  const std::string manifest(data, size);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
}

// Template 107 laid out as the notice needs it; a dialog that only shows it.
class TemplateViewer : public rm::Dialog {};

TEST_F(TrayResources, NoDeviceTemplateLayoutAndStyles) {
  TemplateViewer viewer;
  HWND dialog = viewer.CreateModeless(module_, IDD_NODEVICES, nullptr);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(traytest::WindowText(dialog), "Zarn Radio Minder");
  const LONG style = ::GetWindowLongA(dialog, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(::GetDlgItem(dialog, IDCANCEL), nullptr);  // no Cancel: Esc must not close it

  struct Control {
    int id;
    RECT units;  // x, y, width, height
  };
  const Control controls[] = {{IDOK, {93, 109, 50, 16}}, {IDC_NODEV_DONTSHOW, {25, 92, 145, 10}},
                              {IDC_NODEV_TEXT, {25, 21, 189, 49}}};
  for (const Control& c : controls) {
    HWND item = ::GetDlgItem(dialog, c.id);
    ASSERT_NE(item, nullptr) << c.id;
    // The dialog manager converts position and size separately.
    RECT position = {c.units.left, c.units.top, 0, 0};
    RECT size = {0, 0, c.units.right, c.units.bottom};
    ::MapDialogRect(dialog, &position);
    ::MapDialogRect(dialog, &size);
    const RECT expected = {position.left, position.top, position.left + size.right, position.top + size.bottom};
    RECT actual = {};
    ::GetWindowRect(item, &actual);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left) << c.id;
    EXPECT_EQ(actual.top, expected.top) << c.id;
    EXPECT_EQ(actual.right - actual.left, expected.right - expected.left) << c.id;
    EXPECT_EQ(actual.bottom - actual.top, expected.bottom - expected.top) << c.id;
  }
  EXPECT_EQ(::GetWindowLongA(::GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(::GetWindowLongA(::GetDlgItem(dialog, IDC_NODEV_DONTSHOW), GWL_STYLE) & BS_TYPEMASK,
            BS_AUTOCHECKBOX);
  EXPECT_EQ(traytest::DlgItemText(dialog, IDOK), "OK");
  ::DestroyWindow(dialog);
  EXPECT_EQ(viewer.hwnd(), nullptr);
}

TEST_F(TrayResources, TrayWindowTemplateIsATinyHiddenPopup) {
  TemplateViewer viewer;
  HWND dialog = viewer.CreateModeless(module_, IDD_TRAYWINDOW, nullptr);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(::IsWindowVisible(dialog));
  EXPECT_TRUE(::GetWindowLongA(dialog, GWL_STYLE) & WS_POPUP);
  EXPECT_EQ(::GetWindow(dialog, GW_CHILD), nullptr);
  RECT expected = {0, 0, 5, 5};
  ::MapDialogRect(dialog, &expected);
  RECT client = {};
  ::GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, expected.right);
  EXPECT_EQ(client.bottom, expected.bottom);
  ::DestroyWindow(dialog);
}

}  // namespace
