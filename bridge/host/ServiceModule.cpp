#include "bridge/host/ServiceModule.h"

#include <oleauto.h>

#include <chrono>
#include <vector>

#include "bridge/host/CallLog.h"
#include "bridge/host/ClassObjects.h"
#include "bridge/host/ComSecurity.h"
#include "bridge/host/RegistrationTable.h"
#include "bridge/host/Resources.h"
#include "bridge/host/ServiceLog.h"
#include "bridge/host/WmiConnection.h"
#include "bridge/relay/EventRelay.h"
#include "bridge/relay/NamedEvent.h"
#include "common/win/Resource.h"

namespace vtq {
namespace {

constexpr DWORD kStartTimerMs = 10000;
constexpr DWORD kCallDrainMs = 10000;
// The bounds of the other stop steps: the start-up timer's callback, the
// release of the WMI connection cache.
constexpr DWORD kTimerStopMs = 5000;
constexpr DWORD kCacheReleaseMs = 5000;
// Their sum, with the relay's (kRelayStopLockMs, kRelayStopWaitMs).
constexpr DWORD kStopWaitHintMs = kTimerStopMs + kRelayStopLockMs + kRelayStopWaitMs + kCallDrainMs + kCacheReleaseMs;
constexpr DWORD kReplyGraceMs = 250;
// A plain local server that has held no object for this long ends, checked
// every kIdleCheckMs.
constexpr ULONGLONG kIdleEndMs = 5000;
constexpr UINT kIdleCheckMs = 1000;

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

// A REG_DWORD of exactly four bytes; anything else counts as unreadable.
bool ReadDword(HKEY key, const char* name, DWORD& value) {
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof(data);
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
      ERROR_SUCCESS)
    return false;
  if (type != REG_DWORD || size != sizeof(data)) return false;
  value = data;
  return true;
}

std::string LoadText(HINSTANCE instance, UINT id, const char* fallback) {
  char buffer[MAX_PATH] = "";
  const int n = ::LoadStringA(instance, id, buffer, sizeof(buffer));
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string(fallback);
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

// Never destroyed: a late call on an RPC thread may still reach it while
// the process exits.
ServiceModule& ServiceModule::Instance() {
  static ServiceModule* const module = new ServiceModule();
  return *module;
}

std::string ServiceModule::ModulePath() const {
  char path[MAX_PATH] = "";
  const DWORD n = ::GetModuleFileNameA(instance_, path, sizeof(path));
  if (n == 0 || n >= sizeof(path)) return std::string();
  return path;
}

void ServiceModule::Init(HINSTANCE instance) {
  instance_ = instance;
  serviceName_ = LoadText(instance, IDS_SERVICENAME, "vtqwmi");
  displayName_ = LoadText(instance, IDS_DISPLAYNAME, "Zarn WMI Interface");
  status_ = SERVICE_STATUS{};
  status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status_.dwCurrentState = SERVICE_STOPPED;
  status_.dwControlsAccepted = SERVICE_ACCEPT_STOP;
  state_ = SERVICE_STOPPED;
  serviceFlag_ = true;
}

int ServiceModule::Start(HINSTANCE instance, const char* commandLine) {
  Init(instance);
  switch (ParseSwitch(commandLine ? commandLine : "")) {
    case Switch::UnregServer:
      for (const RelayEventName& relay : kRelayEventNames) RemoveRelayEvent(relay.name);
      return static_cast<int>(UnregisterServer());
    case Switch::RegServer:
      return static_cast<int>(RegisterServer(false));
    case Switch::Service: {
      const HRESULT hr = RegisterServer(true);
      if (SUCCEEDED(hr)) {
        rm::UniqueRegKey params;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, params.put(),
                              nullptr) == ERROR_SUCCESS) {
          const DWORD zero = 0;
          ::RegSetValueExA(params.get(), kMaxAllowedValue, 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&zero), sizeof(zero));
          ::RegSetValueExA(params.get(), kSettingsValue, 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&zero), sizeof(zero));
        }
        for (const RelayEventName& relay : kRelayEventNames) RegisterRelayEvent(relay.id, relay.name);
      }
      return static_cast<int>(hr);
    }
    case Switch::None:
      break;
  }

  rm::UniqueRegKey appIds;
  LONG rc = ::RegOpenKeyExA(HKEY_CLASSES_ROOT, "AppID", 0, KEY_READ, appIds.put());
  if (rc != ERROR_SUCCESS) return static_cast<int>(rc);
  rm::UniqueRegKey appId;
  rc = ::RegOpenKeyExA(appIds.get(), kAppId, 0, KEY_READ, appId.put());
  if (rc != ERROR_SUCCESS) return static_cast<int>(rc);
  char localService[260];
  DWORD size = sizeof(localService);
  serviceFlag_ = ::RegQueryValueExA(appId.get(), kLocalServiceValue, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(localService),
                                    &size) == ERROR_SUCCESS;

  if (serviceFlag_) {
    char name[MAX_PATH];
    lstrcpynA(name, serviceName_.c_str(), sizeof(name));
    SERVICE_TABLE_ENTRYA table[] = {{name, &ServiceModule::ServiceMain}, {nullptr, nullptr}};
    if (!::StartServiceCtrlDispatcherA(table)) serviceFlag_ = false;
  }
  if (!serviceFlag_) Run();
  std::lock_guard<std::mutex> lock(statusMutex_);
  return static_cast<int>(status_.dwWin32ExitCode);
}

