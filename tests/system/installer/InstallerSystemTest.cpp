// The shipped 32-bit setup program in a fresh 64-bit prefix
// (fresh-prefix.sh), as an administrator and a user meet it: refused on
// Windows Vista, a silent install into "Program Files (x86)" and everything it
// registers in the 32-bit registry view (and nothing in the 64-bit one), the
// bridge activated through COM, the applet in the 32-bit Control Panel,
// rmtray started as at logon, rmctl status, an upgrade over itself while
// rmtray and the service run, and silent uninstalls that leave only the
// users' settings (or not even those). A folder of one's own (/D=): the
// folder's access list, a link there refused, a vtqwmi.exe planted there
// never run, and no link followed by the uninstall.
//
// This program is a 32-bit process too: its own registry reads would land in
// the 32-bit view and %ProgramFiles% is "C:\Program Files (x86)" for it, so
// every read names its view and every path is written out.
#include <windows.h>

#include <aclapi.h>
#include <commctrl.h>
#include <sddl.h>

#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "tests/support/BuildPaths.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/Registry.h"
#include "tests/support/ResourceIds.h"
#include "tests/system/panel/PanelDriver.h"
#include "tests/system/tray/NotifyArea.h"
#include "tests/support/TrayMachine.h"
#include "vtqwmi.h"

