#include "tray/core/FirmwareWatcher.h"

#include <ole2.h>
#include <process.h>
#include <sddl.h>

#include <memory>
#include <new>

#include "common/win/OwningWrappers.h"
#include "vtqwmi.h"

namespace rm {
namespace {

// In-process server and handler, local and remote server: activation
// starts the bridge as a service.
constexpr DWORD kBridgeContexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                  CLSCTX_REMOTE_SERVER;
static_assert(kBridgeContexts == 0x17, "class contexts of the bridge activation");

// The wireless event is shared by every session's tray program, the bridge
// (SYSTEM) and rmctl: every interactive user may wait on it and set it, so
// the tray program of a second session opens the event the first one made.
constexpr char kWirelessEventSecurity[] = "D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100002;;;IU)";
constexpr DWORD kWaitAndSet = SYNCHRONIZE | EVENT_MODIFY_STATE;
static_assert(kWaitAndSet == 0x00100002, "the interactive users' access in the descriptor");

HANDLE CreateOrOpenWirelessEvent() {
  UniqueLocal descriptor;
  ::ConvertStringSecurityDescriptorToSecurityDescriptorA(kWirelessEventSecurity, SDDL_REVISION_1, descriptor.put(),
                                                         nullptr);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
  HANDLE event = ::CreateEventA(descriptor ? &attributes : nullptr, FALSE, FALSE, kWirelessEventName);
  // An event that exists already is opened with all access, which only its
  // maker has; the rest of us ask for what the watcher needs.
  if (!event && ::GetLastError() == ERROR_ACCESS_DENIED) event = ::OpenEventA(kWaitAndSet, FALSE, kWirelessEventName);
  return event;
}

// The watcher thread's exit code when it cannot watch: its argument or one
// of its events is missing, or an exception ended it.
constexpr unsigned kWatcherExitCannotWatch = 6;

struct WatcherArgument {
  RadioState* radios;
};

unsigned __stdcall WatcherThread(void* parameter) {
  std::unique_ptr<WatcherArgument> argument(static_cast<WatcherArgument*>(parameter));
  const HRESULT comInit = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  unsigned code = 0;
  try {
    RadioState* radios = argument ? argument->radios : nullptr;
    if (!radios || !radios->wirelessEvent || !radios->switchSignal || !radios->stopSignal) {
      code = kWatcherExitCannotWatch;
    } else {
      // The stop comes first and through a signal of our own: another
      // waiter on the shared event (a second session's tray program) may
      // take any signal of that one. Our own switches, likewise, come
      // through a signal of our own too.
      const HANDLE waits[] = {radios->stopSignal.get(), radios->switchSignal.get(), radios->wirelessEvent.get()};
      while (radios->stopRequest.load() == 0) {
        const DWORD woken = ::WaitForMultipleObjects(3, waits, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
        radios->Refresh();
      }
    }
  } catch (...) {
    code = kWatcherExitCannotWatch;
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
  radios.wirelessEvent.reset(CreateOrOpenWirelessEvent());
  radios.switchSignal.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
  radios.stopSignal.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!radios.wirelessEvent || !radios.switchSignal || !radios.stopSignal) {
    radios.wirelessEvent.reset();
    radios.switchSignal.reset();
    radios.stopSignal.reset();
    return false;
  }
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
  if (radios.stopSignal) ::SetEvent(radios.stopSignal.get());
  if (radios.watcherThread) {
    ::WaitForSingleObject(radios.watcherThread.get(), INFINITE);
    radios.watcherThread.reset();
    radios.watcherThreadId = 0;
  }
  SetupBridgeEvents(0);
  radios.wirelessEvent.reset();
  radios.switchSignal.reset();
  radios.stopSignal.reset();
}

}  // namespace rm
