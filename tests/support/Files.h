// Files and folders as the Windows and system tests look at them: the Unix
// path under Wine, links, and the security a file or folder shows.
#pragma once

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

namespace rmtest {

// The Unix path of a Windows path under Wine; empty elsewhere.
inline std::string UnixPath(const std::string& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::string();
  const std::wstring wide(path.begin(), path.end());
  char* unix = toUnix(wide.c_str());
  if (!unix) return std::string();
  std::string out = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return out;
}

inline bool IsReparsePoint(const std::string& path) {
  const DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The parts `what` of the file's or folder's descriptor as SDDL;
// "<unreadable>" or "<undecodable>" when it cannot be had.
inline std::string FileSecurity(const std::string& path, SECURITY_INFORMATION what) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, what, nullptr, nullptr, nullptr, nullptr, &sd) !=
      ERROR_SUCCESS)
    return "<unreadable>";
  char* text = nullptr;
  std::string sddl = "<undecodable>";
  if (::ConvertSecurityDescriptorToStringSecurityDescriptorA(sd, SDDL_REVISION_1, what, &text, nullptr)) sddl = text;
  ::LocalFree(text);
  ::LocalFree(sd);
  return sddl;
}

}  // namespace rmtest
