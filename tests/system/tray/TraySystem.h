// The fixture of the system tests of rmtray.exe: starting it, finding its
// windows, ending it, and reading what it left in the registry.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TrayMachine.h"

namespace traytest {


inline constexpr char kCaption[] = "Zarn Radio Minder";
inline constexpr char kUnsupportedText[] = "The Zarn Radio Minder is not supported on this machine.";
inline constexpr char kGuestText[] =
    "The Zarn Radio Minder is not supported for use by a Windows Guest user. Select the OK button to close the "
    "Zarn Radio Minder.";
inline constexpr char kMutexName[] = "Local\\zarnRadioMinder-088FA840-B10D-11D3-BC36-006067709674";
inline constexpr int kNoticeCheckBox = 1026;

// Whether the tests run as the user "Guest" (RM_TEST_USER=Guest, the guest
// run of CMakeLists.txt) or as anyone else; the name matters to rmtray only
// after the firmware could not be reached.
inline bool RunAsGuest() {
  const char* user = std::getenv("RM_TEST_USER");
  return user && std::strcmp(user, "Guest") == 0;
}

class TraySystem : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(traytest::StandInBuilt()) << traytest::FwsimExe();
    ASSERT_EQ(traytest::CurrentUserName() == "Guest", RunAsGuest()) << traytest::CurrentUserName();
  }

  // Started in its own folder, as from Explorer: Wine's help viewer finds
  // the help file beside it only there.
  static Process StartTray(const std::string& args = std::string()) {
    Process p = Process::Start(traytest::TrayExe(), args, traytest::BuildPath("tray").c_str());
    EXPECT_TRUE(p) << traytest::TrayExe();
    return p;
  }

  // The hidden tray window of a running rmtray.
  static HWND WaitForTrayWindow(const Process& p) {
    return traytest::WaitForProcessWindow(p.id(), "#32770", "", /*visible=*/false);
  }
  // A visible dialog (message box or notice) captioned with the product name.
  static HWND WaitForNotice(const Process& p) { return traytest::WaitForProcessWindow(p.id(), "#32770", kCaption); }

  static bool MutexExists() {
    HANDLE m = ::OpenMutexA(SYNCHRONIZE, FALSE, kMutexName);
    if (!m) return false;
    ::CloseHandle(m);
    return true;
  }

  // Ends a running rmtray the only way it ends: command 1 to its tray window.
  static void EndWithCommandOne(const Process& p, HWND tray) {
    ASSERT_TRUE(::PostMessageA(tray, WM_COMMAND, MAKEWPARAM(1, 0), 0));
    DWORD code = 1234;
    ASSERT_TRUE(p.WaitExit(std::chrono::seconds(15), &code));
    EXPECT_EQ(code, 0u);
  }

  // DebugInfo as 14 signed values; empty when absent or not 56 bytes.
  static std::vector<std::int32_t> DebugInfo() {
    const auto v = traytest::ReadSetting("DebugInfo");
    std::vector<std::int32_t> slots;
    if (!v.exists || v.type != REG_BINARY || v.data.size() != 56) return slots;
    slots.resize(14);
    std::memcpy(slots.data(), v.data.data(), 56);
    return slots;
  }

  // Presses OK of a message box and waits for the program to end with 0.
  static void CloseBoxAndExpectEnd(const Process& p, HWND box) {
    ::SendMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    DWORD code = 1234;
    ASSERT_TRUE(p.WaitExit(std::chrono::seconds(15), &code));
    EXPECT_EQ(code, 0u);
  }
};

}  // namespace traytest
