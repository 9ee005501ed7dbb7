// The tray program's pictures at the system DPI, and the scaled runs: this
// test program again, with the prefix at 144 and 192 DPI (the LogPixels
// value Wine reads at a process's start, set for the run and put back),
// running the picture test and the languages' fit test at that DPI.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ResourceIds.h"
#include "tests/windows/tray/DisplayScale.h"
#include "tests/support/TrayMachine.h"
#include "tray/core/ShellNotifyIcon.h"
#include "tray/windows/StatusPage.h"

namespace {

// A scaled run is per-monitor aware, as the programs are by their
// manifests; ordinary runs keep the test program's default.
const bool kAware = [] {
  if (!traytest::ScaledRunDpi()) return false;
  using SetContext = BOOL(WINAPI*)(void*);
  const auto set = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext")));
  return set && set(reinterpret_cast<void*>(static_cast<INT_PTR>(-4)));
}();

int IconWidth(HICON icon) {
  ICONINFO info = {};
  if (!icon || !::GetIconInfo(icon, &info)) return -1;
  BITMAP bits = {};
  ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bits, &bits);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  return bits.bmWidth;
}

class NoRadios : public rm::RadioControl {
 public:
  rm::RadioFlags Flags() const override { return rm::RadioFlags::Decode({0x03, 0x0D, 0x0D, 0}); }
  bool SwitchRadios(const rm::SwitchRequest&) override { return true; }
};

// What the notification icon hands the shell and what the status page
// shows, read back from the icons themselves; the caption icons of a
// window at that DPI.
TEST(DisplayScale, PicturesHaveTheSizeOfTheSystemDpi) {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  if (traytest::ScaledRunDpi()) {
    ASSERT_TRUE(kAware);
    ASSERT_EQ(dpi, traytest::ScaledRunDpi()) << "the prefix's DPI did not reach the scaled run";
  }
  struct Sizes {
    int dpi, trayIcon, picture;
  } const table[] = {{96, 16, 48}, {144, 24, 72}, {192, 32, 96}};
  const Sizes* want = nullptr;
  for (const Sizes& s : table) {
    if (s.dpi == dpi) want = &s;
  }
  ASSERT_NE(want, nullptr) << "no expectation at " << dpi << " DPI";

  const HMODULE module = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const HWND owner = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);

  rm::ShellNotifyIcon shell(module, WM_APP + 7);
  shell.SetOwner(owner);
  for (int iconId : {IDI_RADIO_ON, IDI_RADIO_OFF}) {
    rm::NotifyData data;
    data.flags = rm::kNifMessage | rm::kNifIcon;
    data.iconId = iconId;
    shell.Notify(rm::IconMessage::kAdd, data);  // whether or not a taskbar takes it
    EXPECT_EQ(IconWidth(shell.Image()), want->trayIcon) << "tray icon " << iconId;
    data.flags = 0;
    shell.Notify(rm::IconMessage::kDelete, data);
  }

  NoRadios radios;
  rm::StatusPage page(module, IDD_STATUS_BOTH_BIOS);
  const HWND window = page.Create(owner, radios);
  ASSERT_NE(window, nullptr);
  const auto picture = reinterpret_cast<HICON>(::SendDlgItemMessageA(window, IDC_ST_PICTURE, STM_GETICON, 0, 0));
  EXPECT_EQ(IconWidth(picture), want->picture);
  ::DestroyWindow(window);
  ::DestroyWindow(owner);
  ::FreeLibrary(module);
}

// The scaled runs, one at a time; the prefix's DPI is put back after each,
// also when the run fails.
TEST(DisplayScale, TextsFitAndPicturesScaleAt144And192Dpi) {
  if (traytest::ScaledRunDpi()) GTEST_SKIP() << "inside a scaled run";
  const char* key = "Control Panel\\Desktop";
  const rmtest::RegValue before = rmtest::ReadValue(HKEY_CURRENT_USER, key, "LogPixels");
  char self[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  for (int dpi : {144, 192}) {
    ASSERT_TRUE(rmtest::WriteDword(HKEY_CURRENT_USER, key, "LogPixels", static_cast<DWORD>(dpi)));
    ::SetEnvironmentVariableA("RM_TEST_DPI", std::to_string(dpi).c_str());
    rmtest::StartOptions options;
    options.output = rmtest::Output::kPipe;
    options.flags = CREATE_NO_WINDOW;
    const rmtest::RunResult run = rmtest::Run(
        self, "--gtest_filter=DisplayScale.PicturesHaveTheSizeOfTheSystemDpi:*Languages*", options,
        std::chrono::seconds(300));
    ::SetEnvironmentVariableA("RM_TEST_DPI", nullptr);
    if (before.exists) {
      rmtest::WriteValue(HKEY_CURRENT_USER, key, "LogPixels", before.type, before.data.data(),
                         static_cast<DWORD>(before.data.size()));
    } else {
      ::RegDeleteKeyValueA(HKEY_CURRENT_USER, key, "LogPixels");
    }
    EXPECT_EQ(run.code, 0) << dpi << " DPI:\n" << run.out;
    EXPECT_NE(run.out.find("[  PASSED  ] 9 tests"), std::string::npos) << dpi << " DPI:\n" << run.out;
  }
}

}  // namespace
