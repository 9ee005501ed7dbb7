#include "bridge/host/ServiceModule.h"

#include <oleauto.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "bridge/host/CallLog.h"
#include "bridge/host/ClassObjects.h"
#include "bridge/host/ComSecurity.h"
#include "bridge/host/ServerRegistration.h"
#include "bridge/host/Resources.h"
#include "bridge/host/ServiceLog.h"
#include "bridge/wmi/WmiConnection.h"
#include "bridge/relay/EventRelay.h"
#include "bridge/relay/NamedEvent.h"
#include "common/RegistryValue.h"
#include "common/win/OwningWrappers.h"

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

// A REG_DWORD of exactly four bytes; anything else counts as unreadable.
// A parameter is read by the same rule as the tray program's settings: a
// 4-byte REG_DWORD, anything else counts as unreadable.
bool ReadDword(HKEY key, const char* name, DWORD& value) {
  DWORD type = 0;
  BYTE data[4] = {};
  DWORD size = sizeof(data);
  if (::RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) return false;
  std::uint32_t taken = 0;
  if (!rm::TakeDwordValue(type, data, size, &taken)) return false;
  value = taken;
  return true;
}

std::string LoadText(HINSTANCE instance, UINT id, const char* fallback) {
  char buffer[MAX_PATH] = "";
  const int n = ::LoadStringA(instance, id, buffer, sizeof(buffer));
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string(fallback);
}

}  // namespace

// Never destroyed: a late call on an RPC thread may still reach it while
// the process exits.
ServiceModule& ServiceModule::Instance() {
  static ServiceModule* const module = new ServiceModule();
  return *module;
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
  runsAsService_ = true;
}

int ServiceModule::Start(HINSTANCE instance, const char* commandLine) {
  Init(instance);
  ServerRegistration registration(instance_, serviceName_, displayName_);
  switch (ParseSwitch(commandLine ? commandLine : "")) {
    case Switch::UnregServer:
      return static_cast<int>(registration.Unregister());
    case Switch::RegServer:
      return static_cast<int>(registration.Register(false));
    case Switch::Service:
      return static_cast<int>(registration.Register(true));
    case Switch::None:
      break;
  }

  // Without the AppID key the process exits with the registry's status.
  const HRESULT mode = ReadRunMode();
  if (FAILED(mode)) return static_cast<int>(HRESULT_CODE(mode));

  if (runsAsService_) {
    char name[MAX_PATH];
    lstrcpynA(name, serviceName_.c_str(), sizeof(name));
    SERVICE_TABLE_ENTRYA table[] = {{name, &ServiceModule::ServiceMain}, {nullptr, nullptr}};
    if (!::StartServiceCtrlDispatcherA(table)) runsAsService_ = false;
  }
  if (!runsAsService_) Run();
  std::lock_guard<std::mutex> lock(statusMutex_);
  return static_cast<int>(status_.dwWin32ExitCode);
}

// The process runs as the service when the AppID names one (LocalService),
// else as a plain local server.
HRESULT ServiceModule::ReadRunMode() {
  rm::UniqueRegKey appIds;
  LONG rc = ::RegOpenKeyExA(HKEY_CLASSES_ROOT, "AppID", 0, KEY_READ, appIds.put());
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  rm::UniqueRegKey appId;
  rc = ::RegOpenKeyExA(appIds.get(), kAppId, 0, KEY_READ, appId.put());
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  char localService[260];
  DWORD size = sizeof(localService);
  runsAsService_ = ::RegQueryValueExA(appId.get(), kLocalServiceValue, nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(localService), &size) == ERROR_SUCCESS;
  return S_OK;
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
  if (runsAsService_) ReportStatus(SERVICE_STOP_PENDING);
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
  if (count == 0 && !runsAsService_) {
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

// Stops at the first failure; the classes registered before it are served.
HRESULT ServiceModule::RegisterClassObjects() {
  IClassFactory* factories[2] = {CallBiosExClassObject(), WmiKestrelClassObject()};
  const CLSID* clsids[2] = {&CLSID_vtqCallBiosEx, &CLSID_WmiKestrel};
  for (int i = 0; i < 2; ++i) {
    const HRESULT hr =
        ::CoRegisterClassObject(*clsids[i], factories[i], CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                &classCookies_[i]);
    if (FAILED(hr)) return hr;
    classRegistered_[i] = true;
  }
  return S_OK;
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
  if (runsAsService_) ReportStatus(SERVICE_RUNNING);
  RegisterClassObjects();
  StartTimer();

  // A plain local server that no client uses ends by itself: one that was
  // run by hand, or that COM started for a client that was served by the
  // service instead, would otherwise hold its refusing class objects for
  // good, and later clients would be handed them.
  lastLockChange_ = ::GetTickCount64();
  const UINT_PTR idleTimer = runsAsService_ ? 0 : ::SetTimer(nullptr, 0, kIdleCheckMs, nullptr);
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
