// BiosClient: the tray program's connection to the firmware's WMI method
// class vtqBIntM. Connected once at start-up, then used for every query and
// switch from the main thread and the firmware event watcher thread.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <cstdint>
#include <mutex>

#include "common/BiosCall.h"
#include "common/win/OwningWrappers.h"
#include "common/StartupDiagnostics.h"

namespace rm {

class BiosClient {
 public:
  // Connect records its steps in `diagnostics` (slots 5 to 13), which must
  // outlive the client.
  explicit BiosClient(StartupDiagnostics& diagnostics);
  BiosClient(const BiosClient&) = delete;
  BiosClient& operator=(const BiosClient&) = delete;
  ~BiosClient();

  // Main thread, once, before any call.
  bool Connect();
  // Releases the class object, the services and the locator, in that order.
  void Disconnect();

  // One request. `input` is a VT_ARRAY|VT_UI1 variant (a null array when
  // dwSizeIn is 0); `output` receives the Data property when dwSizeOut is
  // not 0. *lpRetCode always receives the last return code read, which is
  // the previous call's (or -1) when this call failed before reading one.
  HRESULT Execute(std::uint32_t dwCmd, std::uint32_t dwType, std::uint32_t dwSizeIn, std::uint32_t dwSizeOut,
                  std::uint32_t* lpRetCode, VARIANT* input, VARIANT* output);

  // The byte form of Execute. The output bytes change only when the answer
  // has exactly dwSizeOut elements; otherwise the result is E_FAIL with
  // return code 87. Both buffers must hold their sizes.
  HRESULT Call(std::uint32_t dwCmd, std::uint32_t dwType, std::uint32_t dwSizeIn, std::uint32_t dwSizeOut,
               std::uint32_t* lpRetCode, const std::uint8_t* input, std::uint8_t* output);

 private:
  HRESULT ExecuteLocked(VARIANT* input, VARIANT* output);

  StartupDiagnostics& diagnostics_;
  // Execute and Call hold it from start to end: the current call lives in
  // the members below and both threads use the one client.
  std::recursive_mutex lock_;
  ComPtr<IWbemLocator> locator_;
  ComPtr<IWbemServices> services_;
  ComPtr<IWbemClassObject> class_;
  Variant instancePath_;
  bool connected_ = false;  // the last Connect succeeded; calls need it
  std::int32_t returnCode_ = -1;
  BiosCall current_;
};

}  // namespace rm
