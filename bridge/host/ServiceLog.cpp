#include "bridge/host/ServiceLog.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdarg>
#include <mutex>
#include <vector>

#include "bridge/host/AccessLists.h"
#include "bridge/host/BridgeNames.h"
#include "bridge/host/LogFolderRules.h"
#include "bridge/host/LogFormat.h"
#include "common/TextBuffer.h"
#include "common/win/OwningWrappers.h"

namespace vtq {
namespace {

using rm::UniqueLocal;

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

// For the thread, while it lives: the service's own token with the
// privileges to take a folder over (become its owner, open it whatever its
// access list says). Nothing when the account has no such privileges.
class TakeOverPrivileges {
 public:
  TakeOverPrivileges() {
    if (!::ImpersonateSelf(SecurityImpersonation)) return;
    impersonating_ = true;
    rm::UniqueHandle token;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, FALSE,
                           token.put()))
      return;
    for (const char* name : {"SeTakeOwnershipPrivilege", "SeBackupPrivilege", "SeRestorePrivilege"}) {
      TOKEN_PRIVILEGES privilege{};
      privilege.PrivilegeCount = 1;
      privilege.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      if (::LookupPrivilegeValueA(nullptr, name, &privilege.Privileges[0].Luid))
        ::AdjustTokenPrivileges(token.get(), FALSE, &privilege, 0, nullptr, nullptr);
    }
  }
  ~TakeOverPrivileges() {
    if (impersonating_) ::RevertToSelf();
  }
  TakeOverPrivileges(const TakeOverPrivileges&) = delete;
  TakeOverPrivileges& operator=(const TakeOverPrivileges&) = delete;

 private:
  bool impersonating_ = false;
};

// Opens the folder itself, not what a link in its place points to, without
// sharing deletion: while the handle is held the folder cannot be renamed
// or replaced. `facts` says what stands at the path; the handle is empty
// when nothing does or it cannot be opened with `access`.
rm::UniqueFile OpenFolder(const char* path, DWORD access, FolderFacts& facts) {
  facts = FolderFacts{};
  rm::UniqueFile folder(::CreateFileA(
      path, access | READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) {
    const DWORD error = ::GetLastError();
    facts.exists = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    return folder;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder.get(), &info)) return folder;
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
  return folder;
}

// The folder as the service may write into it now: a plain folder of its
// own kind, never one of someone else (see LogFolderAction).
rm::UniqueFile OpenCheckedFolder(const char* path) {
  FolderFacts facts;
  rm::UniqueFile folder = OpenFolder(path, 0, facts);
  if (!folder || LogFolderAction(facts, false) != FolderAction::Use) return rm::UniqueFile();
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

// A folder left by an earlier run may carry the inherited access list, and
// one taken over someone else's: it gets the service's own (and, taken
// over, the service as its owner). False when it could not be set.
bool ResetFolder(HANDLE folder, PSECURITY_DESCRIPTOR security, bool takeOwnership) {
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(security, &present, &dacl, &defaulted) || !present) return false;
  SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  PSID owner = nullptr;
  if (takeOwnership) {
    if (g_serviceAccount.empty()) return false;
    owner = g_serviceAccount.data();
    what |= OWNER_SECURITY_INFORMATION;
  }
  return ::SetSecurityInfo(folder, SE_FILE_OBJECT, what, owner, nullptr, dacl, nullptr) == ERROR_SUCCESS;
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
  char filePath[MAX_PATH] = "";
  lstrcpynA(filePath, folderPath, sizeof(filePath));
  rm::AppendTruncated(filePath, sizeof(filePath), "\\");
  rm::AppendTruncated(filePath, sizeof(filePath), fileName ? fileName : "");

  std::lock_guard<std::mutex> lock(g_writeMutex);
  g_serviceAccount = ProcessUserSid();
  UniqueLocal security;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kLogFolderAccess, SDDL_REVISION_1,
                                                              security.put(), nullptr))
    return;
  const TakeOverPrivileges privileges;

  // Whatever stands at the path is judged before anything is written: a
  // link, a file or a folder whose owner cannot be read leaves the log off.
  // A folder that appears between the look and the creation is judged in
  // a second round.
  rm::UniqueFile folder;
  for (int round = 0; round < 2 && !folder; ++round) {
    FolderFacts facts;
    rm::UniqueFile found = OpenFolder(folderPath, WRITE_DAC | WRITE_OWNER, facts);
    if (!found && facts.exists) found = OpenFolder(folderPath, 0, facts);
    switch (LogFolderAction(facts, true)) {
      case FolderAction::Create: {
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.get(), FALSE};
        if (!::CreateDirectoryA(folderPath, &attributes) && ::GetLastError() != ERROR_ALREADY_EXISTS)
          return;
        break;  // judged (and opened) in the next round
      }
      case FolderAction::Use:
        ResetFolder(found.get(), security.get(), false);
        folder = std::move(found);
        break;
      case FolderAction::TakeOver:
        if (!ResetFolder(found.get(), security.get(), true)) return;
        // A file that someone else left in the folder keeps their access:
        // it goes, and the log starts anew.
        ::DeleteFileA(filePath);
        folder = std::move(found);
        break;
      case FolderAction::Refuse:
        return;
    }
  }
  if (!folder || !OpenCheckedFile(filePath, GENERIC_WRITE, 0)) return;
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
    const rm::UniqueFile folder = OpenCheckedFolder(g_folderPath);
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
