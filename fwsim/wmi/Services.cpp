#include "fwsim/wmi/Services.h"

#include "fwsim/wmi/BiosRequest.h"
#include "fwsim/wmi/ObjectEnum.h"
#include "fwsim/wmi/ObjectPath.h"
#include "fwsim/wmi/WqlQuery.h"

namespace fwsim::wmi {
namespace {

constexpr LONG kEnumFlags = WBEM_FLAG_SHALLOW | WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY |
                            WBEM_FLAG_USE_AMENDED_QUALIFIERS | WBEM_FLAG_DIRECT_READ;

template <class T>
void Clear(T** out) {
  if (out) *out = nullptr;
}

// The path's namespace part, when it has one, must name this namespace.
bool PathInThisNamespace(const ObjectPath& path, const std::string& server) {
  if (path.nameSpace.empty()) return true;
  std::string full = path.server.empty() ? path.nameSpace : "\\\\" + path.server + "\\" + path.nameSpace;
  return IsFirmwareNamespace(full, server);
}

std::string BstrText(const BSTR s) { return s ? Narrow(s) : std::string(); }

// The instance of `def` whose key equals the path's key value (any case).
rm::ComPtr<IWbemClassObject> FindInstance(Provider& provider, const ClassDef& def, const ObjectPath& path) {
  if (path.keys.size() != 1 || def.key.empty()) return nullptr;
  const PathKey& key = path.keys[0];
  if (!key.name.empty() && !EqualsNoCase(key.name, def.key)) return nullptr;
  for (rm::ComPtr<IWbemClassObject>& o : provider.Instances(def)) {
    rm::Variant v;
    if (SUCCEEDED(GetProperty(o.get(), def.key.c_str(), v.get())) && v.type() == VT_BSTR &&
        EqualsNoCase(Narrow(V_BSTR(v.get())), key.value))
      return o;
  }
  return nullptr;
}

// Reads the vtqBDataIn fields the firmware takes from InData.
HRESULT ReadInData(IWbemClassObject* inParams, InDataFields& fields) {
  if (!inParams) return WBEM_E_INVALID_METHOD_PARAMETERS;
  rm::Variant inData;
  if (FAILED(GetProperty(inParams, "InData", inData.get()))) return WBEM_E_INVALID_METHOD_PARAMETERS;
  IUnknown* unk = inData.type() == VT_UNKNOWN ? V_UNKNOWN(inData.get())
                  : inData.type() == VT_DISPATCH ? V_DISPATCH(inData.get())
                                                 : nullptr;
  rm::ComPtr<IWbemClassObject> object;
  if (!unk || FAILED(unk->QueryInterface(IID_IWbemClassObject, object.put_void())))
    return WBEM_E_INVALID_METHOD_PARAMETERS;
  rm::Variant cls;
  if (FAILED(GetProperty(object.get(), "__CLASS", cls.get())) || cls.type() != VT_BSTR ||
      !EqualsNoCase(Narrow(V_BSTR(cls.get())), "vtqBDataIn"))
    return WBEM_E_INVALID_METHOD_PARAMETERS;
  rm::Variant v;
  if (SUCCEEDED(GetProperty(object.get(), "Sign", v.put()))) fields.sign = BytesFromVariant(*v.get());
  if (SUCCEEDED(GetProperty(object.get(), "Command", v.put()))) fields.command = Int32FromVariant(*v.get());
  if (SUCCEEDED(GetProperty(object.get(), "CommandType", v.put())))
    fields.commandType = Int32FromVariant(*v.get());
  if (SUCCEEDED(GetProperty(object.get(), "Size", v.put()))) fields.size = Int32FromVariant(*v.get());
  if (SUCCEEDED(GetProperty(object.get(), "vtqBData", v.put())) && v.type() != VT_NULL) {
    auto bytes = BytesFromVariant(*v.get());
    if (!bytes) return WBEM_E_INVALID_METHOD_PARAMETERS;
    fields.data = std::move(*bytes);
  }
  return S_OK;
}

}  // namespace

rm::ComPtr<Services> Services::Create(std::shared_ptr<Provider> provider) {
  return rm::ComPtr<Services>::Attach(new Services(std::move(provider)));
}

Services::~Services() {
  // No one else holds the object any more: the list needs no lock.
  for (auto& s : subscriptions_) s->Stop(false);
}

// The connection is in-process: the blanket is kept and reported back, and
// changes nothing else.
STDMETHODIMP Services::QueryBlanket(IUnknown* pProxy, DWORD* pAuthnSvc, DWORD* pAuthzSvc,
                                    OLECHAR** pServerPrincName, DWORD* pAuthnLevel, DWORD* pImpLevel,
                                    void** pAuthInfo, DWORD* pCapabilites) {
  if (!pProxy) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    std::lock_guard<std::mutex> guard(lock_);
    if (pAuthnSvc) *pAuthnSvc = authnSvc_;
    if (pAuthzSvc) *pAuthzSvc = authzSvc_;
    if (pServerPrincName) *pServerPrincName = nullptr;
    if (pAuthnLevel) *pAuthnLevel = authnLevel_;
    if (pImpLevel) *pImpLevel = impLevel_;
    if (pAuthInfo) *pAuthInfo = nullptr;
    if (pCapabilites) *pCapabilites = capabilities_;
    return S_OK;
  });
}

