// HelpViewer under Wine: one help viewer on the product's help file per
// caller, opened on a thread of its own without holding the caller's thread,
// until it is closed; closing ends its thread too; nothing at all without the
// HTML Help control.
//
// Wine's viewer finds a bare file name only in the current directory and in
// C:\windows\help (not beside the program), so the tests run with the folder
// of rmtray.exe, where the build puts the help file, as current directory.
#include "tray/windows/HelpLauncher.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/Registry.h"
#include "tests/support/TrayMachine.h"

namespace {

constexpr char kViewerClass[] = "HH Parent";
// Set in the environment of the child that runs without the control.
constexpr char kWithoutControlMarker[] = "RM_HELP_WITHOUT_CONTROL";
constexpr char kControlServerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

// Top-level help viewers of this process.
std::vector<HWND> Viewers() {
  std::vector<HWND> found;
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
        char cls[64] = {};
        DWORD pid = 0;
        ::GetClassNameA(hwnd, cls, sizeof cls);
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == ::GetCurrentProcessId() && std::string(cls) == kViewerClass) {
          reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string ClassOf(HWND hwnd) {
  char cls[64] = {};
  ::GetClassNameA(hwnd, cls, sizeof cls);
  return cls;
}

// The top-level entries of the viewer's table of contents.
std::vector<std::string> ContentsOf(HWND viewer) {
  HWND tree = nullptr;
  ::EnumChildWindows(
      viewer,
      [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
        if (ClassOf(hwnd) != WC_TREEVIEWA) return TRUE;
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&tree));
  std::vector<std::string> entries;
  if (!tree) return entries;
  for (auto item = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
       item = reinterpret_cast<HTREEITEM>(
           ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
    char text[128] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    entries.emplace_back(text);
  }
  return entries;
}

// Waits for `condition`, dispatching this thread's messages meanwhile.
bool PumpUntil(const std::function<bool()>& condition) {
  return traytest::WaitFor(
      [&] {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        return condition();
      },
      std::chrono::seconds(10));
}

// The viewer thread's answer (the viewer, or null), with this thread's
// messages dispatched meanwhile.
HWND Answer(const rm::HelpViewer& help) {
  EXPECT_TRUE(PumpUntil([&] { return !help.Opening(); }));
  return help.Window();
}

// The thread that runs `viewer`, opened to wait for its end.
rm::UniqueHandle ThreadOf(HWND viewer) {
  return rm::UniqueHandle(::OpenThread(SYNCHRONIZE, FALSE, ::GetWindowThreadProcessId(viewer, nullptr)));
}
bool Ended(const rm::UniqueHandle& thread) { return ::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }

// The HTML Help control's registration (the default value of its
// InprocServer32 key), removed for the object's lifetime. The key belongs to
// the build tree's whole prefix, so it is restored whatever happens.
class RegistrationRemoved {
 public:
  RegistrationRemoved() {
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, kControlServerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key_.put()) !=
        ERROR_SUCCESS) {
      return;
    }
    saved_ = rmtest::ReadValue(key_.get(), nullptr);
    if (!saved_.exists) return;
    removed_ = ::RegDeleteValueA(key_.get(), nullptr) == ERROR_SUCCESS;
  }
  ~RegistrationRemoved() {
    if (removed_)
      ::RegSetValueExA(key_.get(), nullptr, 0, saved_.type, saved_.data.data(), static_cast<DWORD>(saved_.data.size()));
  }
  bool removed() const { return removed_; }

 private:
  rm::UniqueRegKey key_;
  rmtest::RegValue saved_;
  bool removed_ = false;
};

// The child that runs without the control is a copy of this program under
// its own name, for which Wine's loader is told to refuse the control under
// any path: the per-program DLL override, which the loader reads at each load,
// so the child can lift it again.
constexpr char kChildName[] = "help_without_control.exe";
constexpr char kChildSettings[] = "Software\\Wine\\AppDefaults\\help_without_control.exe";
constexpr char kChildOverrides[] = "Software\\Wine\\AppDefaults\\help_without_control.exe\\DllOverrides";
constexpr char kControlName[] = "hhctrl.ocx";

// Runs `testName` in the child; its exit code, or -1 when it did not run or
// end in time.
int RunWithoutControl(const char* testName) {
  char exe[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string copy = exe;
  copy = copy.substr(0, copy.find_last_of("\\/") + 1) + kChildName;
  if (!::CopyFileA(exe, copy.c_str(), FALSE)) return -1;
  int result = -1;
  rm::UniqueRegKey overrides;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kChildOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, overrides.put(),
                        nullptr) == ERROR_SUCCESS &&
      ::RegSetValueExA(overrides.get(), kControlName, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) ==
          ERROR_SUCCESS) {
    ::SetEnvironmentVariableA(kWithoutControlMarker, "1");
    traytest::Process child =
        traytest::Process::Start(copy, std::string("--gtest_filter=HelpLauncherTest.") + testName);
    ::SetEnvironmentVariableA(kWithoutControlMarker, nullptr);
    DWORD code = 0;
    if (child.WaitExit(std::chrono::seconds(60), &code)) result = static_cast<int>(code);
  }
  overrides.reset();
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kChildSettings);
  ::DeleteFileA(copy.c_str());
  return result;
}

class HelpLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tray program's main thread is in the multithreaded apartment.
    comInit_ = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ASSERT_TRUE(SUCCEEDED(comInit_));
    ::GetCurrentDirectoryA(MAX_PATH, savedDirectory_);
    ASSERT_TRUE(::SetCurrentDirectoryA(traytest::BuildPath("tray").c_str()));
    caller_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(caller_, nullptr);
  }
  void TearDown() override {
    for (HWND viewer : Viewers()) ::SendMessageA(viewer, WM_CLOSE, 0, 0);
    if (caller_) ::DestroyWindow(caller_);
    ::SetCurrentDirectoryA(savedDirectory_);
    if (SUCCEEDED(comInit_)) ::CoUninitialize();
  }

  HRESULT comInit_ = E_FAIL;
  HWND caller_ = nullptr;
  char savedDirectory_[MAX_PATH] = {};
};

TEST_F(HelpLauncherTest, OneViewerOnAThreadOfItsOwnUntilItIsClosedThenANewOne) {
  EXPECT_STREQ(rm::kHelpTopic, "zarn_Radio_Minder_Help.chm::/WhatIs.htm");
  ASSERT_NE(::GetFileAttributesA(traytest::BuildPath("tray/zarn_Radio_Minder_Help.chm").c_str()),
            INVALID_FILE_ATTRIBUTES);
  rm::HelpViewer help;
  EXPECT_FALSE(help.Opening());
  EXPECT_EQ(help.Window(), nullptr);

  // Help returns before the viewer is there; a second press meanwhile
  // starts nothing.
  help.Show(caller_);
  EXPECT_TRUE(help.Opening());
  EXPECT_EQ(help.Window(), nullptr);
  help.Show(caller_);
  const HWND viewer = Answer(help);
  ASSERT_NE(viewer, nullptr);
  EXPECT_FALSE(help.Opening());
  EXPECT_EQ(ClassOf(viewer), kViewerClass);
  EXPECT_EQ(traytest::WindowText(viewer), "Zarn Radio Minder Help");
  EXPECT_EQ(::GetWindow(viewer, GW_OWNER), caller_);
  EXPECT_NE(::GetWindowThreadProcessId(viewer, nullptr), ::GetCurrentThreadId());
  EXPECT_EQ(Viewers(), std::vector<HWND>{viewer});
  const std::vector<std::string> contents = {"What is the Zarn Radio Minder?", "The tray icon and its menu",
                                             "The Wireless Status page", "The Properties page",
                                             "Settings in Control Panel"};
  EXPECT_EQ(ContentsOf(viewer), contents);

  // A press while it is open changes nothing.
  help.Show(caller_);
  EXPECT_FALSE(help.Opening());
  EXPECT_EQ(help.Window(), viewer);
  EXPECT_EQ(Viewers(), std::vector<HWND>{viewer});

  // The user closes it: its thread ends, and the next press opens a new
  // viewer on a new thread.
  rm::UniqueHandle thread = ThreadOf(viewer);
  ASSERT_TRUE(thread);
  ::PostMessageW(viewer, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return Ended(thread); }));
  EXPECT_FALSE(::IsWindow(viewer));
  EXPECT_EQ(help.Window(), nullptr);
  EXPECT_TRUE(Viewers().empty());
  help.Show(caller_);
  const HWND second = Answer(help);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ClassOf(second), kViewerClass);
  EXPECT_EQ(traytest::WindowText(second), "Zarn Radio Minder Help");
  EXPECT_EQ(::GetWindow(second, GW_OWNER), caller_);
  EXPECT_EQ(Viewers(), std::vector<HWND>{second});

  // Close returns with the viewer and its thread gone.
  thread = ThreadOf(second);
  ASSERT_TRUE(thread);
  help.Close();
  EXPECT_FALSE(::IsWindow(second));
  EXPECT_TRUE(Ended(thread));
  EXPECT_EQ(help.Window(), nullptr);
  EXPECT_TRUE(Viewers().empty());

  // Closed while the opening is in flight: the viewer thread closes the
  // viewer it gets, and Help opens a new one afterwards.
  help.Show(caller_);
  EXPECT_TRUE(help.Opening());
  help.Close();
  EXPECT_FALSE(help.Opening());
  EXPECT_EQ(help.Window(), nullptr);
  EXPECT_TRUE(Viewers().empty());
  help.Show(caller_);
  const HWND third = Answer(help);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(Viewers(), std::vector<HWND>{third});

  // WM_QUIT to the viewer's thread ends it, and the viewer with it.
  thread = ThreadOf(third);
  ASSERT_TRUE(thread);
  ASSERT_TRUE(::PostThreadMessageW(::GetWindowThreadProcessId(third, nullptr), WM_QUIT, 0, 0));
  ASSERT_TRUE(PumpUntil([&] { return Ended(thread); }));
  EXPECT_FALSE(::IsWindow(third));
  EXPECT_EQ(help.Window(), nullptr);
  EXPECT_TRUE(Viewers().empty());
}

