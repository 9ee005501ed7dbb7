#include "bridge/host/ServerRegistration.h"

#include <oleauto.h>

#include <utility>

#include "bridge/host/ComSecurity.h"
#include "bridge/relay/EventRelay.h"
#include "common/win/OwningWrappers.h"

namespace vtq {
namespace {

// Registry helpers under HKEY_CLASSES_ROOT; each returns the Win32 status.
LONG DeleteTree(HKEY root, const std::string& key) {
  const LONG rc = ::RegDeleteTreeA(root, key.c_str());
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG WriteEntry(HKEY root, const RegistryEntry& e) {
  rm::UniqueRegKey key;
  LONG rc = ::RegCreateKeyExA(root, e.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                              nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS || !e.hasValue) return rc;
  return ::RegSetValueExA(key.get(), e.name.empty() ? nullptr : e.name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(e.text.c_str()),
                          static_cast<DWORD>(e.text.size() + 1));
}

HRESULT ApplyEntries(const std::vector<std::string>& deletes,
                     const std::vector<RegistryEntry>& entries) {
  for (const std::string& key : deletes) {
    const LONG rc = DeleteTree(HKEY_CLASSES_ROOT, key);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  for (const RegistryEntry& e : entries) {
    const LONG rc = WriteEntry(HKEY_CLASSES_ROOT, e);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  return S_OK;
}

LONG SetString(HKEY key, const char* name, const char* text) {
  return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(lstrlenA(text) + 1));
}

class ComApartment {
 public:
  explicit ComApartment(DWORD model) : hr_(::CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Wine's type-library marshaller looks the library up for the neutral
// locale only; the library is registered for 0x409. Under Wine the path is
// also registered for locale 0, and removed with the library.
std::string NeutralTypeLibKey(const TLIBATTR& attr) {
  wchar_t guid[64] = L"";
  if (!::StringFromGUID2(attr.guid, guid, 64)) return std::string();
  char text[64] = "";
  ::WideCharToMultiByte(CP_ACP, 0, guid, -1, text, sizeof(text), nullptr, nullptr);
  char key[160];
  wsprintfA(key, "TypeLib\\%s\\%x.%x\\0", text, attr.wMajorVerNum, attr.wMinorVerNum);
  return key;
}

void RegisterNeutralTypeLib(ITypeLib* lib, const std::string& exe) {
  TLIBATTR* attr = nullptr;
  if (FAILED(lib->GetLibAttr(&attr)) || !attr) return;
  const std::string key = NeutralTypeLibKey(*attr);
  const char* platform = attr->syskind == SYS_WIN64 ? "win64" : "win32";
  lib->ReleaseTLibAttr(attr);
  if (key.empty()) return;
  WriteEntry(HKEY_CLASSES_ROOT, RegistryEntry{key + "\\" + platform, "", exe});
}

}  // namespace

ServerRegistration::ServerRegistration(HINSTANCE module, std::string serviceName, std::string displayName)
    : module_(module),
      serviceName_(std::move(serviceName)),
      displayName_(std::move(displayName)),
      table_(BridgeRegistrationTable(serviceName_)) {}

std::string ServerRegistration::ModulePath() const {
  char path[MAX_PATH] = "";
  const DWORD n = ::GetModuleFileNameA(module_, path, sizeof(path));
  if (n == 0 || n >= sizeof(path)) return std::string();
  return path;
}

HRESULT ServerRegistration::Register(bool withService) {
  const HRESULT hr = RegisterServer(withService);
  if (SUCCEEDED(hr) && withService) {
    WriteParameterDefaults();
    for (const RelayEventName& relay : table_.relayNames) RegisterRelayEvent(relay.id, relay.name);
  }
  return hr;
}

HRESULT ServerRegistration::Unregister() {
  for (const RelayEventName& relay : table_.relayNames) RemoveRelayEvent(relay.name);
  return UnregisterServer();
}

// Failures are ignored: the service starts with no limit and no log lines
// when its parameters are missing.
void ServerRegistration::WriteParameterDefaults() {
  rm::UniqueRegKey params;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, params.put(), nullptr) != ERROR_SUCCESS)
    return;
  for (const ParameterDefault& p : table_.parameterDefaults) {
    const DWORD value = p.value;
    ::RegSetValueExA(params.get(), p.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  }
}

HRESULT ServerRegistration::RegisterServer(bool withService) {
  ComApartment com(COINIT_APARTMENTTHREADED);
  if (FAILED(com.result())) return com.result();
  Uninstall();
  HRESULT hr = ApplyEntries(table_.appIdKeysToReplace, table_.appIdEntries);
  if (FAILED(hr)) return hr;

  rm::UniqueRegKey appId;
  const std::string appIdKey = std::string("AppID\\") + kAppId;
  const LONG rc =
      ::RegOpenKeyExA(HKEY_CLASSES_ROOT, appIdKey.c_str(), 0, KEY_WRITE, appId.put());
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  for (const std::string& value : table_.appIdValuesToDelete) ::RegDeleteValueA(appId.get(), value.c_str());
  const LONG permissions = WriteComPermissions(appId.get());
  if (permissions != ERROR_SUCCESS) return HRESULT_FROM_WIN32(permissions);
  if (withService) {
    const bool wine = RunningUnderWine();
    for (const AppIdValue& v : table_.serviceValues)
      if (!v.wineOnly || wine) SetString(appId.get(), v.name.c_str(), v.text.c_str());
    Install();
  }

  const std::string exe = ModulePath();
  if (exe.empty()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  for (const ClassRegistration& c : table_.classes) {
    hr = ApplyEntries(ClassKeysToDelete(c), ClassEntries(c, exe));
    if (FAILED(hr)) return hr;
  }
  std::wstring wide(exe.size() + 1, L'\0');
  const int n = ::MultiByteToWideChar(CP_ACP, 0, exe.c_str(), -1, &wide[0],
                                      static_cast<int>(wide.size()));
  if (n <= 0) return rm::LastErrorResult();
  ITypeLib* lib = nullptr;
  hr = ::LoadTypeLibEx(wide.c_str(), REGKIND_REGISTER, &lib);
  if (lib) {
    if (SUCCEEDED(hr) && RunningUnderWine()) RegisterNeutralTypeLib(lib, exe);
    lib->Release();
  }
  return hr;
}

HRESULT ServerRegistration::UnregisterServer() {
  ComApartment com(COINIT_APARTMENTTHREADED);
  if (FAILED(com.result())) return com.result();
  for (const std::string& key : table_.appIdKeysToDelete) DeleteTree(HKEY_CLASSES_ROOT, key);
  Uninstall();
  for (const ClassRegistration& c : table_.classes)
    for (const std::string& key : ClassKeysToDelete(c)) DeleteTree(HKEY_CLASSES_ROOT, key);

  const std::string exe = ModulePath();
  std::wstring wide(exe.size() + 1, L'\0');
  if (!exe.empty() && ::MultiByteToWideChar(CP_ACP, 0, exe.c_str(), -1, &wide[0],
                                            static_cast<int>(wide.size())) > 0) {
    ITypeLib* lib = nullptr;
    if (SUCCEEDED(::LoadTypeLibEx(wide.c_str(), REGKIND_NONE, &lib)) && lib) {
      TLIBATTR* attr = nullptr;
      if (SUCCEEDED(lib->GetLibAttr(&attr)) && attr) {
        const std::string neutral = NeutralTypeLibKey(*attr);
        if (!neutral.empty()) DeleteTree(HKEY_CLASSES_ROOT, neutral);
        ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                            attr->syskind);
        lib->ReleaseTLibAttr(attr);
      }
      lib->Release();
    }
  }
  return S_OK;
}

HRESULT ServerRegistration::Install() {
  {
    rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager) {
      rm::UniqueServiceHandle existing(
          ::OpenServiceA(manager.get(), serviceName_.c_str(), SERVICE_QUERY_CONFIG));
      if (existing) return S_OK;
    }
  }
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return rm::LastErrorResult();
  std::string path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  // A path with spaces is quoted, so that the manager cannot start a
  // program named by the path's first word instead.
  if (path.find(' ') != std::string::npos) path = "\"" + path + "\"";
  rm::UniqueServiceHandle service(::CreateServiceA(
      manager.get(), serviceName_.c_str(), displayName_.c_str(), SERVICE_ALL_ACCESS,
      SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path.c_str(),
      nullptr, nullptr, "RPCSS\0", nullptr, nullptr));
  return service ? S_OK : rm::LastErrorResult();
}

HRESULT ServerRegistration::Uninstall() {
  {
    rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return S_OK;
    rm::UniqueServiceHandle existing(
        ::OpenServiceA(manager.get(), serviceName_.c_str(), SERVICE_QUERY_CONFIG));
    if (!existing) return S_OK;
  }
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return rm::LastErrorResult();
  rm::UniqueServiceHandle service(::OpenServiceA(manager.get(), serviceName_.c_str(),
                                                 SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
  if (!service) return rm::LastErrorResult();
  SERVICE_STATUS status{};
  if (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ||
      ::QueryServiceStatus(service.get(), &status)) {
    for (int i = 0; i < 21 && status.dwCurrentState == SERVICE_STOP_PENDING; ++i) {
      ::Sleep(500);
      if (!::QueryServiceStatus(service.get(), &status)) break;
    }
  }
  if (!::DeleteService(service.get())) return rm::LastErrorResult();
  service.reset();
  // The manager removes a deleted service only when its last handle is
  // closed and its process is gone; until then a new registration would
  // find the old entry and install nothing. Wait (bounded) for it to go.
  for (int i = 0; i < 40; ++i) {
    rm::UniqueServiceHandle old(
        ::OpenServiceA(manager.get(), serviceName_.c_str(), SERVICE_QUERY_STATUS));
    if (!old) break;
    ::Sleep(250);
  }
  return S_OK;
}

}  // namespace vtq
