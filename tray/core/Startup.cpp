#include "tray/core/Startup.h"

#include <objbase.h>

#include <memory>
#include <new>

#include "common/settings/SettingsStore.h"
#include "common/win/OwningWrappers.h"
#include "tray/core/AppModule.h"
#include "tray/core/RadioState.h"
#include "tray/core/StartupRules.h"
#include "tray/core/TrayWindow.h"

namespace rm {
namespace {

bool g_openStatusRequest = false;

ProbeOutcome OutcomeOf(HRESULT hr) {
  if (SUCCEEDED(hr)) return ProbeOutcome::kSucceeded;
  return hr == E_ACCESSDENIED ? ProbeOutcome::kAccessDenied : ProbeOutcome::kOtherFailure;
}

// Steps after the probe: refuse with a notice, or run the tray window's
// loop. Returns when the program is to end.
void RunOrRefuse(HINSTANCE instance, std::unique_ptr<RadioState>& radios, ProgramWindows& windows) {
  StartupDiagnostics& diagnostics = AppDiagnostics();
  const HRESULT probe = radios->Probe();
  diagnostics.Set(StartupDiagnostics::kProbe, probe);

  Settings& settings = AppSettings();
  const StartupAction action = DecideStartup(OutcomeOf(probe), radios->Flags(), settings.doNotShowNoDevDlg != 0);
  if (WritesDebugInfo(action)) WriteDebugInfo(diagnostics);
  switch (action) {
    case StartupAction::kGuestNotice:
      windows.ShowGuestNotice(instance);
      return;
    case StartupAction::kUnsupportedNotice:
      windows.ShowUnsupportedNotice(instance);
      return;
    case StartupAction::kNoDevicesNotice:
      windows.ShowNoDevicesNotice(instance, settings, ::GetActiveWindow());
      return;
    case StartupAction::kEndSilently:
      return;
    case StartupAction::kRun:
      break;
  }

  TrayWindow tray(*radios, windows);
  MessageLoop loop;
  Module().SetMessageLoop(&loop);
  const HWND window = tray.Create(instance);
  if (!window) {
    Module().SetMessageLoop(nullptr);
    radios->Client().Disconnect();
    return;
  }
  ::ShowWindow(window, SW_HIDE);
  radios->SetTrayWindow(window);
  ::SetTimer(window, kStartupTimerId, kStartupTimerMs, nullptr);

  loop.Run();

  Module().SetMessageLoop(nullptr);
  radios->Client().Disconnect();
  // A window still there (the loop ended on a GetMessage error) goes with
  // its object.
  if (tray.hwnd()) ::DestroyWindow(tray.hwnd());
  radios->SetTrayWindow(nullptr);
}

}  // namespace

StartupDiagnostics& AppDiagnostics() {
  static StartupDiagnostics diagnostics;
  return diagnostics;
}

bool OpenStatusRequested() { return g_openStatusRequest; }

int RunTrayProgram(HINSTANCE instance, const char* commandLine, ProgramWindows& windows) {
  StartupDiagnostics& diagnostics = AppDiagnostics();
  diagnostics.Reset();

  // Created not owned; a second instance (or one of another user that we
  // may not open) ends at once without a word to the first.
  UniqueHandle mutex(::CreateMutexA(nullptr, FALSE, kSingleInstanceMutex));
  const DWORD mutexError = ::GetLastError();
  if (mutexError == ERROR_ALREADY_EXISTS || mutexError == ERROR_ACCESS_DENIED) return 0;

  // Results are recorded, not acted on: a failure shows up as a failed probe.
  const HRESULT comInit = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  diagnostics.Set(StartupDiagnostics::kComInit, comInit);
  // The firmware connection relies on impersonation for its calls.
  diagnostics.Set(StartupDiagnostics::kComSecurity,
                  ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr));
  diagnostics.Set(StartupDiagnostics::kModuleInit, Module().Init(instance));

  ReadSettingsAtStartup(AppSettings());
  g_openStatusRequest = CommandLineWantsStatusPage(commandLine);

  {
    std::unique_ptr<RadioState> radios(new (std::nothrow) RadioState(diagnostics));
    diagnostics.Set(StartupDiagnostics::kRadioState, NonzeroHandleValue(radios.get()));
    if (radios) RunOrRefuse(instance, radios, windows);
  }

  Module().Term();
  // Balance a successful initialisation only.
  if (SUCCEEDED(comInit)) ::CoUninitialize();
  mutex.reset();
  return 0;
}

}  // namespace rm
