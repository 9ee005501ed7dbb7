// The WMI side of a BiosCall: the method's name, its input parameters with
// the vtqBDataIn object, the method run, and the answer's OutData read. The
// tray program's BiosClient and the bridge's BiosCaller both build requests
// here; each keeps its own connection, target path and result codes.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <cstdint>

#include "common/BiosCall.h"
#include "common/win/OwningWrappers.h"

namespace rm {

// What differs between the callers. The *Missing results answer a WMI call
// that succeeded but handed back no object.
struct BiosRequestRules {
  int methodNameCapacity;        // wide characters, terminator included
  bool resolvesDataReference;    // vtqBData gets a VariantCopyInd copy, not the variant itself
  bool unreadableCodeFails;      // an rwReturnCode that is no integer fails the call
  HRESULT signatureMissing;      // GetMethod: no input signature
  HRESULT instanceMissing;       // SpawnInstance: no object
  HRESULT inputClassMissing;     // GetObject of vtqBDataIn: no class
  HRESULT outParamsMissing;      // ExecMethod: no output parameters
  HRESULT outDataMissing;        // OutData holds no object
  HRESULT outDataNotAnInstance;  // OutData's object is no IWbemClassObject
};

UniqueBstr Bstr(const wchar_t* text);

// A CIM uint32 property, which WMI takes as VT_I4.
HRESULT PutUint32(IWbemClassObject* object, const wchar_t* name, std::uint32_t value);

// A 32-bit value out of whatever integer-like variant the provider gave;
// VariantChangeType's failure when it is none.
HRESULT VariantToUint32(const VARIANT& value, std::uint32_t& out);

// BiosMethodName(dwSizeOut) widened with the ANSI code page into
// rules.methodNameCapacity wide characters.
HRESULT WideBiosMethodName(std::uint32_t dwSizeOut, const BiosRequestRules& rules, UniqueBstr& name);

// The input parameters of `method` (a method of `methodClass`) with InData a
// new vtqBDataIn: Sign kBiosSign, Command, CommandType and Size from `call`,
// and `data` (VT_EMPTY when null) as vtqBData, whatever its type.
HRESULT BuildBiosInParams(IWbemServices* services, IWbemClassObject* methodClass, BSTR method,
                          const BiosCall& call, const VARIANT* data, const BiosRequestRules& rules,
                          ComPtr<IWbemClassObject>& inParams);

// Runs `method` on the instance at `path` and hands back the answer's OutData.
HRESULT ExecBiosMethod(IWbemServices* services, BSTR path, BSTR method, IWbemClassObject* inParams,
                       const BiosRequestRules& rules, ComPtr<IWbemClassObject>& outData);

// rwReturnCode of OutData into `code`. A failed Get fails the read; a value
// that is no integer fails it with the conversion's result or, when the
// rules pass it over, leaves `code` as it was.
HRESULT ReadBiosReturnCode(IWbemClassObject* outData, const BiosRequestRules& rules, std::uint32_t& code);

// Data of OutData, moved into `data` (its old content cleared) unless
// `data` is null. A failed Get fails either way.
HRESULT ReadBiosData(IWbemClassObject* outData, VARIANT* data);

}  // namespace rm
