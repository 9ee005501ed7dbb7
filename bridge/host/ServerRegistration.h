// The bridge's registration: /RegServer, /Service and /UnregServer. Writes
// the registration table (RegistrationTable.h) by delete-then-write, the
// AppID's launch and access permissions, the type library (and under Wine
// its neutral-locale key), the service, its parameters' defaults and the
// relay names; unregistration removes the same table. Runs on the process's
// main thread before anything else.
#pragma once

#include <windows.h>

#include <string>

#include "bridge/host/RegistrationTable.h"

namespace vtq {

class ServerRegistration {
 public:
  ServerRegistration(HINSTANCE module, std::string serviceName, std::string displayName);

  // Registration as a plain local server (the service removed) or with the
  // service; with the service and on success also the parameters' defaults
  // and the relay names.
  HRESULT Register(bool withService);
  // Removes the relay names, the registration, the type library and the
  // service; S_OK once COM is initialised.
  HRESULT Unregister();

  // The service "vtqwmi" under the service control manager: installed once
  // (an existing one is kept), uninstalled after it has stopped.
  HRESULT Install();
  HRESULT Uninstall();

 private:
  HRESULT RegisterServer(bool withService);
  HRESULT UnregisterServer();
  void WriteParameterDefaults();
  std::string ModulePath() const;

  HINSTANCE module_;
  std::string serviceName_;
  std::string displayName_;
  RegistrationTable table_;
};

}  // namespace vtq
