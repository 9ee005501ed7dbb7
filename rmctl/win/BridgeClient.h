// rmctl's client of the bridge: one binding to vtqCallBiosEx, kept for the
// run, through which the radios are read and switched (vtqExecMethodEx), the
// machine record is fetched and the relay is started and ended. COM must be
// initialised on the calling thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/RadioFlags.h"
#include "common/win/OwningWrappers.h"
#include "vtqwmi.h"

namespace rmctl {

class BridgeClient {
 public:
  // Activates the class (COM starts the service); the error otherwise.
  HRESULT Connect();

  // The wireless query (command 1, type 5, 4 bytes back). S_OK only when
  // the firmware answered with return code 0.
  HRESULT ReadWord(rm::WirelessWord& word, std::uint32_t& returnCode);
  // The wireless switch (command 2, type 5, 4 bytes in, none back).
  HRESULT Switch(const rm::SwitchRequest& request, std::uint32_t& returnCode);
  // The 388-byte machine information record (full layout).
  HRESULT MachineRecord(std::vector<std::uint8_t>& record);

 private:
  rm::ComPtr<IvtqCallBiosEx> bridge_;
};

// One line for a failure of the bridge or the firmware: what it means and
// the code ("the bridge service is not registered: 0x80040154 (...)").
std::string BridgeFailureText(HRESULT hr);

}  // namespace rmctl
