// machineinfo-demo.exe: asks the bridge for the machine information record
// (vtqGetMachineInfoEx, full layout) and prints it as text lines.
// Exit code 0 on success, 1 when the call fails.
#include <windows.h>

#include <cstdio>

#include "bridge/host/MachineInfoText.h"
#include "common/win/Resource.h"
#include "vtqwmi.h"

int main() {
  try {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    int code = 1;
    {
      rm::ComPtr<IvtqCallBiosEx> bridge;
      HRESULT hr = ::CoCreateInstance(CLSID_vtqCallBiosEx, nullptr, CLSCTX_LOCAL_SERVER, IID_IvtqCallBiosEx,
                                      bridge.put_void());
      if (FAILED(hr)) {
        std::printf("The bridge could not be reached: 0x%08lX\n", static_cast<unsigned long>(hr));
      } else {
        rm::Variant info;
        V_VT(info.get()) = VT_ARRAY | VT_UI1;
        V_ARRAY(info.get()) = ::SafeArrayCreateVector(VT_UI1, 0, 388);
        ULONG size = 388;
        hr = V_ARRAY(info.get()) ? bridge->vtqGetMachineInfoEx(&size, info.get()) : E_OUTOFMEMORY;
        if (FAILED(hr)) {
          std::printf("vtqGetMachineInfoEx failed: 0x%08lX\n", static_cast<unsigned long>(hr));
        } else if ((info.type() != (VT_ARRAY | VT_UI1)) || !V_ARRAY(info.get())) {
          std::printf("vtqGetMachineInfoEx returned no byte array\n");
        } else {
          LONG lower = 0, upper = -1;
          ::SafeArrayGetLBound(V_ARRAY(info.get()), 1, &lower);
          ::SafeArrayGetUBound(V_ARRAY(info.get()), 1, &upper);
          const std::size_t count = upper >= lower ? static_cast<std::size_t>(upper - lower + 1) : 0;
          rm::SafeArrayData bytes(V_ARRAY(info.get()));
          if (bytes) {
            for (const std::string& line :
                 vtq::FormatMachineInfoRecord(static_cast<const std::uint8_t*>(bytes.data()), count)) {
              std::printf("%s\n", line.c_str());
            }
            code = 0;
          }
        }
      }
    }
    ::CoUninitialize();
    return code;
  } catch (...) {
    return 1;
  }
}