STDMETHODIMP Services::SetBlanket(IUnknown* pProxy, DWORD dwAuthnSvc, DWORD dwAuthzSvc, OLECHAR*,
                                  DWORD dwAuthnLevel, DWORD dwImpLevel, void*, DWORD dwCapabilities) {
  if (!pProxy) return E_INVALIDARG;
  if (dwAuthnLevel > RPC_C_AUTHN_LEVEL_PKT_PRIVACY && dwAuthnLevel != RPC_C_AUTHN_LEVEL_DEFAULT)
    return E_INVALIDARG;
  if (dwImpLevel > RPC_C_IMP_LEVEL_DELEGATE) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    std::lock_guard<std::mutex> guard(lock_);
    if (dwAuthnSvc != RPC_C_AUTHN_DEFAULT) authnSvc_ = dwAuthnSvc;
    if (dwAuthzSvc != RPC_C_AUTHZ_DEFAULT) authzSvc_ = dwAuthzSvc;
    if (dwAuthnLevel != RPC_C_AUTHN_LEVEL_DEFAULT) authnLevel_ = dwAuthnLevel;
    if (dwImpLevel != RPC_C_IMP_LEVEL_DEFAULT) impLevel_ = dwImpLevel;
    if (dwCapabilities != static_cast<DWORD>(EOAC_DEFAULT)) capabilities_ = dwCapabilities;
    return S_OK;
  });
}

STDMETHODIMP Services::CopyProxy(IUnknown* pProxy, IUnknown** ppCopy) {
  if (!ppCopy) return E_INVALIDARG;
  *ppCopy = nullptr;
  if (!pProxy) return E_INVALIDARG;
  return pProxy->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ppCopy));
}

