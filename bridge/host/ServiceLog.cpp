#include "bridge/host/ServiceLog.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdarg>
#include <mutex>

#include "bridge/host/LogFormat.h"
#include "common/TextBuffer.h"
#include "common/win/Resource.h"

namespace vtq {
namespace {

// The path is set once by PrepareLog (before any call can arrive) and only
// read afterwards.
char g_logPath[MAX_PATH] = "";
// Appends from this process are serialised so that the append position and
// the write cannot interleave between two threads' handles.
std::mutex g_writeMutex;

}  // namespace

void PrepareLog(const char* fileName) {
  char path[MAX_PATH] = "";
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
    return;
  path[MAX_PATH - 1] = '\0';
  rm::AppendTruncated(path, sizeof(path), "\\vtqwmi");
  if (!::CreateDirectoryA(path, nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    // The path then names the folder: every line is lost.
    std::lock_guard<std::mutex> lock(g_writeMutex);
    lstrcpynA(g_logPath, path, sizeof(g_logPath));
    return;
  }
  rm::AppendTruncated(path, sizeof(path), "\\");
  rm::AppendTruncated(path, sizeof(path), fileName ? fileName : "");
  rm::UniqueFile file(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  std::lock_guard<std::mutex> lock(g_writeMutex);
  lstrcpynA(g_logPath, path, sizeof(g_logPath));
}

void WriteLog(const char* format, ...) {
  try {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    LogTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    va_list args;
    va_start(args, format);
    const std::string message = FormatLogMessageV(format, args);
    va_end(args);
    const std::string bytes = ToTextMode(ComposeLogLine(time, message));

    std::lock_guard<std::mutex> lock(g_writeMutex);
    if (!g_logPath[0]) return;
    rm::UniqueFile file(::CreateFileA(g_logPath, FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  } catch (...) {
    // A line that cannot be built is lost, like one that cannot be written.
  }
}

std::string LogPath() {
  std::lock_guard<std::mutex> lock(g_writeMutex);
  return g_logPath;
}

}  // namespace vtq
