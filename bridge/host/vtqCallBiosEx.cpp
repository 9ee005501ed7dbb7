#include "bridge/host/vtqCallBiosEx.h"

#include "bridge/host/BiosCaller.h"
#include "bridge/host/ByteArrayShape.h"
#include "bridge/host/CallLog.h"
#include "bridge/host/MachineInfoReader.h"
#include "bridge/host/MethodFrame.h"
#include "bridge/host/ServiceLog.h"
#include "bridge/host/ServiceModule.h"
#include "bridge/relay/EventRelay.h"

namespace vtq {
namespace {

unsigned long AsLog(HRESULT hr) { return static_cast<unsigned long>(static_cast<ULONG>(hr)); }

// The log of a method whose lines carry only its result.
auto ResultLog(const char* okLine, const char* failedLine) {
  return [okLine, failedLine](HRESULT hr, const LogFlags& flags) {
    if (SUCCEEDED(hr) && flags.success) WriteLog(okLine, AsLog(hr));
    if (FAILED(hr) && flags.failure) WriteLog(failedLine, AsLog(hr));
  };
}

HRESULT MachineInfoWork(ULONG* ulSize, VARIANT* info) {
  const ByteArrayShape shape = ShapeOf(info);
  if (const HRESULT hr = CheckMachineInfoArray(shape)) return hr;
  MachineInfoReader reader;
  if (FAILED(reader.ConnectResult())) return reader.ConnectResult();
  if (!ulSize) return E_POINTER;
  if (!IsMachineInfoLayout(*ulSize)) return kWbemInvalidParameter;
  BYTE record[kMachineInfoFullSize] = {};
  const HRESULT fill = reader.Fill(*ulSize, record);
  if (FAILED(fill)) {
    *ulSize = 0;
    return fill;
  }
  // The size field reads 388 whatever layout was asked for.
  const ULONG size = kMachineInfoFullSize;
  record[0] = static_cast<BYTE>(size);
  record[1] = static_cast<BYTE>(size >> 8);
  record[2] = static_cast<BYTE>(size >> 16);
  record[3] = static_cast<BYTE>(size >> 24);
  // The array was checked: one dimension of 388 or 308 elements. They are
  // stored from the array's lower bound on.
  SAFEARRAY* array = V_ARRAY(info);
  LONG lower = 0;
  HRESULT hr = ::SafeArrayGetLBound(array, 1, &lower);
  if (FAILED(hr)) return hr;
  for (ULONG i = 0; i < shape.count && i < kMachineInfoFullSize; ++i) {
    LONG index = lower + static_cast<LONG>(i);
    hr = ::SafeArrayPutElement(array, &index, &record[i]);
  }
  return hr;
}

}  // namespace

vtqCallBiosEx::vtqCallBiosEx() { ServiceModule::Instance().AddInstance(); }

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqGetMachineInfoEx(ULONG* ulSize,
                                                             VARIANT* lpVarMachineInfo) {
  return RunFrame([&] { return MachineInfoWork(ulSize, lpVarMachineInfo); },
                  ResultLog(logtext::kMachineInfoOk, logtext::kMachineInfoFailed));
}

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqExecMethodEx(ULONG dwCmd, ULONG dwType,
                                                         ULONG dwSizeIn, ULONG dwSizeOut,
                                                         ULONG* lpRetCode, VARIANT* lpVarDataIn,
                                                         VARIANT* lpVarDataOut) {
  return RunFrame(
      [&]() -> HRESULT {
        if (const HRESULT check = CheckExecOutput(dwSizeOut, ShapeOf(lpVarDataOut))) return check;
        BiosCaller caller;
        if (FAILED(caller.ConnectResult())) return caller.ConnectResult();
        // Refused as the firmware would refuse it, without its answer read.
        if (const HRESULT check = CheckExecInput(InputFactsOf(lpVarDataIn))) {
          if (lpRetCode) *lpRetCode = kBiosNoReturnCode;
          return check;
        }
        return caller.Execute(dwCmd, dwType, dwSizeIn, dwSizeOut, lpRetCode, lpVarDataIn,
                              lpVarDataOut);
      },
      [&](HRESULT hr, const LogFlags& flags) {
        // Refused calls included, COM unloads what is no longer used first.
        ::CoFreeUnusedLibraries();
        if (SUCCEEDED(hr) && flags.success)
          WriteLog(logtext::kExecOk,
                   static_cast<long>(static_cast<LONG>(ServiceModule::Instance().CallCount())),
                   static_cast<unsigned>(dwCmd), static_cast<unsigned>(dwType), AsLog(hr));
        if (FAILED(hr) && flags.failure)
          WriteLog(logtext::kExecFailed, static_cast<unsigned>(dwCmd),
                   static_cast<unsigned>(dwType), AsLog(hr));
      });
}

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqSetupWmiEvents(LONG bFlag) {
  return RunFrame([&]() -> HRESULT { return bFlag ? SubscribeBiosEvents() : S_OK; },
                  ResultLog(logtext::kSetupOk, logtext::kSetupFailed));
}

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqTurnOnExternalDisplays(ULONG dwDevice) {
  return RunFrame(
      [&]() -> HRESULT {
        BiosCaller caller;
        if (FAILED(caller.ConnectResult())) return caller.ConnectResult();
        return caller.TurnOnDisplays(dwDevice);
      },
      ResultLog(logtext::kTurnOnOk, logtext::kTurnOnFailed));
}

HRESULT STDMETHODCALLTYPE vtqCallBiosEx::vtqGetAttachedExternalDisplays(ULONG* lpDevice) {
  return RunFrame(
      [&]() -> HRESULT {
        if (!lpDevice) return E_POINTER;
        BiosCaller caller;
        if (FAILED(caller.ConnectResult())) return caller.ConnectResult();
        return caller.AttachedDisplays(lpDevice);
      },
      [&](HRESULT hr, const LogFlags& flags) {
        // The success line shows the value placed in lpDevice.
        if (SUCCEEDED(hr) && flags.success)
          WriteLog(logtext::kAttachedOk, static_cast<unsigned long>(lpDevice ? *lpDevice : 0));
        if (FAILED(hr) && flags.failure) WriteLog(logtext::kAttachedFailed, AsLog(hr));
      });
}

}  // namespace vtq
