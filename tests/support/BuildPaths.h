// Paths of the build tree and the test data as a Wine process sees them
// (the Unix root is drive Z:). RM_BUILD_DIR and RM_TESTDATA_DIR come from
// the test's build (rm_wine_test).
#pragma once

#include <windows.h>

#include <string>

namespace rmtest {

// "Z:" before a Unix path, its slashes kept ("Z:/.../tray/rmtray.exe").
inline std::string BuildPath(const std::string& relative) { return std::string("Z:") + RM_BUILD_DIR + "/" + relative; }

// "Z:" before a Unix path, with backslashes ("Z:\...\fwsim\fwsim.exe").
inline std::string WinPath(const std::string& unixPath) {
  std::string p = "Z:" + unixPath;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}
inline std::string BuildWinPath(const std::string& relative) {
  return WinPath(std::string(RM_BUILD_DIR) + "/" + relative);
}
#ifdef RM_TESTDATA_DIR
inline std::string TestDataWinPath(const std::string& relative) {
  return WinPath(std::string(RM_TESTDATA_DIR) + "/" + relative);
}
#endif

inline std::string TrayExe() { return BuildPath("tray/rmtray.exe"); }
inline std::string FwsimExe() { return BuildPath("fwsim/fwsim.exe"); }
inline std::string BridgeExe() { return BuildWinPath("bridge/vtqwmi.exe"); }
inline std::string RmctlExe() { return BuildPath("rmctl/rmctl.exe"); }

inline bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace rmtest
