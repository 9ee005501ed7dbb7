// NoDevicesNotice and the dialog base, run in this process from the
// resources of rmtray.exe and driven from a second thread.
#include "tray/windows/Notices.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "tests/support/TrayMachine.h"
#include "tray/res/resource.h"

namespace {

constexpr char kCaption[] = "Zarn Radio Minder";

// The first visible dialog-class window of `thread`, whatever its caption.
HWND VisibleDialogOf(DWORD thread) {
  HWND found = nullptr;
  ::EnumThreadWindows(
      thread,
      [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
        char cls[64] = {};
        ::GetClassNameA(hwnd, cls, sizeof cls);
        if (std::strcmp(cls, "#32770") != 0 || !::IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class NoDevicesNoticeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
    traytest::DeleteSettingsKey();
    ASSERT_TRUE(traytest::CreateSettingsKey());
  }
  void TearDown() override {
    traytest::DeleteSettingsKey();
    if (module_) ::FreeLibrary(module_);
  }

  // Shows the notice on this thread while `drive` runs on another with the
  // notice's window; returns whether the notice closed. The window is found
  // by thread and class, so a wrong caption fails here at once and the
  // notice is closed without being driven.
  bool Run(const std::function<void(HWND)>& drive) {
    rm::NoDevicesNotice notice(module_, settings_);
    const DWORD thread = ::GetCurrentThreadId();
    std::atomic<bool> closed{false};
    HWND dialog = nullptr;
    std::string caption;
    std::thread driver([&] {
      traytest::WaitFor([&] { return closed || (dialog = VisibleDialogOf(thread)) != nullptr; },
                        std::chrono::seconds(15));
      if (dialog) caption = traytest::WindowText(dialog);
      if (dialog && caption == kCaption) drive(dialog);
      // Whatever the driver did, the notice must end for the test to go on.
      if (!traytest::WaitFor([&] { return closed.load(); },
                             std::chrono::milliseconds(caption == kCaption ? 5000 : 0))) {
        lostNotice_ = true;
        if (dialog) ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        // A modal loop ends on WM_QUIT whatever its dialog does.
        if (!traytest::WaitFor([&] { return closed.load(); }, std::chrono::seconds(5)))
          ::PostThreadMessageA(thread, WM_QUIT, 0, 0);
      }
    });
    const INT_PTR result = notice.Show(nullptr);
    closed = true;
    driver.join();
    MSG quit;
    while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    EXPECT_NE(dialog, nullptr) << "no visible dialog on the notice's thread within 15 s";
    if (dialog) {
      EXPECT_EQ(caption, kCaption) << "the notice's caption";
    }
    EXPECT_EQ(result, 0);
    return !lostNotice_;
  }

  static void Click(HWND dialog, int id) { ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  static LRESULT CheckState(HWND dialog) {
    return ::SendDlgItemMessageA(dialog, IDC_NODEV_DONTSHOW, BM_GETCHECK, 0, 0);
  }

  HMODULE module_ = nullptr;
  rm::Settings settings_;
  bool lostNotice_ = false;
};

TEST_F(NoDevicesNoticeTest, ShowsItsTextsAndOkUntouchedWritesNothing) {
  std::string text, box;
  LRESULT state = -1;
  EXPECT_TRUE(Run([&](HWND dialog) {
    text = traytest::DlgItemText(dialog, IDC_NODEV_TEXT);
    box = traytest::DlgItemText(dialog, IDC_NODEV_DONTSHOW);
    state = CheckState(dialog);
    Click(dialog, IDOK);
  }));
  EXPECT_EQ(text,
            "The Zarn Radio Minder did not detect any supported wireless devices. Select the OK button to close "
            "the Zarn Radio Minder.");
  EXPECT_EQ(box, "Do not show this dialog box again");
  EXPECT_EQ(state, BST_UNCHECKED);
  EXPECT_FALSE(traytest::ReadSetting("DoNotShowNoDevDlg").exists);
  EXPECT_EQ(settings_.doNotShowNoDevDlg, 0u);
}

TEST_F(NoDevicesNoticeTest, TickedBoxIsStoredByOk) {
  EXPECT_TRUE(Run([&](HWND dialog) {
    Click(dialog, IDC_NODEV_DONTSHOW);
    Click(dialog, IDOK);
  }));
  EXPECT_EQ(traytest::ReadSetting("DoNotShowNoDevDlg").AsDword(), 1u);
  EXPECT_EQ(settings_.doNotShowNoDevDlg, 1u);
}

TEST_F(NoDevicesNoticeTest, TickedBoxIsStoredByTheCloseBox) {
  EXPECT_TRUE(Run([&](HWND dialog) {
    Click(dialog, IDC_NODEV_DONTSHOW);
    ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  }));
  EXPECT_EQ(traytest::ReadSetting("DoNotShowNoDevDlg").AsDword(), 1u);
}

TEST_F(NoDevicesNoticeTest, TickedAndUntickedWritesNothing) {
  EXPECT_TRUE(Run([&](HWND dialog) {
    Click(dialog, IDC_NODEV_DONTSHOW);
    Click(dialog, IDC_NODEV_DONTSHOW);
    ::PostMessageA(dialog, WM_CLOSE, 0, 0);
  }));
  EXPECT_FALSE(traytest::ReadSetting("DoNotShowNoDevDlg").exists);
}

TEST_F(NoDevicesNoticeTest, UntickingAStoredChoiceStoresZero) {
  settings_.doNotShowNoDevDlg = 1;
  EXPECT_TRUE(Run([&](HWND dialog) { Click(dialog, IDOK); }));
  EXPECT_EQ(traytest::ReadSetting("DoNotShowNoDevDlg").AsDword(), 0u);
  EXPECT_EQ(settings_.doNotShowNoDevDlg, 0u);
}

TEST_F(NoDevicesNoticeTest, EscapeDoesNotCloseIt) {
  bool stillOpen = false;
  EXPECT_TRUE(Run([&](HWND dialog) {
    HWND box = ::GetDlgItem(dialog, IDC_NODEV_DONTSHOW);
    ::PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    // Posted messages are handled in order: once the later click shows, the
    // Esc key has been through the dialog's loop.
    ::PostMessageA(box, BM_CLICK, 0, 0);
    traytest::WaitFor([&] { return CheckState(dialog) == BST_CHECKED; }, std::chrono::seconds(5));
    stillOpen = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
    Click(dialog, IDOK);
  }));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(traytest::ReadSetting("DoNotShowNoDevDlg").AsDword(), 1u);
}

TEST_F(NoDevicesNoticeTest, WithoutTheKeyItClosesAndCreatesNothing) {
  traytest::DeleteSettingsKey();
  EXPECT_TRUE(Run([&](HWND dialog) {
    Click(dialog, IDC_NODEV_DONTSHOW);
    Click(dialog, IDOK);
  }));
  EXPECT_FALSE(traytest::SettingsKeyExists());
  EXPECT_EQ(settings_.doNotShowNoDevDlg, 0u);
}

// The dialog base reflects a notification no handler took back to its
// control, as message + 0x2000, and reflects nothing that was handled.
class PlainDialog : public rm::Dialog {};

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_COMMAND + rm::kReflectBase) ++*reinterpret_cast<int*>(data);
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST(DialogBase, ReflectsUnhandledNotificationsToTheControl) {
  HMODULE module = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  PlainDialog plain;
  HWND dialog = plain.CreateModeless(module, IDD_NODEVICES, nullptr);
  ASSERT_NE(dialog, nullptr);
  HWND box = ::GetDlgItem(dialog, IDC_NODEV_DONTSHOW);
  int reflected = 0;
  ASSERT_TRUE(::SetWindowSubclass(box, RecordingProc, 1, reinterpret_cast<DWORD_PTR>(&reflected)));
  ::SendMessageA(box, BM_CLICK, 0, 0);
  EXPECT_EQ(reflected, 1);
  // A command without a control (a menu or accelerator) is not reflected.
  ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_NODEV_DONTSHOW, 0), 0);
  EXPECT_EQ(reflected, 1);
  ::RemoveWindowSubclass(box, RecordingProc, 1);
  ::DestroyWindow(dialog);
  EXPECT_EQ(plain.hwnd(), nullptr);
  ::FreeLibrary(module);
}

}  // namespace
