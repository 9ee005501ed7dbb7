#include "tray/core/FirmwareWatcher.h"

#include <ole2.h>
#include <process.h>

#include <memory>
#include <new>

#include "common/win/Resource.h"
#include "vtqwmi.h"

namespace rm {
namespace {

// In-process server and handler, local and remote server: activation
// starts the bridge as a service.
constexpr DWORD kBridgeContexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                  CLSCTX_REMOTE_SERVER;
static_assert(kBridgeContexts == 0x17, "class contexts of the bridge activation");

struct WatcherArgument {
  RadioState* radios;
};

unsigned __stdcall WatcherThread(void* parameter) {
  std::unique_ptr<WatcherArgument> argument(static_cast<WatcherArgument*>(parameter));
  const HRESULT comInit = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  unsigned code = 0;
  try {
    RadioState* radios = argument ? argument->radios : nullptr;
    if (!radios || !radios->wirelessEvent) {
      code = 6;
    } else {
      // The stop request is tested after each Refresh: the wake-up that
      // the stop causes still re-reads once.
      while (radios->stopRequest.load() == 0) {
        ::WaitForSingleObject(radios->wirelessEvent.get(), INFINITE);
        radios->Refresh();
      }
    }
  } catch (...) {
    code = 6;
  }
  if (SUCCEEDED(comInit)) ::CoUninitialize();
  return code;
}

}  // namespace

HRESULT SetupBridgeEvents(LONG flag) {
  try {
    ComPtr<IUnknown> object;
    if (FAILED(::CoCreateInstance(CLSID_vtqCallBiosEx, nullptr, kBridgeContexts, IID_IUnknown, object.put_void())) ||
        !object)
      return E_FAIL;
    if (FAILED(::OleRun(object.get()))) return E_FAIL;
    ComPtr<IvtqCallBiosEx> bridge;
    if (FAILED(object->QueryInterface(IID_IvtqCallBiosEx, bridge.put_void())) || !bridge) return E_FAIL;
    object.reset();
    return SUCCEEDED(bridge->vtqSetupWmiEvents(flag)) ? S_OK : E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

bool OpenEventAndStartRelay(RadioState& radios) {
  radios.wirelessEvent.reset(::CreateEventA(nullptr, FALSE, FALSE, kWirelessEventName));
  if (!radios.wirelessEvent) return false;
  SetupBridgeEvents(1);
  return true;
}

bool StartWatcherThread(RadioState& radios) {
  auto* argument = new (std::nothrow) WatcherArgument{&radios};
  if (!argument) return false;
  radios.watcherThread.reset();
  radios.stopRequest.store(0);
  unsigned id = 0;
  const uintptr_t thread = ::_beginthreadex(nullptr, 0, &WatcherThread, argument, 0, &id);
  if (!thread) {
    delete argument;
    return false;
  }
  radios.watcherThread.reset(reinterpret_cast<HANDLE>(thread));
  radios.watcherThreadId = id;
  return true;
}

void StopWatcher(RadioState& radios) {
  radios.stopRequest.store(1);
  if (radios.wirelessEvent) ::SetEvent(radios.wirelessEvent.get());
  if (radios.watcherThread) {
    ::WaitForSingleObject(radios.watcherThread.get(), INFINITE);
    radios.watcherThread.reset();
    radios.watcherThreadId = 0;
  }
  SetupBridgeEvents(0);
  radios.wirelessEvent.reset();
}

}  // namespace rm
