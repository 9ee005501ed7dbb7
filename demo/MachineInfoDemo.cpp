// machineinfo-demo.exe: asks the bridge for the machine information record
// (vtqGetMachineInfoEx, full layout) and prints it as text lines.
// Exit code 0 on success, 1 when the call fails.
#include <windows.h>

#include <cstdio>

#include "rmctl/core/MachineInfoText.h"
#include "tests/system/bridge/MachineInfoClient.h"

namespace {

int PrintRecord() {
  rm::ComPtr<IDispatch> bridge;
  HRESULT hr = machineinfotest::CreateBridge(bridge);
  if (FAILED(hr)) {
    std::printf("The bridge could not be reached: 0x%08lX\n", static_cast<unsigned long>(hr));
    return 1;
  }
  rm::Variant info = machineinfotest::ByteArray(388);
  ULONG size = 388;
  hr = machineinfotest::GetMachineInfoEx(bridge.get(), &size, info.get());
  if (FAILED(hr)) {
    std::printf("vtqGetMachineInfoEx failed: 0x%08lX\n", static_cast<unsigned long>(hr));
    return 1;
  }
  const std::vector<std::uint8_t> record = machineinfotest::ArrayBytes(info);
  for (const std::string& line : rmctl::FormatMachineInfoRecord(record.data(), record.size())) {
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

}  // namespace

int main() {
  try {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE,
                           nullptr, EOAC_NONE, nullptr);
    const int code = PrintRecord();
    ::CoUninitialize();
    return code;
  } catch (...) {
    return 1;
  }
}
