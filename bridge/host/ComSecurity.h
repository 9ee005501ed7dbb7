// The COM security of the bridge's process and of its AppID: who may
// launch it and call it (AccessLists.h), and what a caller may hand it.
#pragma once

#include <windows.h>

namespace vtq {

// The process-wide security, set once before any class object is
// registered: the permissions of kComPermissions, packet authentication,
// identify-level impersonation and kComCapabilities; then, where the system
// has it, the strong unmarshaling policy. The result of CoInitializeSecurity.
HRESULT SetProcessComSecurity();

// kComPermissions as the AppID key's LaunchPermission and AccessPermission
// (self-relative, REG_BINARY). The first failure's status.
LONG WriteComPermissions(HKEY appIdKey);

}  // namespace vtq