// Without the control every press leaves no viewer and a null handle, with
// the registration removed (the control is then loaded by name) and with it
// in place (its registered location does not load); once the control can be
// loaded again, Help still does nothing in that process. Each case runs in a
// child, since the binding is made once per process.
TEST_F(HelpLauncherTest, WithoutTheControlHelpDoesNothing) {
  if (std::getenv(kWithoutControlMarker)) {
    rm::HelpViewer help;
    help.Show(caller_);
    EXPECT_EQ(Answer(help), nullptr);
    help.Show(caller_);
    EXPECT_EQ(Answer(help), nullptr);
    EXPECT_TRUE(Viewers().empty());

    // The control becomes loadable; the failed binding is not retried.
    ASSERT_EQ(::RegDeleteKeyValueA(HKEY_CURRENT_USER, kChildOverrides, kControlName), ERROR_SUCCESS);
    const HMODULE control = ::LoadLibraryA(kControlName);
    ASSERT_NE(control, nullptr);
    ::FreeLibrary(control);
    help.Show(caller_);
    EXPECT_FALSE(help.Opening());
    EXPECT_EQ(Answer(help), nullptr);
    EXPECT_TRUE(Viewers().empty());
    return;
  }
  {
    RegistrationRemoved registration;
    ASSERT_TRUE(registration.removed());
    EXPECT_EQ(RunWithoutControl("WithoutTheControlHelpDoesNothing"), 0) << "registration removed";
  }
  EXPECT_EQ(RunWithoutControl("WithoutTheControlHelpDoesNothing"), 0) << "registration in place";

  // The registration is back, and this process gets a viewer.
  rm::HelpViewer help;
  help.Show(caller_);
  EXPECT_NE(Answer(help), nullptr);
}

}  // namespace
