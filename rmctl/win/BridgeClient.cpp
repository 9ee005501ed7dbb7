#include "rmctl/win/BridgeClient.h"

#include <ole2.h>

#include <cstring>

#include "common/BiosCall.h"
#include "common/BridgeContract.h"
#include "rmctl/core/DebugInfoText.h"

namespace rmctl {
namespace {

// A VT_ARRAY|VT_UI1 variant of `size` bytes, copied from `bytes` when given.
HRESULT ByteArray(ULONG size, const std::uint8_t* bytes, rm::Variant& out) {
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, size);
  if (!array) return E_OUTOFMEMORY;
  V_VT(out.put()) = VT_ARRAY | VT_UI1;
  V_ARRAY(out.get()) = array;
  if (bytes && size) {
    rm::SafeArrayData data(array);
    if (!data) return data.AccessResult();
    std::memcpy(data.data(), bytes, size);
  }
  return S_OK;
}

// The first `size` bytes of a VT_ARRAY|VT_UI1 variant that has exactly that many.
HRESULT CopyBytes(const rm::Variant& in, std::uint8_t* out, std::size_t size) {
  if (in.type() != (VT_ARRAY | VT_UI1) || !V_ARRAY(in.get())) return DISP_E_TYPEMISMATCH;
  SAFEARRAY* array = V_ARRAY(in.get());
  if (::SafeArrayGetDim(array) != 1 || array->rgsabound[0].cElements != size) return E_FAIL;
  rm::SafeArrayData data(array);
  if (!data) return data.AccessResult();
  std::memcpy(out, data.data(), size);
  return S_OK;
}

}  // namespace

HRESULT BridgeClient::Connect() {
  rm::ComPtr<IUnknown> object;
  RM_RETURN_IF_FAILED(::CoCreateInstance(CLSID_vtqCallBiosEx, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                         object.put_void()));
  if (!object) return E_FAIL;
  RM_RETURN_IF_FAILED(::OleRun(object.get()));
  RM_RETURN_IF_FAILED(object->QueryInterface(IID_IvtqCallBiosEx, bridge_.put_void()));
  return bridge_ ? S_OK : E_NOINTERFACE;
}

HRESULT BridgeClient::ReadWord(rm::WirelessWord& word, std::uint32_t& returnCode) {
  rm::Variant in, out;
  RM_RETURN_IF_FAILED(ByteArray(static_cast<ULONG>(word.size()), nullptr, out));
  ULONG code = vtq::kBiosNoReturnCode;
  const HRESULT hr = bridge_->vtqExecMethodEx(rm::kCmdRead, rm::kTypeWireless, 0, static_cast<ULONG>(word.size()),
                                              &code, in.get(), out.get());
  returnCode = code;
  if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
  if (code != 0) return E_FAIL;
  rm::WirelessWord read{};
  RM_RETURN_IF_FAILED(CopyBytes(out, read.data(), read.size()));
  word = read;
  return S_OK;
}

HRESULT BridgeClient::Switch(const rm::SwitchRequest& request, std::uint32_t& returnCode) {
  rm::Variant in, out;
  RM_RETURN_IF_FAILED(ByteArray(static_cast<ULONG>(request.size()), request.data(), in));
  ULONG code = vtq::kBiosNoReturnCode;
  const HRESULT hr = bridge_->vtqExecMethodEx(rm::kCmdWrite, rm::kTypeWireless, static_cast<ULONG>(request.size()),
                                              0, &code, in.get(), out.get());
  returnCode = code;
  return hr;
}

HRESULT BridgeClient::MachineRecord(std::vector<std::uint8_t>& record) {
  constexpr ULONG kFullLayout = vtq::kMachineInfoFullLayout;
  rm::Variant info;
  RM_RETURN_IF_FAILED(ByteArray(kFullLayout, nullptr, info));
  ULONG size = kFullLayout;
  RM_RETURN_IF_FAILED(bridge_->vtqGetMachineInfoEx(&size, info.get()));
  std::vector<std::uint8_t> bytes(kFullLayout);
  RM_RETURN_IF_FAILED(CopyBytes(info, bytes.data(), bytes.size()));
  record.swap(bytes);
  return S_OK;
}

std::string BridgeFailureText(HRESULT hr) {
  const std::string code = HresultText(static_cast<std::int32_t>(hr));
  switch (static_cast<std::uint32_t>(hr)) {
    case 0x80040154:  // REGDB_E_CLASSNOTREG
      return "the bridge service vtqwmi is not registered (vtqwmi.exe /Service registers it): " + code;
    case 0x8001010A:  // RPC_E_SERVERCALL_RETRYLATER
      return "the bridge vtqwmi is not running as a service, or is stopping: " + code;
    case 0x80080005:  // CO_E_SERVER_EXEC_FAILURE
      return "the bridge service vtqwmi could not be started: " + code;
    default:
      return "the bridge or the firmware's wireless interface is unavailable: " + code;
  }
}

}  // namespace rmctl