HRESULT ServiceModule::RegisterServer(bool withService) {
  ComApartment com(COINIT_APARTMENTTHREADED);
  if (FAILED(com.result())) return com.result();
  Uninstall();
  HRESULT hr = ApplyEntries(AppIdKeysToReplace(), AppIdEntries());
  if (FAILED(hr)) return hr;

  rm::UniqueRegKey appId;
  const std::string appIdKey = std::string("AppID\\") + kAppId;
  const LONG rc =
      ::RegOpenKeyExA(HKEY_CLASSES_ROOT, appIdKey.c_str(), 0, KEY_WRITE, appId.put());
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  for (const std::string& value : AppIdValuesToDelete()) ::RegDeleteValueA(appId.get(), value.c_str());
  const LONG permissions = WriteComPermissions(appId.get());
  if (permissions != ERROR_SUCCESS) return HRESULT_FROM_WIN32(permissions);
  if (withService) {
    SetString(appId.get(), kLocalServiceValue, serviceName_.c_str());
    SetString(appId.get(), kServiceParametersValue, kServiceArguments);
    if (RunningUnderWine()) SetString(appId.get(), kWineServiceParamsValue, kServiceArguments);
    Install();
  }

  const std::string exe = ModulePath();
  if (exe.empty()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  for (const ClassRegistration& c : ServedClasses()) {
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

HRESULT ServiceModule::UnregisterServer() {
  ComApartment com(COINIT_APARTMENTTHREADED);
  if (FAILED(com.result())) return com.result();
  for (const std::string& key : AppIdKeysToDelete()) DeleteTree(HKEY_CLASSES_ROOT, key);
  Uninstall();
  for (const ClassRegistration& c : ServedClasses())
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

bool ServiceModule::Install() {
  {
    rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager) {
      rm::UniqueServiceHandle existing(
          ::OpenServiceA(manager.get(), serviceName_.c_str(), SERVICE_QUERY_CONFIG));
      if (existing) return true;
    }
  }
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return false;
  std::string path = ModulePath();
  if (path.empty()) return false;
  // A path with spaces is quoted, so that the manager cannot start a
  // program named by the path's first word instead.
  if (path.find(' ') != std::string::npos) path = "\"" + path + "\"";
  rm::UniqueServiceHandle service(::CreateServiceA(
      manager.get(), serviceName_.c_str(), displayName_.c_str(), SERVICE_ALL_ACCESS,
      SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path.c_str(),
      nullptr, nullptr, "RPCSS\0", nullptr, nullptr));
  return static_cast<bool>(service);
}

bool ServiceModule::Uninstall() {
  {
    rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return true;
    rm::UniqueServiceHandle existing(
        ::OpenServiceA(manager.get(), serviceName_.c_str(), SERVICE_QUERY_CONFIG));
    if (!existing) return true;
  }
  rm::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return false;
  rm::UniqueServiceHandle service(::OpenServiceA(manager.get(), serviceName_.c_str(),
                                                 SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
  if (!service) return false;
  SERVICE_STATUS status{};
  if (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ||
      ::QueryServiceStatus(service.get(), &status)) {
    for (int i = 0; i < 21 && status.dwCurrentState == SERVICE_STOP_PENDING; ++i) {
      ::Sleep(500);
      if (!::QueryServiceStatus(service.get(), &status)) break;
    }
  }
  if (!::DeleteService(service.get())) return false;
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
  return true;
}

void ServiceModule::ReportStatus(DWORD state) {
  std::lock_guard<std::mutex> lock(statusMutex_);
  status_.dwCurrentState = state;
  // The manager may wait this long for the bounded stop steps of Run.
  status_.dwWaitHint = state == SERVICE_STOP_PENDING ? kStopWaitHintMs : 0;
  state_ = state;
  if (statusHandle_) ::SetServiceStatus(statusHandle_, &status_);
}

void WINAPI ServiceModule::ServiceMain(DWORD, LPSTR*) {
  ServiceModule& m = Instance();
  try {
    {
      std::lock_guard<std::mutex> lock(m.statusMutex_);
      m.status_.dwCurrentState = SERVICE_START_PENDING;
      m.state_ = SERVICE_START_PENDING;
      m.statusHandle_ =
          ::RegisterServiceCtrlHandlerA(m.serviceName_.c_str(), &ServiceModule::ControlHandler);
      if (!m.statusHandle_) return;
      m.status_.dwWin32ExitCode = NO_ERROR;
      m.status_.dwServiceSpecificExitCode = 0;
      m.status_.dwCheckPoint = 0;
      m.status_.dwWaitHint = 0;
    }
    m.ReportStatus(SERVICE_START_PENDING);
    m.Run();
  } catch (...) {
    std::lock_guard<std::mutex> lock(m.statusMutex_);
    m.status_.dwWin32ExitCode = ERROR_EXCEPTION_IN_SERVICE;
  }
  m.ReportStatus(SERVICE_STOPPED);
}

void WINAPI ServiceModule::ControlHandler(DWORD control) {
  try {
    switch (ActionForControl(control)) {
      case ControlAction::Stop:
        Instance().ReportStatus(SERVICE_STOP_PENDING);
        Instance().StopHandling();
        break;
      case ControlAction::SelfStop:
        Instance().SelfStop();
        break;
      case ControlAction::None:
        break;
    }
  } catch (...) {
  }
}

void ServiceModule::SelfStop() {
  // Once: every call after the limit ends here again.
  if (selfStopped_.exchange(true)) return;
  if (serviceFlag_) ReportStatus(SERVICE_STOP_PENDING);
  StopHandling();
}

// Quick, on the control handler's thread or a call's: the relay and the
// run's end do the waiting.
void ServiceModule::StopHandling() {
  stopRequested_ = true;
  RefuseSubscriptions();
  PulseNamedEvent(kShutdownEventName);
  const DWORD thread = mainThreadId_.load();
  if (thread) ::PostThreadMessageA(thread, WM_QUIT, 0, 0);
}

LONG ServiceModule::Lock() {
  lastLockChange_ = ::GetTickCount64();
  return ++lockCount_;
}

LONG ServiceModule::Unlock() {
  lastLockChange_ = ::GetTickCount64();
  const LONG count = --lockCount_;
  if (count == 0 && !serviceFlag_) {
    const DWORD thread = mainThreadId_.load();
    if (thread) ::PostThreadMessageA(thread, WM_QUIT, 0, 0);
  }
  return count;
}

void ServiceModule::ReadParameters() {
  rm::UniqueRegKey params;
  instanceLimit_ = 0;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, KEY_READ, params.put()) !=
      ERROR_SUCCESS)
    return;
  DWORD value = 0;
  if (ReadDword(params.get(), kMaxAllowedValue, value)) instanceLimit_ = value;
  if (ReadDword(params.get(), kSettingsValue, value)) logFlags_ = DecodeSettings(value);
}

void ServiceModule::RegisterClassObjects() {
  IClassFactory* factories[2] = {CallBiosExClassObject(), WmiKestrelClassObject()};
  const CLSID* clsids[2] = {&CLSID_vtqCallBiosEx, &CLSID_WmiKestrel};
  for (int i = 0; i < 2; ++i) {
    const HRESULT hr =
        ::CoRegisterClassObject(*clsids[i], factories[i], CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                &classCookies_[i]);
    if (FAILED(hr)) break;
    classRegistered_[i] = true;
  }
}

void ServiceModule::RevokeClassObjects() {
  for (int i = 0; i < 2; ++i) {
    if (classRegistered_[i]) ::CoRevokeClassObject(classCookies_[i]);
    classRegistered_[i] = false;
  }
}

void CALLBACK ServiceModule::StartupTimer(void* context, BOOLEAN) {
  try {
    ResubscribeAtStart(context);
  } catch (...) {
  }
  Instance().DeleteTimerQueue(false);
}

void ServiceModule::StartTimer() {
  HANDLE queue = ::CreateTimerQueue();
  if (!queue) return;
  timerQueue_ = queue;
  HANDLE timer = nullptr;
  if (!::CreateTimerQueueTimer(&timer, queue, &ServiceModule::StartupTimer, this, kStartTimerMs, 0,
                               WT_EXECUTEDEFAULT))
    DeleteTimerQueue(true);
}

// The queue is deleted once: by the timer's own callback (without waiting,
// as a callback must) or at the end of the run, which waits at most
// kTimerStopMs for a callback under way (one blocked behind a subscription
// that hangs in WMI is left to the process's end).
void ServiceModule::DeleteTimerQueue(bool wait) {
  HANDLE queue = timerQueue_.exchange(nullptr);
  if (!queue) return;
  if (!wait) {
    ::DeleteTimerQueueEx(queue, nullptr);
    return;
  }
  rm::UniqueHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (::DeleteTimerQueueEx(queue, done.get()) || ::GetLastError() == ERROR_IO_PENDING)
    if (done) ::WaitForSingleObject(done.get(), kTimerStopMs);
}

void ServiceModule::CallStarted() {
  std::lock_guard<std::mutex> lock(callsMutex_);
  ++callsInProgress_;
}

void ServiceModule::CallEnded() {
  std::lock_guard<std::mutex> lock(callsMutex_);
  if (--callsInProgress_ == 0) callsDone_.notify_all();
}

void ServiceModule::WaitForCalls(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(callsMutex_);
  callsDone_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return callsInProgress_ <= 0; });
}

bool ServiceModule::IdleTooLong() const {
  return lockCount_.load() == 0 && ::GetTickCount64() - lastLockChange_.load() >= kIdleEndMs;
}

void ServiceModule::Run() {
  PrepareLog(kLogFileName);
  ReadParameters();
  if (logFlags_.success) WriteLog(logtext::kServiceStarted);

  // The thread's message queue exists before anyone can post WM_QUIT to it.
  MSG msg;
  ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  mainThreadId_ = ::GetCurrentThreadId();

  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const HRESULT security = SetProcessComSecurity();
  if (FAILED(security) && logFlags_.failure) WriteLog(logtext::kSecurityFailed, static_cast<unsigned long>(security));

  // Running is reported before the class objects are registered: a client's
  // first call can then never meet a service that is still starting.
  ShutdownEvent().Create();
  if (serviceFlag_) ReportStatus(SERVICE_RUNNING);
  RegisterClassObjects();
  StartTimer();

  // A plain local server that no client uses ends by itself: one that was
  // run by hand, or that COM started for a client that was served by the
  // service instead, would otherwise hold its refusing class objects for
  // good, and later clients would be handed them.
  lastLockChange_ = ::GetTickCount64();
  const UINT_PTR idleTimer = serviceFlag_ ? 0 : ::SetTimer(nullptr, 0, kIdleCheckMs, nullptr);
  for (;;) {
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (idleTimer && msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == idleTimer) {
      if (IdleTooLong()) break;
      continue;
    }
    ::DispatchMessageA(&msg);
  }
  if (idleTimer) ::KillTimer(nullptr, idleTimer);

  // Each step bounded, in this order: the start-up timer (it subscribes),
  // the relay, the calls in progress and the class objects, the cached
  // connections, so that nothing refills what a later step releases.
  DeleteTimerQueue(true);
  RefuseSubscriptions();
  if (stopRequested_.load()) StopRelay();
  WaitForCalls(kCallDrainMs);
  // The call that stopped the service has returned from its method; give
  // COM a moment to send its reply before the class objects go.
  if (selfStopped_.load()) ::Sleep(kReplyGraceMs);
  RevokeClassObjects();
  WmiConnection::Instance().Release(kCacheReleaseMs);
  if (logFlags_.success) WriteLog(logtext::kServiceStopped);
}

}  // namespace vtq
