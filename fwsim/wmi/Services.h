// IWbemServices of the stand-in's root\wmi namespace. It also answers
// IClientSecurity, so that CoSetProxyBlanket and CoQueryProxyBlanket on it
// succeed as they do on WMI's own proxy.
#pragma once

#include "common/win/UnknownBase.h"
#include "fwsim/wmi/EventSubscription.h"
#include "fwsim/wmi/Provider.h"

#include <mutex>
#include <vector>

namespace fwsim::wmi {

class Services final : public rm::UnknownBase<Services, rm::Interfaces<IWbemServices, IClientSecurity>>, private ModuleObject {
 public:
  static rm::ComPtr<Services> Create(std::shared_ptr<Provider> provider);


  // IClientSecurity
  STDMETHODIMP QueryBlanket(IUnknown* pProxy, DWORD* pAuthnSvc, DWORD* pAuthzSvc, OLECHAR** pServerPrincName,
                            DWORD* pAuthnLevel, DWORD* pImpLevel, void** pAuthInfo, DWORD* pCapabilites) override;
  STDMETHODIMP SetBlanket(IUnknown* pProxy, DWORD dwAuthnSvc, DWORD dwAuthzSvc, OLECHAR* pServerPrincName,
                          DWORD dwAuthnLevel, DWORD dwImpLevel, void* pAuthInfo, DWORD dwCapabilities) override;
  STDMETHODIMP CopyProxy(IUnknown* pProxy, IUnknown** ppCopy) override;

  // IWbemServices
  STDMETHODIMP OpenNamespace(const BSTR strNamespace, LONG lFlags, IWbemContext* pCtx,
                             IWbemServices** ppWorkingNamespace, IWbemCallResult** ppResult) override;
  STDMETHODIMP CancelAsyncCall(IWbemObjectSink* pSink) override;
  STDMETHODIMP QueryObjectSink(LONG lFlags, IWbemObjectSink** ppResponseHandler) override;
  STDMETHODIMP GetObject(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx, IWbemClassObject** ppObject,
                         IWbemCallResult** ppCallResult) override;
  STDMETHODIMP GetObjectAsync(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                              IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP PutClass(IWbemClassObject* pObject, LONG lFlags, IWbemContext* pCtx,
                        IWbemCallResult** ppCallResult) override;
  STDMETHODIMP PutClassAsync(IWbemClassObject* pObject, LONG lFlags, IWbemContext* pCtx,
                             IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP DeleteClass(const BSTR strClass, LONG lFlags, IWbemContext* pCtx,
                           IWbemCallResult** ppCallResult) override;
  STDMETHODIMP DeleteClassAsync(const BSTR strClass, LONG lFlags, IWbemContext* pCtx,
                                IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP CreateClassEnum(const BSTR strSuperclass, LONG lFlags, IWbemContext* pCtx,
                               IEnumWbemClassObject** ppEnum) override;
  STDMETHODIMP CreateClassEnumAsync(const BSTR strSuperclass, LONG lFlags, IWbemContext* pCtx,
                                    IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP PutInstance(IWbemClassObject* pInst, LONG lFlags, IWbemContext* pCtx,
                           IWbemCallResult** ppCallResult) override;
  STDMETHODIMP PutInstanceAsync(IWbemClassObject* pInst, LONG lFlags, IWbemContext* pCtx,
                                IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP DeleteInstance(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                              IWbemCallResult** ppCallResult) override;
  STDMETHODIMP DeleteInstanceAsync(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                                   IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP CreateInstanceEnum(const BSTR strFilter, LONG lFlags, IWbemContext* pCtx,
                                  IEnumWbemClassObject** ppEnum) override;
  STDMETHODIMP CreateInstanceEnumAsync(const BSTR strFilter, LONG lFlags, IWbemContext* pCtx,
                                       IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags, IWbemContext* pCtx,
                         IEnumWbemClassObject** ppEnum) override;
  STDMETHODIMP ExecQueryAsync(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags, IWbemContext* pCtx,
                              IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP ExecNotificationQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                                     IWbemContext* pCtx, IEnumWbemClassObject** ppEnum) override;
  STDMETHODIMP ExecNotificationQueryAsync(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                                          IWbemContext* pCtx, IWbemObjectSink* pResponseHandler) override;
  STDMETHODIMP ExecMethod(const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags, IWbemContext* pCtx,
                          IWbemClassObject* pInParams, IWbemClassObject** ppOutParams,
                          IWbemCallResult** ppCallResult) override;
  STDMETHODIMP ExecMethodAsync(const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags,
                               IWbemContext* pCtx, IWbemClassObject* pInParams,
                               IWbemObjectSink* pResponseHandler) override;

 private:
  friend rm::UnknownBase<Services, rm::Interfaces<IWbemServices, IClientSecurity>>;
  explicit Services(std::shared_ptr<Provider> provider) : provider_(std::move(provider)) {}
  ~Services();

  HRESULT EnumerateClass(const std::string& className, LONG lFlags, IEnumWbemClassObject** ppEnum);
  HRESULT RunBiosMethod(const std::string& path, const std::string& method, IWbemClassObject* pInParams,
                        IWbemClassObject** ppOutParams);

  const std::shared_ptr<Provider> provider_;

  std::mutex lock_;  // guards the blanket and the subscriptions
  DWORD authnSvc_ = RPC_C_AUTHN_WINNT;
  DWORD authzSvc_ = RPC_C_AUTHZ_NONE;
  DWORD authnLevel_ = RPC_C_AUTHN_LEVEL_CONNECT;
  DWORD impLevel_ = RPC_C_IMP_LEVEL_IMPERSONATE;
  DWORD capabilities_ = EOAC_NONE;
  std::vector<std::shared_ptr<EventSubscription>> subscriptions_;
};

}  // namespace fwsim::wmi
