// The service log's file: created empty, lines appended whole with CR LF,
// the 259-character cut, lines of concurrent writers, a missing folder.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "bridge/host/ServiceLog.h"

namespace vtq {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One process prepares its log once, as the service does; every test here
// writes to the same file and looks at what it appended.
class ServiceLogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char path[MAX_PATH] = "";
    ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    file_ = std::string(path) + "\\vtqwmi\\bridge-log-test.log";
    ::DeleteFileA(file_.c_str());
    PrepareLog("bridge-log-test.log");
  }
  static void TearDownTestSuite() { ::DeleteFileA(file_.c_str()); }

  std::string Appended(std::size_t from) { return ReadAll(file_).substr(from); }

  static std::string file_;
};
std::string ServiceLogTest::file_;

TEST_F(ServiceLogTest, PreparedFileIsEmptyAndNamedByThePath) {
  EXPECT_EQ(LogPath(), file_);
  const DWORD attributes = ::GetFileAttributesA(file_.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadAll(file_), "");
  // Preparing again keeps what is there.
  WriteLog("kept\n");
  const std::size_t size = ReadAll(file_).size();
  PrepareLog("bridge-log-test.log");
  EXPECT_EQ(ReadAll(file_).size(), size);
}

TEST_F(ServiceLogTest, LineIsStampedAndEndsWithCrLf) {
  const std::size_t at = ReadAll(file_).size();
  WriteLog("vtqSetupWmiEvents returns: 0x%08lX\n", 0UL);
  EXPECT_TRUE(std::regex_match(Appended(at),
                               std::regex("\\d\\d:\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d\\d\\d\\d  "
                                          "vtqSetupWmiEvents returns: 0x00000000\r\n")))
      << Appended(at);
}

TEST_F(ServiceLogTest, LongMessageIsCutAndTheNextLineContinuesOnIt) {
  const std::size_t at = ReadAll(file_).size();
  const std::string longText(300, 'L');
  WriteLog("%s\n", longText.c_str());
  WriteLog("next\n");
  const std::string text = Appended(at);
  // 21 characters of stamp and spaces, 238 of the message, no line end.
  ASSERT_GE(text.size(), 259u);
  EXPECT_EQ(text.substr(21, 238), std::string(238, 'L'));
  // The next line's stamp ("hh:mm:ss") follows at once.
  EXPECT_EQ(text.substr(261, 1), ":");
  EXPECT_EQ(text.substr(264, 1), ":");
  EXPECT_EQ(text.find('\n'), text.size() - 1);
  EXPECT_EQ(text.substr(text.size() - 8), "  next\r\n");
}

TEST_F(ServiceLogTest, LinesOfConcurrentWritersStayWhole) {
  const std::size_t at = ReadAll(file_).size();
  constexpr int kThreads = 8, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        WriteLog("thread %d line %03d %s\n", t, i, std::string(150, static_cast<char>('a' + t)).c_str());
    });
  for (std::thread& t : threads) t.join();
  std::istringstream lines(Appended(at));
  std::string line;
  int count = 0;
  const std::regex whole(
      "\\d\\d:\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d\\d\\d\\d  thread ([0-7]) line \\d\\d\\d ([a-h])\\2{149}\r");
  while (std::getline(lines, line)) {
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, whole)) << line;
    ++count;
  }
  EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
}  // namespace vtq
