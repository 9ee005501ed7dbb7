// The bridge's process: the start (a registration switch goes to
// ServerRegistration), the service under the service control manager, the
// run loop and its stop steps, the lock count, the calls in progress and
// the instance limit. Exactly one per process (ServiceModule::Instance()).
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "bridge/host/ServiceRules.h"

namespace vtq {

class ServiceModule {
 public:
  static ServiceModule& Instance();

  // Process start: initialises the module, acts on a switch or runs the
  // service (or the plain local server). Returns the process's exit code.
  int Start(HINSTANCE instance, const char* commandLine);

  // The service's (or local server's) run: serves the classes until WM_QUIT.
  void Run();

  // Methods refuse unless the service reports running.
  bool IsRunning() const { return state_.load() == SERVICE_RUNNING; }
  // Reports stop-pending and ends the run; returns at once (the run's end
  // stops the relay).
  void SelfStop();

  // Every live COM object and server lock holds one lock. In local-server
  // mode the last unlock ends the run, and so does holding no lock for
  // five seconds.
  LONG Lock();
  LONG Unlock();

  // Instances of vtqCallBiosEx constructed since the process started.
  std::uint32_t AddInstance() { return callCount_.fetch_add(1) + 1; }
  std::uint32_t CallCount() const { return callCount_.load(); }
  std::uint32_t InstanceLimit() const { return instanceLimit_; }
  LogFlags Flags() const { return logFlags_; }

  // Interface calls in progress; the run waits for them to return before
  // it revokes the class objects, so a call that stops the service still
  // reaches its client.
  void CallStarted();
  void CallEnded();

  const std::string& ServiceName() const { return serviceName_; }

 private:
  ServiceModule() = default;
  void Init(HINSTANCE instance);
  void ReportStatus(DWORD state);
  void StopHandling();
  HRESULT ReadRunMode();
  void ReadParameters();
  HRESULT RegisterClassObjects();
  void RevokeClassObjects();
  void StartTimer();
  void DeleteTimerQueue(bool wait);
  void WaitForCalls(DWORD timeoutMs);
  bool IdleTooLong() const;

  static void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
  static void WINAPI ControlHandler(DWORD control);
  static void CALLBACK StartupTimer(void* context, BOOLEAN fired);

  HINSTANCE instance_ = nullptr;
  std::string serviceName_ = "vtqwmi";
  std::string displayName_ = "Zarn WMI Interface";
  // Whether the process runs under the service control manager (the AppID
  // names the service and the dispatcher started); otherwise a plain local
  // server, which ends when no client holds an object.
  bool runsAsService_ = true;
  std::mutex statusMutex_;
  SERVICE_STATUS status_{};
  std::atomic<DWORD> state_{SERVICE_STOPPED};
  SERVICE_STATUS_HANDLE statusHandle_ = nullptr;
  std::atomic<DWORD> mainThreadId_{0};
  std::atomic<LONG> lockCount_{0};
  std::atomic<ULONGLONG> lastLockChange_{0};  // GetTickCount64 of the last Lock or Unlock
  std::atomic<std::uint32_t> callCount_{0};
  std::mutex callsMutex_;  // guards callsInProgress_
  std::condition_variable callsDone_;
  LONG callsInProgress_ = 0;
  std::uint32_t instanceLimit_ = 0;
  LogFlags logFlags_;
  std::atomic<HANDLE> timerQueue_{nullptr};
  std::atomic<bool> selfStopped_{false};
  std::atomic<bool> stopRequested_{false};  // a stop control or SelfStop
  DWORD classCookies_[2] = {0, 0};
  bool classRegistered_[2] = {false, false};
};

// Counts an interface call as in progress for as long as the method runs,
// so that the run waits for it before it revokes the class objects.
class CallScope {
 public:
  CallScope() { ServiceModule::Instance().CallStarted(); }
  ~CallScope() { ServiceModule::Instance().CallEnded(); }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
};

}  // namespace vtq