namespace installertest {
namespace {

using traytest::Process;
using traytest::WaitFor;

const std::string kDir = "C:\\Program Files (x86)\\Zarn Radio Minder";
// Where a 64-bit installation would go: nothing may land there.
constexpr char kDir64[] = "C:\\Program Files\\Zarn Radio Minder";
const std::string kSetupName = std::string("RadioMinderSetup-") + RM_VERSION + "-x86.exe";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zarn Radio Minder";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kCplsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";
constexpr char kAppId[] = "{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";
constexpr char kMarkerFolder[] = "C:\\Program Files (x86)\\VTQ\\Shared";
constexpr char kLogFolder[] = "C:\\ProgramData\\vtqwmi";
constexpr char kLogFile[] = "C:\\ProgramData\\vtqwmi\\vtqwmi.log";
constexpr char kPlantedRan[] = "C:\\planted-ran.txt";
constexpr UINT kIconId = 201;

std::string SetupExe() { return rmtest::WinPath(RM_SETUP_EXE); }
std::string StagedFile(const char* name) { return rmtest::BuildWinPath("installer/stage/") + name; }
std::string BuiltFile(const char* relative) { return rmtest::BuildWinPath(relative); }

// The folder's access list as stored, in SDDL. Windows keeps the
// descriptor the setup gave: `given` ("D:P..."). The Wine of these tests
// keeps none (its server stores no extended attributes): it keeps Unix mode
// bits and shows them as a list of the system, the user and, when others
// may read, Everyone. There a list with no Everyone entry is the image of
// the setup's (the folder's inherited list gives Everyone read and run).
::testing::Matcher<std::string> StoredAsGiven(const std::string& given) {
  return ::testing::AnyOf(given, std::string("D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)"));
}
std::string StoredDacl(const std::string& path) { return rmtest::FileSecurity(path, DACL_SECURITY_INFORMATION); }
constexpr char kInstallDirList[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
constexpr char kLogFolderList[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";

using rmtest::KeyExists;
using rmtest::RegValue;
// `view`: KEY_WOW64_32KEY or KEY_WOW64_64KEY, the registry view read.
RegValue Read(HKEY root, const std::string& path, const char* name, REGSAM view) {
  return rmtest::ReadValue(root, path, name, view);
}
bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
LONGLONG SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA a = {};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
  return (static_cast<LONGLONG>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// What the install writes, as data: each value once installed, read in the
// 32-bit view; after the uninstall none of the keys exist, and none of the
// values. As on Windows 7 and later, HKLM\Software and the COM classes
// (CLSID) have a 64-bit twin, where the install must write nothing; the
// services, AppID, the ProgIDs and TypeLib are one key for both views. Of
// what the bridge's "-Service" registers, one value of each kind of key shows
// that it ran from the installed folder in the 32-bit view (every value it
// writes: tests/system/bridge/RegistrationTest.cpp).
struct Expected {
  HKEY root;
  std::string key;
  const char* value;  // null: the default value
  std::string text;   // a REG_SZ value; empty with a DWORD
  DWORD number;
  bool sharedByBothViews = false;
};
std::vector<Expected> InstalledValues() {
  const std::string cls1 = "CLSID\\{7DC5B2D7-CACC-47F2-836E-4DF85F026072}";
  const std::string cls2 = "CLSID\\{3F69327D-4A1C-4092-A219-910FAA92975C}";
  const std::string server = "\"" + kDir + "\\vtqwmi.exe\"";
  const std::string relay = std::string("Software\\VTQ\\") + kAppId + "\\";
  return {
      {HKEY_CLASSES_ROOT, std::string("AppID\\") + kAppId, nullptr, "vtqwmi", 0, true},
      {HKEY_CLASSES_ROOT, cls1 + "\\LocalServer32", nullptr, server, 0},
      {HKEY_CLASSES_ROOT, cls2 + "\\LocalServer32", nullptr, server, 0},
      {HKEY_CLASSES_ROOT, "Vtqwmi.vtqCallBiosEx.1", nullptr, "vtqCallBiosEx Class", 0, true},
      {HKEY_CLASSES_ROOT, "TypeLib\\{E42CC8E5-C25D-4864-B25C-84332DC9BF2B}\\1.0", nullptr, "vtqwmi 1.0 Type Library",
       0, true},
      {HKEY_LOCAL_MACHINE, relay + "VtqWmiBiosWirelessEvent", "vtqBEvntID", "", 5},
      {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\vtqwmi\\Parameters", "MaxAllowed", "", 0, true},
      {HKEY_LOCAL_MACHINE, kRunKey, "Zarn Radio Minder", "\"" + kDir + "\\rmtray.exe\"", 0},
      {HKEY_LOCAL_MACHINE, kCplsKey, "rmpanel", kDir + "\\rmpanel.cpl", 0},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Zarn Radio Minder", 0},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher", "VTQ", 0},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", RM_VERSION, 0},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon", kDir + "\\rmtray.exe,0", 0},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", kDir, 0},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "\"" + kDir + "\\uninstall.exe\"", 0},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", "\"" + kDir + "\\uninstall.exe\" /S", 0},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify", "", 1},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair", "", 1},
  };
}
// Keys that only the install creates (the values of the shared keys Run and
// Cpls are in the table above), and whether both registry views see them.
const struct {
  HKEY root;
  const char* path;
  bool sharedByBothViews;
} kOwnKeys[] = {
    {HKEY_CLASSES_ROOT, "AppID\\{851CCB28-8554-4D67-9F9C-00198C4FA2C4}", true},
    {HKEY_CLASSES_ROOT, "AppID\\vtqwmi.EXE", true},
    {HKEY_CLASSES_ROOT, "CLSID\\{7DC5B2D7-CACC-47F2-836E-4DF85F026072}", false},
    {HKEY_CLASSES_ROOT, "CLSID\\{3F69327D-4A1C-4092-A219-910FAA92975C}", false},
    {HKEY_CLASSES_ROOT, "Vtqwmi.vtqCallBiosEx.1", true},
    {HKEY_CLASSES_ROOT, "Vtqwmi.vtqCallBiosEx", true},
    {HKEY_CLASSES_ROOT, "vtqwmi.WmiKestrel.1", true},
    {HKEY_CLASSES_ROOT, "vtqwmi.WmiKestrel", true},
    {HKEY_CLASSES_ROOT, "TypeLib\\{E42CC8E5-C25D-4864-B25C-84332DC9BF2B}", true},
    {HKEY_LOCAL_MACHINE, "Software\\VTQ", false},
    {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\vtqwmi", true},
    {HKEY_LOCAL_MACHINE, kUninstallKey, false},
};
const char* const kInstalledFiles[] = {"rmtray.exe", "vtqwmi.exe", "rmpanel.cpl", "rmctl.exe",
                                       "zarn_Radio_Minder_Help.chm", "uninstall.exe"};

struct BridgeService {
  bool exists = false;
  DWORD state = 0, startType = 0, type = 0;
  std::string path, displayName;
};
BridgeService QueryBridge() {
  BridgeService s;
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return s;
  rm::UniqueServiceHandle service(
      ::OpenServiceA(manager.get(), "vtqwmi", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
  if (!service) return s;
  s.exists = true;
  SERVICE_STATUS status = {};
  if (::QueryServiceStatus(service.get(), &status)) s.state = status.dwCurrentState;
  std::vector<BYTE> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (::QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed)) {
    s.startType = config->dwStartType;
    s.type = config->dwServiceType;
    s.path = config->lpBinaryPathName ? config->lpBinaryPathName : "";
    s.displayName = config->lpDisplayName ? config->lpDisplayName : "";
  }
  return s;
}

// A program's exit code and what it wrote to its standard output (through a
// file: the program ends before the test reads).
struct Captured {
  long code = -1;
  std::string out;
};
Captured RunCaptured(const std::string& exe, const std::string& args) {
  rmtest::StartOptions options;
  options.output = rmtest::Output::kFile;
  options.flags = CREATE_NO_WINDOW;
  const rmtest::RunResult run = rmtest::Run(exe, args, options, std::chrono::seconds(60));
  return {run.code, run.out};
}

using rmtest::IsReparsePoint;
using rmtest::UnixPath;
// A link at `link` to the folder `target`. Wine's CreateSymbolicLink makes
// nothing and it makes no junctions, but it shows a Unix symbolic link to a
// folder as a reparse point: that is made with the Unix tool.
bool PlantFolderLink(const std::string& link, const std::string& target) {
  const std::string unixLink = UnixPath(link), unixTarget = UnixPath(target);
  if (unixLink.empty() || unixTarget.empty()) return false;
  const Captured ln = RunCaptured("Z:\\bin\\ln", "-s " + unixTarget + " " + unixLink);
  if (WaitFor([&] { return IsReparsePoint(link); }, std::chrono::seconds(5))) return true;
  std::printf("ln -s %s %s: exit code %ld, %s\n", unixTarget.c_str(), unixLink.c_str(), ln.code, ln.out.c_str());
  return false;
}
void RemoveFolderLink(const std::string& link) { RunCaptured("Z:\\bin\\rm", "-f " + UnixPath(link)); }
void WriteText(const std::string& path, const char* text) {
  rm::UniqueFile f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(f && ::WriteFile(f.get(), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr)) << path;
}
std::string ReadText(const std::string& path) {
  rm::UniqueFile f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return "(missing)";
  char buffer[512] = {};
  DWORD got = 0;
  ::ReadFile(f.get(), buffer, sizeof buffer - 1, &got, nullptr);
  return std::string(buffer, got);
}
// The planted vtqwmi.exe in `folder`.
void PlantBridge(const std::string& folder) {
  ::CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(::CopyFileA(rmtest::WinPath(RM_PLANTED_BRIDGE).c_str(), (folder + "\\vtqwmi.exe").c_str(), FALSE));
}

class InstallerSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Exists(SetupExe())) << SetupExe();
    // Wine's per-program Windows version is keyed by the file's name.
    const std::string exe = SetupExe();
    ASSERT_EQ(exe.substr(exe.rfind('\\') + 1), kSetupName);
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  }
  void TearDown() override { ::CoUninitialize(); }

