#include "bridge/host/ClassObjects.h"

#include <mutex>

#include "bridge/host/WmiKestrel.h"
#include "bridge/host/vtqCallBiosEx.h"

namespace vtq {
namespace {

struct TypeInfos {
  std::once_flag once;
  HRESULT result = E_UNEXPECTED;
  ITypeInfo* callBiosEx = nullptr;
  ITypeInfo* kestrel = nullptr;
};

TypeInfos& Infos() {
  static TypeInfos infos;
  return infos;
}

void LoadInfos(TypeInfos& infos) {
  wchar_t path[MAX_PATH] = L"";
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    infos.result = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    return;
  }
  ITypeLib* lib = nullptr;
  infos.result = ::LoadTypeLibEx(path, REGKIND_NONE, &lib);
  if (FAILED(infos.result) || !lib) return;
  infos.result = lib->GetTypeInfoOfGuid(IID_IvtqCallBiosEx, &infos.callBiosEx);
  if (SUCCEEDED(infos.result)) infos.result = lib->GetTypeInfoOfGuid(IID_IvtqCallKestrelBios, &infos.kestrel);
  lib->Release();
}

}  // namespace

IClassFactory* CallBiosExClassObject() {
  static ClassFactory<vtqCallBiosEx> factory;
  return &factory;
}

IClassFactory* WmiKestrelClassObject() {
  static ClassFactory<WmiKestrel> factory;
  return &factory;
}

ITypeInfo* InterfaceTypeInfo(REFIID iid, HRESULT* result) {
  TypeInfos& infos = Infos();
  try {
    std::call_once(infos.once, [&] { LoadInfos(infos); });
  } catch (...) {
    if (result) *result = E_UNEXPECTED;
    return nullptr;
  }
  ITypeInfo* info = nullptr;
  if (IsEqualIID(iid, IID_IvtqCallBiosEx)) info = infos.callBiosEx;
  if (IsEqualIID(iid, IID_IvtqCallKestrelBios)) info = infos.kestrel;
  if (result) *result = info ? S_OK : (FAILED(infos.result) ? infos.result : E_NOINTERFACE);
  return info;
}

}  // namespace vtq
