// The class objects (factories) of the bridge's two classes and the type
// information their IDispatch implementations forward to.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "vtqwmi.h"

namespace vtq {

// Process-wide class objects; they live as long as the process and do not
// hold module locks themselves (LockServer does).
IClassFactory* CallBiosExClassObject();
IClassFactory* WmiKestrelClassObject();

// The type library's description of an interface, loaded once from the
// executable's TYPELIB 1. nullptr (and the failure in *result) when it
// cannot be loaded. The returned pointer is not AddRef'd and lives as long
// as the process.
ITypeInfo* InterfaceTypeInfo(REFIID iid, HRESULT* result);

}  // namespace vtq
