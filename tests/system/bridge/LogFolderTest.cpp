// The service log's folder and file when someone else put something in
// their place before the service started: a link in place of the folder, a
// log file that is a link to another file, a folder owned by another user.
// The service refuses links (no line lands anywhere) and takes the other
// user's folder over; it answers its clients throughout. Once the planted
// thing is gone, it logs again, into a folder with its own access list.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include "tests/support/Files.h"
#include "tests/system/bridge/BridgeHarness.h"
#include "tests/support/WmiClient.h"

namespace bridgetest {
namespace {

std::string ProgramData() {
  char path[MAX_PATH] = "";
  ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

using rmtest::IsReparsePoint;
using rmtest::UnixPath;

// A symbolic link at `link` to `target`, seen as a reparse point. The
// system's call first. Wine 8 answers it without making a link and makes no
// junctions; it shows a Unix symbolic link to a folder as a reparse point
// (one to a file as a plain file), so under Wine a folder link is made by
// the Unix tool. False when no such link could be made.
bool PlantLink(const std::string& link, const std::string& target, bool directory) {
  if (::CreateSymbolicLinkA(link.c_str(), target.c_str(), directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) &&
      IsReparsePoint(link))
    return true;
  if (!directory) return false;
  const std::string unixLink = UnixPath(link), unixTarget = UnixPath(target);
  if (unixLink.empty() || unixTarget.empty()) return false;
  RunProgram("Z:\\bin\\ln", "-s " + unixTarget + " " + unixLink);
  return WaitFor([&] { return IsReparsePoint(link); }, std::chrono::seconds(5));
}

void RemoveLink(const std::string& link) {
  const std::string unixLink = UnixPath(link);
  if (!unixLink.empty())
    RunProgram("Z:\\bin\\rm", "-f " + unixLink);
  else if (!::RemoveDirectoryA(link.c_str()))
    ::DeleteFileA(link.c_str());
  WaitFor([&] { return ::GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; },
          std::chrono::seconds(5));
}

// Also when a test left a link there (a dangling Unix link is not found
// by Wine's DeleteFile).
void RemoveLogFolder() {
  if (::GetFileAttributesA(LogFolder().c_str()) == INVALID_FILE_ATTRIBUTES) return;
  if (IsReparsePoint(LogFolder())) {
    RemoveLink(LogFolder());
    return;
  }
  if (!::DeleteFileA(LogFile().c_str()) && !UnixPath(LogFile()).empty())
    RunProgram("Z:\\bin\\rm", "-f " + UnixPath(LogFile()));
  WaitFor([] { return ::RemoveDirectoryA(LogFolder().c_str()) != FALSE; }, std::chrono::seconds(5));
}

class PlantedLog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(Bridge("/Service"), 0); }
  static void TearDownTestSuite() {
    StopBridgeService();
    Bridge("/UnregServer");
    RemoveLogFolder();
  }
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.init()));
    ASSERT_TRUE(StopBridgeService());
    ASSERT_TRUE(SetParameter("MaxAllowed", 0));
    ASSERT_TRUE(SetParameter("Settings", 3));
    RemoveLogFolder();
    ASSERT_EQ(::GetFileAttributesA(LogFolder().c_str()), INVALID_FILE_ATTRIBUTES);
    elsewhere_ = ProgramData() + "\\vtqwmi-elsewhere";
    ::CreateDirectoryA(elsewhere_.c_str(), nullptr);
    victim_ = elsewhere_ + "\\victim.txt";
    std::FILE* f = std::fopen(victim_.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("victim\n", f);
    std::fclose(f);
  }
  void TearDown() override {
    StopBridgeService();
    ::DeleteFileA(victim_.c_str());
    ::DeleteFileA((elsewhere_ + "\\vtqwmi.log").c_str());
    ::RemoveDirectoryA(elsewhere_.c_str());
  }

  // Starts the service through a call and makes calls that log a success
  // and a failure line each; every call must be answered as usual.
  void CallsAreAnswered() {
    rm::ComPtr<IvtqCallBiosEx> bridge;
    ASSERT_EQ(CreateBridge(bridge), S_OK);
    EXPECT_EQ(bridge->vtqSetupWmiEvents(0), S_OK);
    ULONG size = 100;
    rm::Variant info = ByteArray(388);
    EXPECT_EQ(bridge->vtqGetMachineInfoEx(&size, info.get()), static_cast<HRESULT>(0x80041008));
    EXPECT_EQ(QueryBridgeService().state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(StopBridgeService());
  }

  std::string Victim() {
    std::string text;
    ReadFileText(victim_, text);
    return text;
  }

  // After the planted thing is gone, a fresh start logs again: what the
  // refusal tests see is the refusal, not a log that never works.
  void LogsAgainOnceRemoved() {
    RemoveLogFolder();
    CallsAreAnswered();
    ExpectFreshLog();
  }

  // The lines of CallsAreAnswered alone, in a folder with the service's
  // access list: the system and the administrators full, users read.
  static void ExpectFreshLog() {
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[1].find("  vtqSetupWmiEvents returns: 0x00000000"), std::string::npos);
    EXPECT_NE(lines[2].find("  vtqGetMachineInfoEx FAILED: 0x80041008"), std::string::npos);
    if (KeepsAccessLists())
      EXPECT_EQ(FolderSecurity(DACL_SECURITY_INFORMATION), kServiceList);
    else
      std::printf("the file system keeps no access lists of its own: the log folder's is not read back\n");
  }

  static constexpr char kServiceList[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";

  // Whether a folder made with that list shows it when read back. (Wine's
  // show one made from the Unix file mode.)
  static bool KeepsAccessLists() {
    const std::string probe = ProgramData() + "\vtqwmi-probe";
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kServiceList, SDDL_REVISION_1, &sd, nullptr))
      return false;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), sd, FALSE};
    const bool made = ::CreateDirectoryA(probe.c_str(), &attributes) != FALSE;
    ::LocalFree(sd);
    const bool kept = made && FolderSecurity(DACL_SECURITY_INFORMATION, probe) == kServiceList;
    ::RemoveDirectoryA(probe.c_str());
    return kept;
  }

  static std::string FolderSecurity(SECURITY_INFORMATION what, const std::string& folder = LogFolder()) {
    return rmtest::FileSecurity(folder, what);
  }

  fwsimtest::ComApartment com_;
  std::string elsewhere_, victim_;
};

