#include "bridge/host/ServiceLog.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdarg>
#include <mutex>
#include <vector>

#include "bridge/host/BridgeNames.h"
#include "bridge/host/LogFolderRules.h"
#include "bridge/host/LogFormat.h"
#include "common/TextBuffer.h"
#include "common/win/Resource.h"

namespace vtq {
namespace {

using rm::UniqueLocal;

// Full control for the system account and the administrators, inherited by
// the log file; nothing inherited from the common application data folder,
// whose access list lets every user create files and folders.
constexpr char kFolderSecurity[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The path and the service's account are set once by PrepareLog (before
// any call can arrive) and only read afterwards.
char g_folderPath[MAX_PATH] = "";
char g_logPath[MAX_PATH] = "";
std::vector<BYTE> g_serviceAccount;
// Appends from this process are serialised so that the append position and
// the write cannot interleave between two threads' handles.
std::mutex g_writeMutex;

std::vector<BYTE> ProcessUserSid() {
  rm::UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!::GetTokenInformation(token.get(), TokenUser, data.data(), size, &size)) return {};
  const PSID sid = reinterpret_cast<TOKEN_USER*>(data.data())->User.Sid;
  const DWORD length = ::GetLengthSid(sid);
  std::vector<BYTE> copy(length);
  if (!::CopySid(length, copy.data(), sid)) return {};
  return copy;
}

FolderOwner ClassifyOwner(PSID owner) {
  if (::IsWellKnownSid(owner, WinLocalSystemSid)) return FolderOwner::System;
  if (::IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) return FolderOwner::Administrators;
  if (!g_serviceAccount.empty() && ::EqualSid(owner, g_serviceAccount.data()))
    return FolderOwner::ServiceAccount;
  return FolderOwner::Other;
}

// The attributes of the path's last item as the directory lists it. Wine
// follows a link even when asked to open the link itself, and shows the
// link only here. 0 when the path cannot be read.
DWORD PathAttributes(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return data.dwFileAttributes;
}

// Opens the folder itself, not what a link in its place points to, without
// sharing deletion: while the handle is held the folder cannot be renamed
// or replaced. Empty when the folder may not be used.
rm::UniqueFile OpenCheckedFolder(const char* path, DWORD access) {
  rm::UniqueFile folder(::CreateFileA(
      path, access | READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return folder;
  FolderFacts facts;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder.get(), &info)) return rm::UniqueFile();
  const DWORD attributes = info.dwFileAttributes | PathAttributes(path);
  facts.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(folder.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
      owner) {
    facts.ownerRead = true;
    facts.owner = ClassifyOwner(owner);
  }
  UniqueLocal descriptorOwner(descriptor);
  if (!MayUseLogFolder(facts)) return rm::UniqueFile();
  return folder;
}

// An existing file is opened as itself (a link is not followed); a missing
// one is created new, which fails on any name that exists, a link whose
// target is missing included. (Wine answers "not found" when asked to
// create a file and not to follow links in one call.)
rm::UniqueFile OpenOrCreate(const char* path, DWORD access, DWORD share) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    rm::UniqueFile file(::CreateFileA(path, access, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file || ::GetLastError() != ERROR_FILE_NOT_FOUND) return file;
    file.reset(::CreateFileA(path, access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || ::GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return rm::UniqueFile();
}

// Opens the log file itself (a link in its place is not followed) and
// keeps it only when it is a plain file with one name.
rm::UniqueFile OpenCheckedFile(const char* path, DWORD access, DWORD share) {
  // Looked at before the open too: creating a file through a dangling link
  // would create the link's target.
  if (PathAttributes(path) & FILE_ATTRIBUTE_REPARSE_POINT) return rm::UniqueFile();
  rm::UniqueFile file = OpenOrCreate(path, access | FILE_READ_ATTRIBUTES, share);
  if (!file) return file;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) return rm::UniqueFile();
  const DWORD attributes = info.dwFileAttributes | PathAttributes(path);
  FileFacts facts;
  facts.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts.links = info.nNumberOfLinks;
  if (!MayWriteLogFile(facts)) return rm::UniqueFile();
  return file;
}

// A folder left by an earlier run may carry the inherited access list;
// it gets the service's own. Failure keeps the old list.
void ProtectFolder(HANDLE folder, PSECURITY_DESCRIPTOR security) {
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(security, &present, &dacl, &defaulted) || !present) return;
  ::SetSecurityInfo(folder, SE_FILE_OBJECT,
                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                    nullptr, dacl, nullptr);
}

}  // namespace

void PrepareLog(const char* fileName) {
  char folderPath[MAX_PATH] = "";
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                folderPath)))
    return;
  folderPath[MAX_PATH - 1] = '\0';
  rm::AppendTruncated(folderPath, sizeof(folderPath), "\\");
  rm::AppendTruncated(folderPath, sizeof(folderPath), kLogFolderName);

  std::lock_guard<std::mutex> lock(g_writeMutex);
  g_serviceAccount = ProcessUserSid();
  UniqueLocal security;
  ::ConvertStringSecurityDescriptorToSecurityDescriptorA(kFolderSecurity, SDDL_REVISION_1,
                                                         security.put(), nullptr);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.get(), FALSE};
  const bool created = ::CreateDirectoryA(folderPath, security ? &attributes : nullptr) != FALSE;
  if (!created && ::GetLastError() != ERROR_ALREADY_EXISTS) return;

  // Whatever stood at the path was judged before anything is written: a
  // link or another user's folder leaves the log off.
  rm::UniqueFile folder = OpenCheckedFolder(folderPath, WRITE_DAC);
  if (!folder) folder = OpenCheckedFolder(folderPath, 0);
  if (!folder) return;
  if (!created && security) ProtectFolder(folder.get(), security.get());

  char filePath[MAX_PATH] = "";
  lstrcpynA(filePath, folderPath, sizeof(filePath));
  rm::AppendTruncated(filePath, sizeof(filePath), "\\");
  rm::AppendTruncated(filePath, sizeof(filePath), fileName ? fileName : "");
  if (!OpenCheckedFile(filePath, GENERIC_WRITE, 0)) return;
  lstrcpynA(g_folderPath, folderPath, sizeof(g_folderPath));
  lstrcpynA(g_logPath, filePath, sizeof(g_logPath));
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
    // The folder is judged again for every line (it may have been removed
    // and replaced since the start) and held while the file is opened.
    const rm::UniqueFile folder = OpenCheckedFolder(g_folderPath, 0);
    if (!folder) return;
    const rm::UniqueFile file =
        OpenCheckedFile(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE);
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
