// The WMI locator of the stand-in and its class factory. root\wmi on this
// computer is the simulated notebook; every other namespace goes to the
// system's own WMI locator.
#include "fwsim/wmi/Services.h"
#include "common/win/UnknownBase.h"
#include "fwsim/wmi/ObjectPath.h"

namespace fwsim::wmi {
namespace {

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof(name);
  if (!::GetComputerNameA(name, &size)) return "localhost";
  return std::string(name, size);
}

// The system's locator, from the system's wbemprox.dll. The
// library stays loaded for the life of the process: the objects it hands
// out may be used until then.
HRESULT SystemLocator(IWbemLocator** out) {
  using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  static std::mutex lock;
  static HMODULE module = nullptr;
  GetClassObjectFn getClassObject = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock);
    if (!module) {
      char dir[MAX_PATH] = {};
      const UINT n = ::GetSystemDirectoryA(dir, MAX_PATH);
      if (n == 0 || n >= MAX_PATH - 16) return WBEM_E_FAILED;
      // WMI's own DLLs live in the system directory's "wbem" folder.
      for (const char* name : {"\\wbem\\wbemprox.dll", "\\wbemprox.dll"}) {
        module = ::LoadLibraryA((std::string(dir) + name).c_str());
        if (module) break;
      }
      if (!module) return rm::LastErrorResult();
    }
    getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  }
  if (!getClassObject) return WBEM_E_FAILED;
  rm::ComPtr<IClassFactory> factory;
  RM_RETURN_IF_FAILED(getClassObject(CLSID_WbemLocator, IID_IClassFactory, factory.put_void()));
  return factory->CreateInstance(nullptr, IID_IWbemLocator, reinterpret_cast<void**>(out));
}

class Locator final : public rm::UnknownBase<Locator, rm::Interfaces<IWbemLocator>>, private ModuleObject {
 public:

  STDMETHODIMP ConnectServer(const BSTR strNetworkResource, const BSTR strUser, const BSTR strPassword,
                             const BSTR strLocale, LONG lSecurityFlags, const BSTR strAuthority, IWbemContext* pCtx,
                             IWbemServices** ppNamespace) override {
    return Guarded([&]() -> HRESULT {
      if (ppNamespace) *ppNamespace = nullptr;
      if (!strNetworkResource || !*strNetworkResource || !ppNamespace) return WBEM_E_INVALID_PARAMETER;
      const std::string server = ComputerName();
      if (!IsFirmwareNamespace(Narrow(strNetworkResource), server)) {
        rm::ComPtr<IWbemLocator> system;
        RM_RETURN_IF_FAILED(SystemLocator(system.put()));
        return system->ConnectServer(strNetworkResource, strUser, strPassword, strLocale, lSecurityFlags,
                                     strAuthority, pCtx, ppNamespace);
      }
      // As WMI: credentials are for remote connections only.
      if ((strUser && *strUser) || (strPassword && *strPassword)) return WBEM_E_LOCAL_CREDENTIALS;
      std::shared_ptr<Provider> provider = Provider::Open(server);
      if (!provider) return WBEM_E_CRITICAL_ERROR;
      *ppNamespace = Services::Create(std::move(provider)).detach();
      return WBEM_S_NO_ERROR;
    });
  }
};

class LocatorFactory final
    : public rm::UnknownBase<LocatorFactory, rm::Interfaces<IClassFactory>, rm::Lifetime::Static> {
 public:
  // The factory is static; it keeps the module loaded while referenced.
  STDMETHODIMP_(ULONG) AddRef() override {
    ModuleAddRef();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    ModuleRelease();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    return Guarded([&]() -> HRESULT {
      if (!ppv) return E_POINTER;
      *ppv = nullptr;
      if (outer) return CLASS_E_NOAGGREGATION;
      rm::ComPtr<Locator> locator = rm::ComPtr<Locator>::Attach(new Locator());
      return locator->QueryInterface(riid, ppv);
    });
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      ModuleAddRef();
    } else {
      ModuleRelease();
    }
    return S_OK;
  }
};

LocatorFactory g_factory;

}  // namespace

HRESULT GetLocatorFactory(REFIID riid, void** ppv) { return g_factory.QueryInterface(riid, ppv); }

}  // namespace fwsim::wmi

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_WbemLocator) return CLASS_E_CLASSNOTAVAILABLE;
  return fwsim::wmi::GetLocatorFactory(riid, ppv);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return fwsim::wmi::ModuleCount() == 0 ? S_OK : S_FALSE; }
