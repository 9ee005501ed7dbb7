#include "bridge/host/DataBlockAccess.h"

#include <string>

#include "bridge/host/DataBlockRules.h"
#include "common/win/BiosRequest.h"
#include "common/win/OwningWrappers.h"

namespace vtq {
namespace {

// The object's InstanceName; false when it has none that is a string.
bool ReadInstanceName(IWbemClassObject* object, std::u16string& name) {
  rm::Variant value;
  if (FAILED(object->Get(L"InstanceName", 0, value.put(), nullptr, nullptr))) return false;
  if (value.type() != VT_BSTR || !V_BSTR(value.get())) return false;
  const BSTR text = V_BSTR(value.get());
  name.assign(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text));
  return true;
}

HRESULT ReadState(IWbemClassObject* object, ULONG* state) {
  rm::Variant value;
  const HRESULT hr = object->Get(L"ulState", 0, value.put(), nullptr, nullptr);
  if (hr != WBEM_S_NO_ERROR) return FAILED(hr) ? hr : static_cast<HRESULT>(WBEM_E_FAILED);
  std::uint32_t read = 0;
  RM_RETURN_IF_FAILED(rm::VariantToUint32(*value.get(), read));
  *state = read;
  return S_OK;
}

HRESULT WriteState(IWbemServices* services, IWbemClassObject* object, ULONG state) {
  RM_RETURN_IF_FAILED(rm::PutUint32(object, L"ulState", state));
  return services->PutInstance(object, 0, nullptr, nullptr);
}

}  // namespace

HRESULT DataBlockAccess(IWbemServices* services, ULONG command, ULONG instance, ULONG* state) {
  const HRESULT refused = CheckDataBlockRequest(command, state != nullptr);
  if (FAILED(refused)) return refused;
  if (!services) return E_POINTER;

  const std::string wanted = DataBlockInstanceName(instance);
  rm::UniqueBstr className(::SysAllocString(L"vtqDockQuery"));
  if (!className) return E_OUTOFMEMORY;
  rm::ComPtr<IEnumWbemClassObject> instances;
  RM_RETURN_IF_FAILED(
      services->CreateInstanceEnum(className.get(), WBEM_FLAG_SHALLOW, nullptr, instances.put()));
  if (!instances) return WBEM_E_FAILED;

  DataBlockWalk walk;
  for (;;) {
    IWbemClassObject* next = nullptr;
    ULONG returned = 0;
    const HRESULT hr = instances->Next(WBEM_INFINITE, 1, &next, &returned);
    rm::ComPtr<IWbemClassObject> object = rm::ComPtr<IWbemClassObject>::Attach(next);
    if (FAILED(hr)) walk.EnumerationFailed(hr);
    if (hr != WBEM_S_NO_ERROR || returned != 1 || !object) break;

    std::u16string name;
    if (!ReadInstanceName(object.get(), name) || !SameInstanceName(name, wanted)) continue;
    if (command == kDataBlockRead) {
      ULONG read = 0;
      const HRESULT readHr = ReadState(object.get(), &read);
      if (SUCCEEDED(readHr)) *state = read;
      walk.Accessed(readHr);
    } else {
      walk.Accessed(WriteState(services, object.get(), *state));
    }
  }
  return walk.Result();
}

}  // namespace vtq
