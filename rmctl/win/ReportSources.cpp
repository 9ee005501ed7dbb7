#include "rmctl/win/ReportSources.h"

#include <windows.h>
#include <shlobj.h>

#include "common/BridgeContract.h"
#include "common/SettingsNames.h"
#include "common/win/OwningWrappers.h"
#include "vtqwmi.h"

namespace rmctl {
namespace {

// The log file's tail is all the report shows; a bigger file is read from here.
constexpr LONGLONG kLogReadLimit = 256 * 1024;

std::optional<std::uint32_t> ReadDword(HKEY key, const char* name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return std::nullopt;
  return value;
}

std::string ReadString(HKEY root, const std::string& path, const char* name) {
  rm::UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::string();
  char text[1024] = {};
  DWORD type = 0, size = sizeof text - 1;
  if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::string();
  return text;
}

std::string ClassIdText() {
  wchar_t wide[64] = {};
  if (!::StringFromGUID2(CLSID_vtqCallBiosEx, wide, 64)) return std::string();
  char text[64] = {};
  ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

void ReadPrograms(ReportData& d) {
  d.version = RMCTL_VERSION;
  char path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
  if (n && n < sizeof path) d.rmctlPath = path;
  OSVERSIONINFOA os = {};
  os.dwOSVersionInfoSize = sizeof os;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (::GetVersionExA(&os)) {
#pragma GCC diagnostic pop
    d.windowsVersion = std::to_string(os.dwMajorVersion) + "." + std::to_string(os.dwMinorVersion) + "." +
                       std::to_string(os.dwBuildNumber) + (os.szCSDVersion[0] ? std::string(" ") + os.szCSDVersion : "");
  }
  std::string server = ReadString(HKEY_CLASSES_ROOT, "CLSID\\" + ClassIdText() + "\\LocalServer32", "");
  if (server.size() >= 2 && server.front() == '"') server = server.substr(1, server.find('"', 1) - 1);
  d.serverPath = server;
  d.serverFileExists = !server.empty() && ::GetFileAttributesA(server.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const char* StateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "start pending";
    case SERVICE_STOP_PENDING: return "stop pending";
    case SERVICE_RUNNING: return "running";
    case SERVICE_CONTINUE_PENDING: return "continue pending";
    case SERVICE_PAUSE_PENDING: return "pause pending";
    case SERVICE_PAUSED: return "paused";
  }
  return "unknown";
}

void ReadBridgeService(ReportData& d) {
  d.localService = ReadString(HKEY_CLASSES_ROOT, std::string("AppID\\") + vtq::kAppId, vtq::kLocalServiceValue);
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  rm::UniqueServiceHandle service(manager ? ::OpenServiceA(manager.get(), vtq::kServiceName, SERVICE_QUERY_STATUS)
                                          : nullptr);
  d.serviceInstalled = static_cast<bool>(service);
  if (service) {
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                               &needed)) {
      d.serviceState = StateName(status.dwCurrentState);
      d.servicePid = status.dwProcessId;
    }
  }
  rm::UniqueRegKey parameters;
  const bool open =
      ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, vtq::kParametersKey, 0, KEY_READ, parameters.put()) == ERROR_SUCCESS;
  for (const char* name : {vtq::kMaxAllowedValue, vtq::kSettingsValue}) {
    d.parameters.push_back({name, open ? ReadDword(parameters.get(), name) : std::nullopt});
  }
}

void ReadRelayNames(ReportData& d) {
  rm::UniqueRegKey relay;
  d.relayKeyFound = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, vtq::kRelayKey, 0, KEY_READ, relay.put()) == ERROR_SUCCESS;
  if (!d.relayKeyFound) return;
  for (DWORD i = 0;; ++i) {
    char name[256] = {};
    DWORD size = sizeof name;
    if (::RegEnumKeyExA(relay.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    rm::UniqueRegKey sub;
    std::optional<std::uint32_t> id;
    if (::RegOpenKeyExA(relay.get(), name, 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
      id = ReadDword(sub.get(), vtq::kRelayIdValue);
    d.relayNames.push_back({name, id});
  }
}

void ReadTraySettings(ReportData& d) {
  rm::UniqueRegKey key;
  d.settingsKeyFound =
      ::RegOpenKeyExA(HKEY_CURRENT_USER, rm::kSettingsKeyPath, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
  for (const char* name :
       {rm::kHideSysTray, rm::kHideBIOSSettings, rm::kDisableBalloons, rm::kDisableFirstBalloon, rm::kDoNotShowNoDevDlg}) {
    d.settings.push_back({name, d.settingsKeyFound ? ReadDword(key.get(), name) : std::nullopt});
  }
  if (!d.settingsKeyFound) return;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key.get(), rm::kDebugInfo, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return;
  d.debugInfo.resize(size);
  if (::RegQueryValueExA(key.get(), rm::kDebugInfo, nullptr, &type, d.debugInfo.data(), &size) != ERROR_SUCCESS) {
    d.debugInfo.clear();
    return;
  }
  d.debugInfo.resize(size);
  d.debugInfoFound = true;
  d.debugInfoBinary = type == REG_BINARY;
}

void ReadServiceLog(ReportData& d) {
  char folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return;
  d.logPath = std::string(folder) + "\\" + vtq::kLogFolderName + "\\" + vtq::kLogFileName;
  // The service may be writing the log: share it for reading, writing and
  // deleting.
  rm::UniqueFile file(::CreateFileA(d.logPath.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    d.logOpenError = ::GetLastError();
    return;
  }
  d.logOpenError = 0;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.get(), &size)) return;
  LARGE_INTEGER start = {};
  start.QuadPart = size.QuadPart > kLogReadLimit ? size.QuadPart - kLogReadLimit : 0;
  if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) return;
  char buffer[16 * 1024];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) d.logText.append(buffer, got);
}

}  // namespace

void GatherLocalReportData(ReportData& data) {
  ReadPrograms(data);
  ReadBridgeService(data);
  ReadRelayNames(data);
  ReadTraySettings(data);
  ReadServiceLog(data);
}

}  // namespace rmctl