  // The Windows version Wine reports to the setup program alone; empty:
  // the prefix's own.
  static void SetSetupWindowsVersion(const char* version) {
    const std::string key = "Software\\Wine\\AppDefaults\\" + kSetupName;
    if (!*version) {
      ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
      return;
    }
    HKEY k = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                     static_cast<DWORD>(std::strlen(version) + 1));
    ::RegCloseKey(k);
  }

  static DWORD RunSetup(const std::string& args = "/S") {
    Process setup = Process::Start(SetupExe(), args);
    DWORD code = 1234;
    EXPECT_TRUE(setup.WaitExit(std::chrono::seconds(120), &code));
    return code;
  }

  // The quiet uninstall runs from a copy of itself that the uninstaller
  // starts and does not wait for: done when its entry, removed last, is gone.
  static void UninstallQuietly(const std::string& extra = std::string()) {
    Process uninstall = Process::Start(kDir + "\\uninstall.exe", "/S" + extra);
    ASSERT_TRUE(uninstall);
    ASSERT_TRUE(WaitFor([] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY) && !Exists(kDir); },
                        std::chrono::seconds(60)));
  }

  // rmtray as the Run value starts it at logon, from its folder.
  Process StartTrayAsAtLogon() {
    const RegValue run = Read(HKEY_LOCAL_MACHINE, kRunKey, "Zarn Radio Minder", KEY_WOW64_32KEY);
    EXPECT_EQ(run.text, "\"" + kDir + "\\rmtray.exe\"");
    Process tray = Process::Start(kDir + "\\rmtray.exe", "", kDir.c_str());
    EXPECT_TRUE(tray);
    return tray;
  }
  static HWND TrayWindowOf(const Process& tray) {
    return traytest::WaitForProcessWindow(tray.id(), "#32770", "", /*visible=*/false);
  }

  static void ExpectInstalled() {
    for (const Expected& e : InstalledValues()) {
      const RegValue v = Read(e.root, e.key, e.value, KEY_WOW64_32KEY);
      const std::string where = e.key + " : " + (e.value ? e.value : "(default)");
      ASSERT_TRUE(v.exists) << where;
      if (!e.sharedByBothViews) {
        EXPECT_FALSE(Read(e.root, e.key, e.value, KEY_WOW64_64KEY).exists) << "64-bit " << where;
      }
      if (e.text.empty()) {
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << where;
        EXPECT_EQ(v.number, e.number) << where;
      } else {
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ)) << where;
        EXPECT_EQ(v.text, e.text) << where;
      }
    }
    // The shipped files are the stripped ones, smaller than the build's.
    LONGLONG total = 0;
    for (const char* name : kInstalledFiles) {
      const LONGLONG size = SizeOf(kDir + "\\" + name);
      EXPECT_GT(size, 0) << name;
      total += size;
    }
    const struct {
      const char* name;
      const char* built;
    } stripped[] = {{"rmtray.exe", "tray/rmtray.exe"}, {"vtqwmi.exe", "bridge/vtqwmi.exe"},
                    {"rmpanel.cpl", "panel/rmpanel.cpl"}, {"rmctl.exe", "rmctl/rmctl.exe"}};
    for (const auto& s : stripped) {
      EXPECT_EQ(SizeOf(kDir + "\\" + s.name), SizeOf(StagedFile(s.name))) << s.name;
      EXPECT_LT(SizeOf(kDir + "\\" + s.name), SizeOf(BuiltFile(s.built))) << s.name;
    }
    const RegValue estimated = Read(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", KEY_WOW64_32KEY);
    EXPECT_EQ(estimated.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_NEAR(static_cast<double>(estimated.number), static_cast<double>(total) / 1024, 8.0);
    EXPECT_TRUE(Exists(kMarkerFolder));
    EXPECT_THAT(StoredDacl(kDir), StoredAsGiven(kInstallDirList));
    // The log folder is there before the service first runs.
    EXPECT_THAT(StoredDacl(kLogFolder), StoredAsGiven(kLogFolderList));
    for (const auto& key : kOwnKeys) {
      if (!key.sharedByBothViews) {
        EXPECT_FALSE(KeyExists(key.root, key.path, KEY_WOW64_64KEY)) << "64-bit " << key.path;
      }
    }
    EXPECT_FALSE(Exists(kDir64));
    EXPECT_FALSE(Exists("C:\\Program Files\\VTQ"));

    const BridgeService bridge = QueryBridge();
    ASSERT_TRUE(bridge.exists);
    EXPECT_EQ(bridge.state, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(bridge.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(bridge.type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(bridge.path, "\"" + kDir + "\\vtqwmi.exe\"");
    EXPECT_EQ(bridge.displayName, "Zarn WMI Interface");
  }

  static void ExpectNothingLeft() {
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      const char* bits = view == KEY_WOW64_32KEY ? "32-bit " : "64-bit ";
      for (const Expected& e : InstalledValues()) {
        EXPECT_FALSE(Read(e.root, e.key, e.value, view).exists)
            << bits << e.key << " : " << (e.value ? e.value : "(default)");
      }
      for (const auto& key : kOwnKeys) EXPECT_FALSE(KeyExists(key.root, key.path, view)) << bits << key.path;
    }
    EXPECT_FALSE(QueryBridge().exists);
    EXPECT_FALSE(Exists(kDir));
    EXPECT_FALSE(Exists(kDir64));
    EXPECT_FALSE(Exists("C:\\Program Files (x86)\\VTQ"));
    EXPECT_FALSE(Exists("C:\\Program Files\\VTQ"));
    EXPECT_FALSE(Exists("C:\\ProgramData\\vtqwmi"));
  }
};

TEST_F(InstallerSystem, InstallsUpgradesAndUninstallsSilentlyLeavingOnlyTheUsersSettings) {
  // Refused just below the oldest supported Windows (7), with nothing written.
  SetSetupWindowsVersion("vista");
  EXPECT_NE(RunSetup(), 0u);
  EXPECT_FALSE(Exists(kDir));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
  EXPECT_FALSE(QueryBridge().exists);
  SetSetupWindowsVersion("");

  ASSERT_EQ(RunSetup(), 0u);
  ExpectInstalled();
  EXPECT_FALSE(Exists(kLogFile));

  // COM starts the installed bridge as the service; its relay leaves the
  // marker file in the folder the install made, and its log starts.
  {
    rm::ComPtr<IvtqCallBiosEx> bridge;
    ASSERT_EQ(::CoCreateInstance(CLSID_vtqCallBiosEx, nullptr, CLSCTX_LOCAL_SERVER, IID_IvtqCallBiosEx,
                                 bridge.put_void()),
              S_OK);
    EXPECT_TRUE(WaitFor([] { return QueryBridge().state == SERVICE_RUNNING; }, std::chrono::seconds(10)));
    EXPECT_EQ(bridge->vtqSetupWmiEvents(1), S_OK);
    EXPECT_TRUE(
        WaitFor([] { return Exists(std::string(kMarkerFolder) + "\\vtqwmi.events"); }, std::chrono::seconds(10)));
    EXPECT_TRUE(Exists(kLogFile));
  }

  // The Control Panel lists the item and opens its sheet. The 32-bit
  // Control Panel: this 32-bit program's system folder is syswow64, and the
  // applet is listed in the 32-bit view.
  {
    paneltest::ControlPanelWindow panel;
    ASSERT_NE(panel.list(), nullptr);
    BOOL wow64 = FALSE;
    EXPECT_TRUE(::IsWow64Process(panel.host().handle(), &wow64));
    EXPECT_TRUE(wow64);
    char image[MAX_PATH] = {};
    DWORD imageSize = MAX_PATH;
    EXPECT_TRUE(::QueryFullProcessImageNameA(panel.host().handle(), 0, image, &imageSize));
    EXPECT_EQ(::lstrcmpiA(image, "C:\\windows\\syswow64\\control.exe"), 0) << image;
    std::vector<int> items;
    ASSERT_TRUE(
        WaitFor([&] { return !(items = panel.ItemsNamed(L"Zarn Radio Minder")).empty(); }, std::chrono::seconds(10)));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(paneltest::ListItemText(panel.list(), items[0], 1), L"Configure Zarn Radio Minder settings");
    ASSERT_TRUE(paneltest::SelectListItem(panel.list(), items[0]));
    ::PostMessageA(panel.list(), WM_KEYDOWN, VK_RETURN, 1);
    ::PostMessageA(panel.list(), WM_KEYUP, VK_RETURN, 0xC0000001);
    HWND sheet = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (sheet = ::FindWindowA("#32770", "Zarn Radio Minder")) && ::IsWindowVisible(sheet); },
                std::chrono::seconds(15)));
    EXPECT_EQ(traytest::ControlText(sheet, IDC_PANEL_HIDE_TRAY), L"Hide Status Tray Icon");
    traytest::Click(sheet, IDCANCEL);
    EXPECT_TRUE(traytest::WaitForWindowGone(sheet));
  }

  // rmtray as at logon: its icon appears.
  Process tray = StartTrayAsAtLogon();
  HWND window = TrayWindowOf(tray);
  ASSERT_NE(window, nullptr);
  {
    traytest::NotifyArea area;
    ASSERT_TRUE(area.ok());
    EXPECT_TRUE(area.WaitForIcon(
        window, kIconId, [](const traytest::TrayIcon& i) { return !i.hidden; }, std::chrono::seconds(15)));
  }

  const Captured status = RunCaptured(kDir + "\\rmctl.exe", "status");
  EXPECT_EQ(status.code, 0);
  for (const char* line : {"WLAN:       present, usable, on\n", "Bluetooth:  present, usable, on\n",
                           "Status word: 0x000F0F3B\n"})
    EXPECT_NE(status.out.find(line), std::string::npos) << line << "\n" << status.out;

  // Upgrade on Windows 7, the oldest supported, over the running tray
  // program and service: the tray program ends by command 1 (exit code 0),
  // the service stops, a user's setting stays.
  ASSERT_TRUE(traytest::WriteSettingDword("HideBIOSSettings", 1));
  SetSetupWindowsVersion("win7");
  ASSERT_EQ(RunSetup(), 0u);
  SetSetupWindowsVersion("");
  DWORD trayCode = 1234;
  EXPECT_TRUE(tray.WaitExit(std::chrono::seconds(1), &trayCode));
  EXPECT_EQ(trayCode, 0u);
  ExpectInstalled();
  const traytest::RegValue kept = traytest::ReadSetting("HideBIOSSettings");
  EXPECT_EQ(kept.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(kept.data, std::vector<BYTE>({1, 0, 0, 0}));

  tray = StartTrayAsAtLogon();
  window = TrayWindowOf(tray);
  ASSERT_NE(window, nullptr);

  // Uninstall ends the running tray program and removes everything but the
  // user's settings.
  UninstallQuietly();
  EXPECT_TRUE(tray.WaitExit(std::chrono::seconds(1), &trayCode));
  EXPECT_EQ(trayCode, 0u);
  ExpectNothingLeft();
  EXPECT_EQ(traytest::ReadSetting("HideBIOSSettings").data, std::vector<BYTE>({1, 0, 0, 0}));

  // Asked to, it removes the settings too.
  ASSERT_EQ(RunSetup(), 0u);
  UninstallQuietly(" /REMOVESETTINGS");
  ExpectNothingLeft();
  EXPECT_FALSE(traytest::SettingsKeyExists());
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\VTQ", 0));
}