STDMETHODIMP Services::OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices** ppWorkingNamespace,
                                     IWbemCallResult** ppResult) {
  Clear(ppWorkingNamespace);
  Clear(ppResult);
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP Services::CancelAsyncCall(IWbemObjectSink* pSink) {
  return Guarded([&]() -> HRESULT {
    if (!pSink) return WBEM_E_INVALID_PARAMETER;
    rm::ComPtr<IUnknown> identity;
    IUnknown* id = pSink;
    if (SUCCEEDED(pSink->QueryInterface(IID_IUnknown, identity.put_void()))) id = identity.get();
    std::vector<std::shared_ptr<EventSubscription>> found;
    {
      std::lock_guard<std::mutex> guard(lock_);
      for (auto it = subscriptions_.begin(); it != subscriptions_.end();) {
        if ((*it)->Identity() == id) {
          found.push_back(*it);
          it = subscriptions_.erase(it);
        } else {
          ++it;
        }
      }
    }
    if (found.empty()) return WBEM_E_NOT_FOUND;
    for (auto& s : found) s->Stop(true);
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP Services::QueryObjectSink(LONG, IWbemObjectSink** ppResponseHandler) {
  Clear(ppResponseHandler);
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP Services::GetObject(const BSTR strObjectPath, LONG lFlags, IWbemContext*, IWbemClassObject** ppObject,
                                 IWbemCallResult** ppCallResult) {
  return Guarded([&]() -> HRESULT {
    Clear(ppObject);
    Clear(ppCallResult);
    if (!ppObject || (lFlags & ~(WBEM_FLAG_USE_AMENDED_QUALIFIERS | WBEM_FLAG_DIRECT_READ)) != 0)
      return WBEM_E_INVALID_PARAMETER;
    // An empty path asks for a new class definition; the namespace's
    // classes are fixed.
    if (!strObjectPath || !*strObjectPath) return WBEM_E_NOT_SUPPORTED;
    const Faults faults = provider_->BeginCall();
    const auto path = ParseObjectPath(Narrow(strObjectPath));
    if (!path) return WBEM_E_INVALID_OBJECT_PATH;
    if (!PathInThisNamespace(*path, provider_->Host()->server)) return WBEM_E_INVALID_NAMESPACE;
    rm::ComPtr<WbemObject> cls = provider_->ClassObject(path->className, faults);
    if (!cls) return WBEM_E_NOT_FOUND;
    if (path->IsClass()) {
      *ppObject = cls.detach();
      return WBEM_S_NO_ERROR;
    }
    if (path->singleton) return WBEM_E_INVALID_OBJECT_PATH;
    rm::ComPtr<IWbemClassObject> instance = FindInstance(*provider_, *FindClass(path->className), *path);
    if (!instance) return WBEM_E_NOT_FOUND;
    *ppObject = instance.detach();
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP Services::GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult** ppCallResult) {
  Clear(ppCallResult);
  return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult** ppCallResult) {
  Clear(ppCallResult);
  return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject** ppEnum) {
  Clear(ppEnum);
  return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP Services::PutInstance(IWbemClassObject* pInst, LONG lFlags, IWbemContext*,
                                   IWbemCallResult** ppCallResult) {
  return Guarded([&]() -> HRESULT {
    Clear(ppCallResult);
    const LONG mode = lFlags & (WBEM_FLAG_UPDATE_ONLY | WBEM_FLAG_CREATE_ONLY);
    if (!pInst || (lFlags & ~(WBEM_FLAG_UPDATE_ONLY | WBEM_FLAG_CREATE_ONLY)) != 0 ||
        mode == (WBEM_FLAG_UPDATE_ONLY | WBEM_FLAG_CREATE_ONLY))
      return WBEM_E_INVALID_PARAMETER;
    const Faults faults = provider_->BeginCall();
    rm::Variant genus, cls;
    if (FAILED(GetProperty(pInst, "__GENUS", genus.get())) || genus.type() != VT_I4 ||
        V_I4(genus.get()) != WBEM_GENUS_INSTANCE)
      return WBEM_E_INVALID_PARAMETER;
    if (FAILED(GetProperty(pInst, "__CLASS", cls.get())) || cls.type() != VT_BSTR) return WBEM_E_INVALID_OBJECT;
    const ClassPtr def = FindClass(Narrow(V_BSTR(cls.get())));
    if (!def || !provider_->ClassExists(*def, faults)) return WBEM_E_INVALID_CLASS;
    // Only the data blocks are writable; everything else is read-only.
    if (def->name != "vtqGAED" && def->name != "vtqDockQuery") return WBEM_E_NOT_SUPPORTED;
    rm::Variant name, state;
    if (FAILED(GetProperty(pInst, "InstanceName", name.get())) || FAILED(GetProperty(pInst, "ulState", state.get())))
      return WBEM_E_INVALID_OBJECT;
    if (name.type() != VT_BSTR || state.type() != VT_I4) return WBEM_E_ILLEGAL_NULL;
    const std::string wanted = Narrow(V_BSTR(name.get()));
    for (const DataBlock& b : provider_->DataBlocks(def->name)) {
      if (!EqualsNoCase(b.instanceName, wanted)) continue;
      if (mode == WBEM_FLAG_CREATE_ONLY) return WBEM_E_ALREADY_EXISTS;
      const auto value = static_cast<std::uint32_t>(V_I4(state.get()));
      return provider_->PutDataBlock(def->name, b.instanceName, value) ? WBEM_S_NO_ERROR : WBEM_E_FAILED;
    }
    // New data blocks cannot be made: they are the firmware's.
    return mode == WBEM_FLAG_CREATE_ONLY ? WBEM_E_NOT_SUPPORTED : WBEM_E_NOT_FOUND;
  });
}

STDMETHODIMP Services::PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult** ppCallResult) {
  Clear(ppCallResult);
  return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}

HRESULT Services::EnumerateClass(const std::string& className, LONG lFlags, IEnumWbemClassObject** ppEnum) {
  const Faults faults = provider_->BeginCall();
  const ClassPtr def = FindClass(className);
  if (!def || def->kind == ClassKind::Parameters || !provider_->ClassExists(*def, faults))
    return WBEM_E_INVALID_CLASS;
  std::vector<rm::ComPtr<IWbemClassObject>> objects = provider_->Instances(*def);
  const std::uint32_t timeouts = def->name == "vtqBIntM" ? faults.enumTimeouts : 0;
  *ppEnum = ObjectEnum::Create(std::move(objects), (lFlags & WBEM_FLAG_FORWARD_ONLY) != 0, timeouts).detach();
  return WBEM_S_NO_ERROR;
}

STDMETHODIMP Services::CreateInstanceEnum(const BSTR strFilter, LONG lFlags, IWbemContext*,
                                          IEnumWbemClassObject** ppEnum) {
  return Guarded([&]() -> HRESULT {
    Clear(ppEnum);
    if (!ppEnum || !strFilter || !*strFilter || (lFlags & ~kEnumFlags) != 0) return WBEM_E_INVALID_PARAMETER;
    return EnumerateClass(Narrow(strFilter), lFlags, ppEnum);
  });
}

STDMETHODIMP Services::CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP Services::ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags, IWbemContext*,
                                 IEnumWbemClassObject** ppEnum) {
  return Guarded([&]() -> HRESULT {
    Clear(ppEnum);
    if (!ppEnum || !strQueryLanguage || !strQuery || (lFlags & ~kEnumFlags) != 0) return WBEM_E_INVALID_PARAMETER;
    if (!IsWqlLanguage(Narrow(strQueryLanguage))) return WBEM_E_INVALID_QUERY_TYPE;
    const EventQuery q = ParseEventQuery(Narrow(strQuery));
    if (q.status == QueryStatus::SyntaxError) return WBEM_E_INVALID_QUERY;
    if (q.status == QueryStatus::Unsupported) return WBEM_E_NOT_SUPPORTED;
    return EnumerateClass(q.className, lFlags, ppEnum);
  });
}

STDMETHODIMP Services::ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP Services::ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                             IEnumWbemClassObject** ppEnum) {
  Clear(ppEnum);
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP Services::ExecNotificationQueryAsync(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                                                  IWbemContext*, IWbemObjectSink* pResponseHandler) {
  return Guarded([&]() -> HRESULT {
    if (!strQueryLanguage || !strQuery || !pResponseHandler ||
        (lFlags & ~(WBEM_FLAG_SEND_STATUS | WBEM_FLAG_USE_AMENDED_QUALIFIERS)) != 0)
      return WBEM_E_INVALID_PARAMETER;
    const Faults faults = provider_->BeginCall();
    if (!IsWqlLanguage(Narrow(strQueryLanguage))) return WBEM_E_INVALID_QUERY_TYPE;
    const EventQuery q = ParseEventQuery(Narrow(strQuery));
    if (q.status == QueryStatus::SyntaxError) return WBEM_E_INVALID_QUERY;
    const ClassPtr def = FindClass(q.className);
    if (!def || !provider_->ClassExists(*def, faults)) return WBEM_E_INVALID_CLASS;
    if (def->kind != ClassKind::Event) return WBEM_E_NOT_EVENT_CLASS;
    if (q.status == QueryStatus::Unsupported) return WBEM_E_NOT_SUPPORTED;
    const EventClass eventClass = def->name == "vtqDockEvent" ? EventClass::DockEvent : EventClass::BiosEvent;
    // Events raised from here on are delivered; earlier ones are not.
    const std::uint64_t after = provider_->LastEventSequence();
    std::shared_ptr<EventSubscription> sub =
        EventSubscription::Start(pResponseHandler, eventClass, after, provider_->Host());
    if (!sub) return WBEM_E_FAILED;
    std::lock_guard<std::mutex> guard(lock_);
    subscriptions_.push_back(std::move(sub));
    return WBEM_S_NO_ERROR;
  });
}

HRESULT Services::RunBiosMethod(const std::string& pathText, const std::string& method, IWbemClassObject* pInParams,
                                IWbemClassObject** ppOutParams) {
  const Faults faults = provider_->BeginCall();
  const ClassPtr biosClass = FindClass("vtqBIntM");
  if (!provider_->ClassExists(*biosClass, faults)) return WBEM_E_INVALID_CLASS;
  // The method runs on the class's instance: its path, the class's path, or
  // no path at all name it.
  if (!pathText.empty()) {
    const auto path = ParseObjectPath(pathText);
    if (!path) return WBEM_E_INVALID_OBJECT_PATH;
    if (!PathInThisNamespace(*path, provider_->Host()->server)) return WBEM_E_INVALID_NAMESPACE;
    const ClassPtr def = FindClass(path->className);
    if (!def || !provider_->ClassExists(*def, faults)) return WBEM_E_INVALID_CLASS;
    if (!def->biosMethods) return WBEM_E_INVALID_METHOD;
    if (!path->IsClass() && !FindInstance(*provider_, *def, *path)) return WBEM_E_NOT_FOUND;
  }
  const auto sizeOut = BiosMethodOutputSize(method);
  if (!sizeOut) return WBEM_E_INVALID_METHOD;
  InDataFields fields;
  RM_RETURN_IF_FAILED(ReadInData(pInParams, fields));
  const BiosRequest request = JudgeInData(fields);
  if (request.verdict == RequestVerdict::BadParameters) return WBEM_E_INVALID_METHOD_PARAMETERS;
  BiosAnswer answer;
  if (request.verdict == RequestVerdict::Accepted) {
    answer = provider_->Execute(request.command, request.commandType, request.input, *sizeOut);
    // The answer holds the state as the firmware read it; a caller that is
    // made to wait here misses the changes made meanwhile.
    ApplyDelay(faults.answerDelayMs);
  } else {
    answer.returnCode = kReturnSignRejected;
    answer.data.assign(*sizeOut, 0);
  }
  // The Data-length fault: every array has the forced length whatever the
  // firmware answered (cut, or padded with zeros).
  if (faults.dataLength >= 0) answer.data.resize(static_cast<std::size_t>(faults.dataLength), 0);
  const HostPtr host = provider_->Host();
  rm::ComPtr<WbemObject> out = WbemObject::NewInstance(OutSignatureClass(!faults.outDataMissing), host);
  if (!faults.outDataMissing) {
    rm::ComPtr<WbemObject> data = WbemObject::NewInstance(BiosDataOutClass(!faults.returnCodeMissing), host);
    data->SetInt("rwReturnCode", static_cast<std::int32_t>(answer.returnCode));
    RM_RETURN_IF_FAILED(data->SetBytes("Data", answer.data));
    out->SetObject("OutData", data.detach());
  }
  if (ppOutParams) *ppOutParams = out.detach();
  return WBEM_S_NO_ERROR;
}

STDMETHODIMP Services::ExecMethod(const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags, IWbemContext*,
                                  IWbemClassObject* pInParams, IWbemClassObject** ppOutParams,
                                  IWbemCallResult** ppCallResult) {
  return Guarded([&]() -> HRESULT {
    Clear(ppOutParams);
    Clear(ppCallResult);
    if (!strMethodName || !*strMethodName || lFlags != 0) return WBEM_E_INVALID_PARAMETER;
    return RunBiosMethod(BstrText(strObjectPath), Narrow(strMethodName), pInParams, ppOutParams);
  });
}

STDMETHODIMP Services::ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                       IWbemObjectSink*) {
  return WBEM_E_NOT_SUPPORTED;
}

}  // namespace fwsim::wmi