TEST_F(PlantedLog, ALinkInPlaceOfTheFolderIsNotFollowed) {
  if (!PlantLink(LogFolder(), elsewhere_, true)) GTEST_SKIP() << "no symbolic link can be made here";
  CallsAreAnswered();
  EXPECT_TRUE(IsReparsePoint(LogFolder()));  // left as it was
  EXPECT_EQ(::GetFileAttributesA((elsewhere_ + "\\vtqwmi.log").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Victim(), "victim\n");
  RemoveLink(LogFolder());
  ASSERT_EQ(::GetFileAttributesA(LogFolder().c_str()), INVALID_FILE_ATTRIBUTES);
  LogsAgainOnceRemoved();
}

TEST_F(PlantedLog, ALogFileThatIsALinkOrHasASecondNameIsNotWritten) {
  ASSERT_TRUE(::CreateDirectoryA(LogFolder().c_str(), nullptr));
  // A hard link: the file's data is the victim's.
  ASSERT_TRUE(::CreateHardLinkA(LogFile().c_str(), victim_.c_str(), nullptr));
  CallsAreAnswered();
  EXPECT_EQ(Victim(), "victim\n");
  ASSERT_TRUE(::DeleteFileA(LogFile().c_str()));

  // A symbolic link to the victim, where the system makes one that a
  // program can see as a link.
  if (PlantLink(LogFile(), victim_, false)) {
    CallsAreAnswered();
    EXPECT_EQ(Victim(), "victim\n");
    EXPECT_TRUE(IsReparsePoint(LogFile()));
    RemoveLink(LogFile());
  } else {
    std::printf("no symbolic link to a file that shows as a link: that case is not tried\n");
  }
  LogsAgainOnceRemoved();
}

TEST_F(PlantedLog, AFolderOwnedByAnotherUserIsTakenOverAndItsFileReplaced) {
  ASSERT_TRUE(::CreateDirectoryA(LogFolder().c_str(), nullptr));
  std::FILE* planted = std::fopen(LogFile().c_str(), "wb");
  ASSERT_TRUE(planted);
  std::fputs("planted\n", planted);
  std::fclose(planted);
  PSID users = nullptr;
  ASSERT_TRUE(::ConvertStringSidToSidA("S-1-5-32-545", &users));
  const DWORD rc = ::SetNamedSecurityInfoA(const_cast<char*>(LogFolder().c_str()), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION, users, nullptr, nullptr, nullptr);
  ::LocalFree(users);
  const bool foreign = rc == ERROR_SUCCESS && FolderSecurity(OWNER_SECURITY_INFORMATION) == "O:BU";
  if (!foreign) GTEST_SKIP() << "this file system keeps no owner other than the current user's";
  CallsAreAnswered();
  EXPECT_NE(FolderSecurity(OWNER_SECURITY_INFORMATION), "O:BU");
  ExpectFreshLog();
}

}  // namespace
}  // namespace bridgetest