// A folder of one's own. A link there is refused with nothing written. A
// vtqwmi.exe already in the chosen folder is not run, neither on a fresh
// install nor on an upgrade from another folder, where only the bridge the
// service is registered with is; the folder gets the setup's access list.
// The uninstall does not follow a link put in place of the log folder.
TEST_F(InstallerSystem, AFolderOfOnesOwnRunsNothingPlantedAndNoLinkIsFollowed) {
  const std::string elsewhere = "C:\\Elsewhere", elsewhereLog = elsewhere + "\\vtqwmi.log";
  ASSERT_TRUE(::CreateDirectoryA(elsewhere.c_str(), nullptr));
  WriteText(elsewhereLog, "not the bridge's\n");
  ASSERT_TRUE(PlantFolderLink("C:\\Linked", elsewhere));
  EXPECT_EQ(RunSetup("/S /D=C:\\Linked"), 5u);
  EXPECT_FALSE(Exists(elsewhere + "\\vtqwmi.exe"));
  EXPECT_FALSE(QueryBridge().exists);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
  RemoveFolderLink("C:\\Linked");

  const std::string custom = "C:\\Custom", other = "C:\\Other";
  PlantBridge(custom);
  ASSERT_EQ(RunSetup("/S /D=" + custom), 0u);
  EXPECT_FALSE(Exists(kPlantedRan)) << ReadText(kPlantedRan);
  EXPECT_EQ(SizeOf(custom + "\\vtqwmi.exe"), SizeOf(StagedFile("vtqwmi.exe")));
  EXPECT_EQ(QueryBridge().path, "C:\\Custom\\vtqwmi.exe");  // a path without spaces goes unquoted
  EXPECT_THAT(StoredDacl(custom), StoredAsGiven(kInstallDirList));

  // The upgrade into another folder with a planted vtqwmi.exe: the
  // service's registered bridge (C:\Custom) unregisters, the planted one
  // never runs.
  PlantBridge(other);
  ASSERT_EQ(RunSetup("/S /D=" + other), 0u);
  EXPECT_FALSE(Exists(kPlantedRan)) << ReadText(kPlantedRan);
  EXPECT_EQ(SizeOf(other + "\\vtqwmi.exe"), SizeOf(StagedFile("vtqwmi.exe")));
  const BridgeService bridge = QueryBridge();
  EXPECT_TRUE(bridge.exists);
  EXPECT_EQ(bridge.path, "C:\\Other\\vtqwmi.exe");
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, "CLSID\\{7DC5B2D7-CACC-47F2-836E-4DF85F026072}\\LocalServer32", nullptr,
                 KEY_WOW64_32KEY).text,
            "\"C:\\Other\\vtqwmi.exe\"");
  EXPECT_THAT(StoredDacl(other), StoredAsGiven(kInstallDirList));

  // A link in place of the log folder, to a folder with a file of the
  // log's name: the uninstall leaves that file.
  ::RemoveDirectoryA(kLogFolder);  // empty: the service has not run
  ASSERT_TRUE(PlantFolderLink(kLogFolder, elsewhere));
  Process uninstall = Process::Start(other + "\\uninstall.exe", "/S");
  ASSERT_TRUE(uninstall);
  ASSERT_TRUE(WaitFor([&] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY) && !Exists(other); },
                      std::chrono::seconds(60)));
  EXPECT_FALSE(QueryBridge().exists);
  EXPECT_EQ(ReadText(elsewhereLog), "not the bridge's\n");
  EXPECT_FALSE(Exists(kPlantedRan)) << ReadText(kPlantedRan);
}

}  // namespace
}  // namespace installertest
