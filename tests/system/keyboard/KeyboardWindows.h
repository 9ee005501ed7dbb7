// Opening the tray program's properties window and the applet's sheet for
// the keyboard and screen-reader tests, on the stand-in's notebook with
// both radios and a fresh settings key.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/SettingsNames.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/Fwsim.h"
#include "tests/support/Process.h"
#include "tests/support/Registry.h"
#include "tests/support/WaitFor.h"
#include "tests/support/Windows.h"

namespace keystest {

using rmtest::Process;
using rmtest::WaitFor;

inline constexpr char kTitle[] = "Zarn Radio Minder";

inline void DeleteSettingsKey() { ::RegDeleteTreeA(HKEY_CURRENT_USER, rm::kSettingsKeyPath); }

inline DWORD SettingDword(const char* name) {
  const rmtest::RegValue v = rmtest::ReadValue(HKEY_CURRENT_USER, rm::kSettingsKeyPath, name);
  return v.exists ? v.AsDword() : 0xFFFFFFFF;
}

class KeyboardWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rmtest::FwsimBuilt()) << rmtest::FwsimExe();
    DeleteSettingsKey();
    rmtest::Fwsim("fault clear");
    ASSERT_EQ(rmtest::Fwsim("profile both"), 0);
  }
  void TearDown() override {
    if (tray_ && tray_.Running()) {
      if (trayWindow_) ::PostMessageA(trayWindow_, WM_COMMAND, MAKEWPARAM(1, 0), 0);
      tray_.WaitExit(std::chrono::seconds(15));
    }
    DeleteSettingsKey();
  }

  // Starts rmtray in its folder and waits for its hidden tray window.
  void StartTray() {
    tray_ = Process::Start(rmtest::TrayExe(), "", rmtest::BuildPath("tray").c_str());
    ASSERT_TRUE(tray_) << rmtest::TrayExe();
    trayWindow_ = rmtest::WaitForProcessWindow(tray_.id(), "#32770", "", /*visible=*/false);
    ASSERT_NE(trayWindow_, nullptr);
  }
  // The properties window, opened as the help's "open status page" does.
  HWND OpenProperties() {
    ::PostMessageA(trayWindow_, ::RegisterWindowMessageA("ZARN_RADIOMINDER_OPENSTATPAGE"), 0, 0);
    return rmtest::WaitForProcessWindow(tray_.id(), "#32770", kTitle);
  }
  // The icon's callback as the shell sends it to the tray window.
  void IconCallback(WPARAM wParam, LPARAM lParam) {
    ::PostMessageA(trayWindow_, ::RegisterWindowMessageA("ZARN_RADIOMINDER_TRAYICON"), wParam, lParam);
  }

  // The applet through Wine's Control Panel host; its sheet.
  static Process OpenApplet() {
    std::string system(MAX_PATH, '\0');
    system.resize(::GetSystemDirectoryA(&system[0], MAX_PATH));
    return Process::Start(system + "\\control.exe", "\"" + rmtest::BuildWinPath("panel/rmpanel.cpl") + "\"");
  }
  static HWND WaitForSheet(const Process& host) { return rmtest::WaitForProcessWindow(host.id(), "#32770", kTitle); }

  Process tray_;
  HWND trayWindow_ = nullptr;
};

}  // namespace keystest
