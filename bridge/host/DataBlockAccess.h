// vtqExecDataBlock's work on the firmware: reads or writes ulState of the
// vtqDockQuery instance named "ACPI\PNP0C14\0_<instance>". Any RPC thread.
#pragma once

#include <windows.h>
#include <wbemidl.h>

namespace vtq {

// Walks every instance of the class (shallow enumeration, no time-out).
// Read (1): *state receives ulState of the matching instance. Write (2):
// ulState := *state as VT_I4, then PutInstance; *state is left as it was.
// Answers S_OK when the instance was read or written; E_INVALIDARG for
// another command or when no instance carries the name (*state unchanged);
// E_POINTER without state; otherwise the failing WMI call's HRESULT
// (CreateInstanceEnum of a missing class, Get, Put, PutInstance, Next).
HRESULT DataBlockAccess(IWbemServices* services, ULONG command, ULONG instance, ULONG* state);

}  // namespace vtq
