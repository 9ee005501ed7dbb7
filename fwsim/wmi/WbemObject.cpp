#include "fwsim/wmi/WbemObject.h"

#include "fwsim/wmi/BiosRequest.h"
#include "fwsim/wmi/ObjectPath.h"
#include "fwsim/wmi/PropertyTypes.h"
#include "fwsim/wmi/WqlQuery.h"

#include <cstring>

namespace fwsim::wmi {
namespace {

constexpr CIMTYPE kStringArray = CIM_STRING | CIM_FLAG_ARRAY;

const char* const kSystemNames[] = {"__GENUS",  "__CLASS",          "__SUPERCLASS", "__DYNASTY",
                                    "__RELPATH", "__PROPERTY_COUNT", "__DERIVATION", "__SERVER",
                                    "__NAMESPACE", "__PATH"};

bool IsSystemName(const std::string& name) { return name.size() > 2 && name[0] == '_' && name[1] == '_'; }

void SetBstrVariant(VARIANT* v, const std::string& text) {
  ::VariantInit(v);
  BSTR b = NewBstr(text);
  if (!b) throw std::bad_alloc();
  V_VT(v) = VT_BSTR;
  V_BSTR(v) = b;
}

// A deep copy: embedded objects are cloned, so that no two objects share one.
HRESULT CopyValue(const VARIANT& src, VARIANT* dst) {
  ::VariantInit(dst);
  if (V_VT(&src) == VT_UNKNOWN || V_VT(&src) == VT_DISPATCH) {
    IUnknown* unk = V_VT(&src) == VT_UNKNOWN ? V_UNKNOWN(&src) : V_DISPATCH(&src);
    if (!unk) {
      V_VT(dst) = VT_NULL;
      return S_OK;
    }
    rm::ComPtr<IWbemClassObject> object;
    RM_RETURN_IF_FAILED(unk->QueryInterface(IID_IWbemClassObject, object.put_void()));
    IWbemClassObject* copy = nullptr;
    RM_RETURN_IF_FAILED(object->Clone(&copy));
    if (!copy) return WBEM_E_FAILED;
    V_VT(dst) = VT_UNKNOWN;
    V_UNKNOWN(dst) = copy;
    return S_OK;
  }
  return ::VariantCopy(dst, const_cast<VARIANT*>(&src));
}

HRESULT ToVariantInteger(const VARIANT& src, std::uint32_t cimType, VARIANT* dst) {
  std::int64_t value = 0;
  switch (V_VT(&src)) {
    case VT_I1: value = V_I1(&src); break;
    case VT_UI1: value = V_UI1(&src); break;
    case VT_I2: value = V_I2(&src); break;
    case VT_UI2: value = V_UI2(&src); break;
    case VT_I4: value = V_I4(&src); break;
    case VT_UI4: value = V_UI4(&src); break;
    case VT_INT: value = V_INT(&src); break;
    case VT_UINT: value = V_UINT(&src); break;
    default: return WBEM_E_TYPE_MISMATCH;
  }
  if (!IntegerFits(cimType, value)) return WBEM_E_TYPE_MISMATCH;
  ::VariantInit(dst);
  switch (CanonicalVarType(cimType)) {
    case VT_UI1:
      V_VT(dst) = VT_UI1;
      V_UI1(dst) = static_cast<BYTE>(value);
      return S_OK;
    case VT_I2:
      V_VT(dst) = VT_I2;
      V_I2(dst) = static_cast<SHORT>(value);
      return S_OK;
    case VT_I4:
      V_VT(dst) = VT_I4;
      V_I4(dst) = static_cast<LONG>(static_cast<std::uint32_t>(value));
      return S_OK;
    default:
      return WBEM_E_TYPE_MISMATCH;
  }
}

void AppendValueText(std::string& out, const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_BSTR: {
      out.push_back('"');
      for (char c : Narrow(V_BSTR(&v))) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
      }
      out.push_back('"');
      return;
    }
    case VT_I4: out += std::to_string(V_I4(&v)); return;
    case VT_I2: out += std::to_string(V_I2(&v)); return;
    case VT_UI1: out += std::to_string(V_UI1(&v)); return;
    case VT_BOOL: out += V_BOOL(&v) ? "TRUE" : "FALSE"; return;
    case VT_ARRAY | VT_UI1: {
      const auto bytes = BytesFromVariant(v);
      out.push_back('{');
      if (bytes)
        for (std::size_t i = 0; i < bytes->size(); ++i) {
          if (i) out += ", ";
          out += std::to_string((*bytes)[i]);
        }
      out.push_back('}');
      return;
    }
    case VT_UNKNOWN: {
      rm::ComPtr<IWbemClassObject> object;
      BSTR text = nullptr;
      if (V_UNKNOWN(&v) && SUCCEEDED(V_UNKNOWN(&v)->QueryInterface(IID_IWbemClassObject, object.put_void())) &&
          SUCCEEDED(object->GetObjectText(0, &text)) && text) {
        rm::UniqueBstr owned(text);
        out += Narrow(text);
        while (!out.empty() && (out.back() == '\n' || out.back() == ';')) out.pop_back();
        return;
      }
      out += "NULL";
      return;
    }
    default: out += "NULL"; return;
  }
}

}  // namespace

rm::ComPtr<WbemObject> WbemObject::NewClass(ClassPtr def, HostPtr host) {
  return rm::ComPtr<WbemObject>::Attach(new WbemObject(std::move(def), std::move(host), true));
}

rm::ComPtr<WbemObject> WbemObject::NewInstance(ClassPtr def, HostPtr host) {
  return rm::ComPtr<WbemObject>::Attach(new WbemObject(std::move(def), std::move(host), false));
}

WbemObject::WbemObject(ClassPtr def, HostPtr host, bool isClass)
    : def_(std::move(def)), host_(std::move(host)), isClass_(isClass) {
  values_.resize(def_->properties.size());
  for (rm::Variant& v : values_) V_VT(v.get()) = VT_NULL;
  set_.assign(def_->properties.size(), false);
}

WbemObject::~WbemObject() = default;

void WbemObject::SetValue(const char* name, VARIANT&& value) {
  std::lock_guard<std::mutex> guard(lock_);
  const std::size_t i = def_->IndexOf(name);
  if (i == std::string::npos) {
    ::VariantClear(&value);
    return;
  }
  *values_[i].put() = value;
  ::VariantInit(&value);
  set_[i] = true;
}

void WbemObject::SetInt(const char* name, std::int32_t value) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  SetValue(name, std::move(v));
}

void WbemObject::SetString(const char* name, const std::string& value) {
  VARIANT v;
  SetBstrVariant(&v, value);
  SetValue(name, std::move(v));
}

void WbemObject::SetBool(const char* name, bool value) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
  SetValue(name, std::move(v));
}

void WbemObject::SetByte(const char* name, std::uint8_t value) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_UI1;
  V_UI1(&v) = value;
  SetValue(name, std::move(v));
}

HRESULT WbemObject::SetBytes(const char* name, const std::vector<std::uint8_t>& bytes) {
  VARIANT v;
  RM_RETURN_IF_FAILED(BytesToVariant(bytes, &v));
  SetValue(name, std::move(v));
  return S_OK;
}

void WbemObject::SetObject(const char* name, IWbemClassObject* object) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_UNKNOWN;
  V_UNKNOWN(&v) = object;
  SetValue(name, std::move(v));
}

STDMETHODIMP WbemObject::GetQualifierSet(IWbemQualifierSet** ppQualSet) {
  if (ppQualSet) *ppQualSet = nullptr;
  return WBEM_E_NOT_SUPPORTED;
}

std::string WbemObject::RelPathLocked() const {
  if (def_->kind == ClassKind::Parameters) return {};
  if (isClass_) return def_->name;
  if (def_->key.empty()) return {};
  const std::size_t k = def_->IndexOf(def_->key);
  if (k == std::string::npos || values_[k].type() != VT_BSTR) return {};
  return FormatRelPath(def_->name, def_->key, Narrow(V_BSTR(values_[k].get())));
}

bool WbemObject::ReadSystem(const std::string& name, VARIANT* value, CIMTYPE* type) {
  ::VariantInit(value);
  auto text = [&](const std::string& s) {
    *type = CIM_STRING;
    if (s.empty()) {
      V_VT(value) = VT_NULL;
    } else {
      SetBstrVariant(value, s);
    }
  };
  const bool located = def_->kind != ClassKind::Parameters && host_;
  if (EqualsNoCase(name, "__GENUS")) {
    *type = CIM_SINT32;
    V_VT(value) = VT_I4;
    V_I4(value) = isClass_ ? WBEM_GENUS_CLASS : WBEM_GENUS_INSTANCE;
  } else if (EqualsNoCase(name, "__CLASS")) {
    text(def_->name);
  } else if (EqualsNoCase(name, "__SUPERCLASS")) {
    text(def_->superclass);
  } else if (EqualsNoCase(name, "__DYNASTY")) {
    text(def_->superclass.empty() ? def_->name : def_->superclass);
  } else if (EqualsNoCase(name, "__RELPATH")) {
    text(RelPathLocked());
  } else if (EqualsNoCase(name, "__PROPERTY_COUNT")) {
    *type = CIM_SINT32;
    V_VT(value) = VT_I4;
    V_I4(value) = static_cast<LONG>(def_->properties.size());
  } else if (EqualsNoCase(name, "__DERIVATION")) {
    *type = kStringArray;
    rm::UniqueSafeArray array(::SafeArrayCreateVector(VT_BSTR, 0, def_->superclass.empty() ? 0 : 1));
    if (!array) throw std::bad_alloc();
    if (!def_->superclass.empty()) {
      LONG index = 0;
      rm::UniqueBstr s(NewBstr(def_->superclass));
      if (!s || FAILED(::SafeArrayPutElement(array.get(), &index, s.get()))) throw std::bad_alloc();
    }
    V_VT(value) = VT_ARRAY | VT_BSTR;
    V_ARRAY(value) = array.release();
  } else if (EqualsNoCase(name, "__SERVER")) {
    text(located ? host_->server : std::string());
  } else if (EqualsNoCase(name, "__NAMESPACE")) {
    text(located ? std::string(kNamespaceName) : std::string());
  } else if (EqualsNoCase(name, "__PATH")) {
    const std::string rel = RelPathLocked();
    text(located && !rel.empty() ? FormatFullPath(host_->server, kNamespaceName, rel) : std::string());
  } else {
    return false;
  }
  return true;
}

HRESULT WbemObject::GetLocked(const std::string& name, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) {
  if (IsSystemName(name)) {
    rm::Variant value;
    CIMTYPE type = 0;
    if (!ReadSystem(name, value.get(), &type)) return WBEM_E_NOT_FOUND;
    if (pType) *pType = type;
    if (plFlavor) *plFlavor = WBEM_FLAVOR_ORIGIN_SYSTEM;
    if (pVal) *pVal = value.release();
    return WBEM_S_NO_ERROR;
  }
  const std::size_t i = def_->IndexOf(name);
  if (i == std::string::npos) return WBEM_E_NOT_FOUND;
  if (pVal) {
    VARIANT copy;
    RM_RETURN_IF_FAILED(CopyValue(*values_[i].get(), &copy));
    *pVal = copy;
  }
  if (pType) *pType = static_cast<CIMTYPE>(def_->properties[i].cimType);
  if (plFlavor) *plFlavor = isClass_ || set_[i] ? WBEM_FLAVOR_ORIGIN_LOCAL : WBEM_FLAVOR_ORIGIN_PROPAGATED;
  return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::Get(LPCWSTR wszName, LONG lFlags, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) {
  return Guarded([&]() -> HRESULT {
    if (!wszName || !*wszName || lFlags != 0) return WBEM_E_INVALID_PARAMETER;
    std::lock_guard<std::mutex> guard(lock_);
    return GetLocked(Narrow(wszName), pVal, pType, plFlavor);
  });
}

WbemObject::EmbeddedCopy WbemObject::CopyEmbedded(const VARIANT* value) {
  EmbeddedCopy e;
  if (!value || (V_VT(value) != VT_UNKNOWN && V_VT(value) != VT_DISPATCH)) return e;
  IUnknown* unk = V_VT(value) == VT_UNKNOWN ? V_UNKNOWN(value) : V_DISPATCH(value);
  if (!unk) return e;
  rm::ComPtr<IWbemClassObject> object;
  if (FAILED(unk->QueryInterface(IID_IWbemClassObject, object.put_void()))) {
    e.hr = WBEM_E_TYPE_MISMATCH;
    return e;
  }
  e.hr = object->Clone(e.copy.put());
  if (SUCCEEDED(e.hr) && !e.copy) e.hr = WBEM_E_FAILED;
  if (FAILED(e.hr)) return e;
  rm::Variant cls;
  if (SUCCEEDED(GetProperty(e.copy.get(), "__CLASS", cls.get())) && cls.type() == VT_BSTR)
    e.className = Narrow(V_BSTR(cls.get()));
  return e;
}

HRESULT WbemObject::PutLocked(const std::string& name, VARIANT* pVal, CIMTYPE type, EmbeddedCopy& embedded) {
  if (IsSystemName(name)) return WBEM_E_READ_ONLY;
  std::size_t i = def_->IndexOf(name);
  if (i == std::string::npos) {
    // Only a class definition grows a property, and only with its type.
    if (!isClass_) return WBEM_E_NOT_FOUND;
    if (type == 0 || CanonicalVarType(static_cast<std::uint32_t>(type)) == vt::kEmpty)
      return WBEM_E_INVALID_PARAMETER;
    auto grown = std::make_shared<ClassDef>(*def_);
    grown->properties.push_back({name, static_cast<std::uint32_t>(type), {}});
    values_.emplace_back();
    V_VT(values_.back().get()) = VT_NULL;
    set_.push_back(false);
    def_ = grown;
    i = def_->properties.size() - 1;
  }
  const PropertyDef& prop = def_->properties[i];
  if (type != 0 && static_cast<std::uint32_t>(type) != prop.cimType) return WBEM_E_TYPE_MISMATCH;
  const VARTYPE vtIn = pVal ? V_VT(pVal) : static_cast<VARTYPE>(VT_NULL);
  VARIANT stored;
  ::VariantInit(&stored);
  switch (DecidePut(prop.cimType, vtIn)) {
    case PutAction::SetNull:
      V_VT(&stored) = VT_NULL;
      break;
    case PutAction::Store:
      RM_RETURN_IF_FAILED(::VariantCopy(&stored, pVal));
      break;
    case PutAction::ConvertInteger:
      RM_RETURN_IF_FAILED(ToVariantInteger(*pVal, prop.cimType, &stored));
      break;
    case PutAction::StoreObject: {
      RM_RETURN_IF_FAILED(embedded.hr);
      if (!embedded.copy) {
        V_VT(&stored) = VT_NULL;
        break;
      }
      // A strongly typed embedded object takes its own class only.
      if (!prop.objectClass.empty() && !EqualsNoCase(embedded.className, prop.objectClass))
        return WBEM_E_TYPE_MISMATCH;
      V_VT(&stored) = VT_UNKNOWN;
      V_UNKNOWN(&stored) = embedded.copy.detach();
      break;
    }
    case PutAction::Mismatch:
      return WBEM_E_TYPE_MISMATCH;
  }
  *values_[i].put() = stored;
  set_[i] = true;
  return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::Put(LPCWSTR wszName, LONG lFlags, VARIANT* pVal, CIMTYPE Type) {
  return Guarded([&]() -> HRESULT {
    if (!wszName || !*wszName || lFlags != 0) return WBEM_E_INVALID_PARAMETER;
    EmbeddedCopy embedded = CopyEmbedded(pVal);
    std::lock_guard<std::mutex> guard(lock_);
    return PutLocked(Narrow(wszName), pVal, Type, embedded);
  });
}

STDMETHODIMP WbemObject::Delete(LPCWSTR wszName) {
  return Guarded([&]() -> HRESULT {
    if (!wszName || !*wszName) return WBEM_E_INVALID_PARAMETER;
    const std::string name = Narrow(wszName);
    std::lock_guard<std::mutex> guard(lock_);
    if (IsSystemName(name)) return WBEM_E_SYSTEM_PROPERTY;
    const std::size_t i = def_->IndexOf(name);
    if (i == std::string::npos) return WBEM_E_NOT_FOUND;
    // On an instance, Delete resets the value to the class's (NULL).
    if (isClass_) return WBEM_E_NOT_SUPPORTED;
    *values_[i].put() = VARIANT{};
    V_VT(values_[i].get()) = VT_NULL;
    set_[i] = false;
    return WBEM_S_RESET_TO_DEFAULT;
  });
}

std::vector<std::string> WbemObject::NamesLocked(LONG flags, bool& ok) const {
  ok = true;
  std::vector<std::string> names;
  const LONG origin = flags & WBEM_MASK_CONDITION_ORIGIN;
  const bool keysOnly = (flags & WBEM_FLAG_KEYS_ONLY) != 0;
  const bool refsOnly = (flags & WBEM_FLAG_REFS_ONLY) != 0;
  if ((flags & ~(WBEM_FLAG_KEYS_ONLY | WBEM_FLAG_REFS_ONLY | WBEM_MASK_CONDITION_ORIGIN)) != 0 ||
      (origin != 0 && origin != WBEM_FLAG_LOCAL_ONLY && origin != WBEM_FLAG_PROPAGATED_ONLY &&
       origin != WBEM_FLAG_SYSTEM_ONLY && origin != WBEM_FLAG_NONSYSTEM_ONLY)) {
    ok = false;
    return names;
  }
  if (refsOnly) return names;  // no class here has reference properties
  const bool system = !keysOnly && (origin == 0 || origin == WBEM_FLAG_SYSTEM_ONLY);
  const bool own = origin != WBEM_FLAG_SYSTEM_ONLY && origin != WBEM_FLAG_PROPAGATED_ONLY;
  if (system)
    for (const char* n : kSystemNames) names.push_back(n);
  if (own)
    for (const PropertyDef& p : def_->properties)
      if (!keysOnly || EqualsNoCase(p.name, def_->key)) names.push_back(p.name);
  return names;
}

STDMETHODIMP WbemObject::GetNames(LPCWSTR wszQualifierName, LONG lFlags, VARIANT* pQualifierVal,
                                  SAFEARRAY** pNames) {
  return Guarded([&]() -> HRESULT {
    if (!pNames) return WBEM_E_INVALID_PARAMETER;
    *pNames = nullptr;
    LONG flags = lFlags;
    const LONG condition = lFlags & WBEM_MASK_PRIMARY_CONDITION;
    if (wszQualifierName && *wszQualifierName) {
      // Only the key qualifier is known; it marks the key property.
      if (!EqualsNoCase(Narrow(wszQualifierName), "key")) return WBEM_E_NOT_SUPPORTED;
      if (pQualifierVal) return WBEM_E_NOT_SUPPORTED;
      if (condition == WBEM_FLAG_ONLY_IF_FALSE || condition == WBEM_FLAG_ONLY_IF_IDENTICAL)
        return WBEM_E_NOT_SUPPORTED;
      flags = (flags & ~WBEM_MASK_PRIMARY_CONDITION) | WBEM_FLAG_KEYS_ONLY;
    } else if (condition != 0) {
      return WBEM_E_INVALID_PARAMETER;
    }
    bool ok = false;
    std::vector<std::string> names;
    {
      std::lock_guard<std::mutex> guard(lock_);
      names = NamesLocked(flags, ok);
    }
    if (!ok) return WBEM_E_INVALID_PARAMETER;
    rm::UniqueSafeArray array(::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(names.size())));
    if (!array) return WBEM_E_OUT_OF_MEMORY;
    for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
      rm::UniqueBstr s(NewBstr(names[static_cast<std::size_t>(i)]));
      if (!s) return WBEM_E_OUT_OF_MEMORY;
      RM_RETURN_IF_FAILED(::SafeArrayPutElement(array.get(), &i, s.get()));
    }
    *pNames = array.release();
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP WbemObject::BeginEnumeration(LONG lEnumFlags) {
  return Guarded([&]() -> HRESULT {
    std::lock_guard<std::mutex> guard(lock_);
    bool ok = false;
    std::vector<std::string> names = NamesLocked(lEnumFlags, ok);
    if (!ok) return WBEM_E_INVALID_PARAMETER;
    enumNames_ = std::move(names);
    enumPos_ = 0;
    enumerating_ = true;
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP WbemObject::Next(LONG lFlags, BSTR* strName, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) {
  return Guarded([&]() -> HRESULT {
    if (lFlags != 0) return WBEM_E_INVALID_PARAMETER;
    std::lock_guard<std::mutex> guard(lock_);
    if (!enumerating_) return WBEM_E_UNEXPECTED;
    if (enumPos_ >= enumNames_.size()) return WBEM_S_NO_MORE_DATA;
    const std::string& name = enumNames_[enumPos_];
    rm::Variant value;
    CIMTYPE type = 0;
    LONG flavor = 0;
    RM_RETURN_IF_FAILED(GetLocked(name, value.get(), &type, &flavor));
    if (strName) {
      *strName = NewBstr(name);
      if (!*strName) return WBEM_E_OUT_OF_MEMORY;
    }
    if (pVal) *pVal = value.release();
    if (pType) *pType = type;
    if (plFlavor) *plFlavor = flavor;
    ++enumPos_;
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP WbemObject::EndEnumeration() {
  return Guarded([&]() -> HRESULT {
    std::lock_guard<std::mutex> guard(lock_);
    enumerating_ = false;
    enumNames_.clear();
    enumPos_ = 0;
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP WbemObject::GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet** ppQualSet) {
  if (ppQualSet) *ppQualSet = nullptr;
  return WBEM_E_NOT_SUPPORTED;
}

rm::ComPtr<WbemObject> WbemObject::CopyLocked(bool asInstance) {
  rm::ComPtr<WbemObject> copy = rm::ComPtr<WbemObject>::Attach(new WbemObject(def_, host_, isClass_ && !asInstance));
  for (std::size_t i = 0; i < values_.size(); ++i) {
    VARIANT v;
    if (FAILED(CopyValue(*values_[i].get(), &v))) return nullptr;
    *copy->values_[i].put() = v;
    copy->set_[i] = asInstance ? false : set_[i];
  }
  return copy;
}

STDMETHODIMP WbemObject::Clone(IWbemClassObject** ppCopy) {
  return Guarded([&]() -> HRESULT {
    if (!ppCopy) return WBEM_E_INVALID_PARAMETER;
    *ppCopy = nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    rm::ComPtr<WbemObject> copy = CopyLocked(false);
    if (!copy) return WBEM_E_FAILED;
    *ppCopy = copy.detach();
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP WbemObject::GetObjectText(LONG lFlags, BSTR* pstrObjectText) {
  return Guarded([&]() -> HRESULT {
    if (!pstrObjectText || (lFlags & ~WBEM_FLAG_NO_FLAVORS) != 0) return WBEM_E_INVALID_PARAMETER;
    *pstrObjectText = nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    std::string text = (isClass_ ? "class " : "instance of ") + def_->name + "\n{\n";
    for (std::size_t i = 0; i < def_->properties.size(); ++i) {
      if (!isClass_ && values_[i].type() == VT_NULL) continue;
      text += "\t" + def_->properties[i].name;
      if (values_[i].type() != VT_NULL) {
        text += " = ";
        AppendValueText(text, *values_[i].get());
      }
      text += ";\n";
    }
    text += "};\n";
    *pstrObjectText = NewBstr(text);
    return *pstrObjectText ? WBEM_S_NO_ERROR : WBEM_E_OUT_OF_MEMORY;
  });
}

STDMETHODIMP WbemObject::SpawnDerivedClass(LONG, IWbemClassObject** ppNewClass) {
  if (ppNewClass) *ppNewClass = nullptr;
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP WbemObject::SpawnInstance(LONG lFlags, IWbemClassObject** ppNewInstance) {
  return Guarded([&]() -> HRESULT {
    if (!ppNewInstance || lFlags != 0) return WBEM_E_INVALID_PARAMETER;
    *ppNewInstance = nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    if (!isClass_) return WBEM_E_INCOMPLETE_CLASS;
    rm::ComPtr<WbemObject> instance = CopyLocked(true);
    if (!instance) return WBEM_E_FAILED;
    *ppNewInstance = instance.detach();
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP WbemObject::CompareTo(LONG, IWbemClassObject* pCompareTo) {
  return pCompareTo ? WBEM_E_NOT_SUPPORTED : WBEM_E_INVALID_PARAMETER;
}

STDMETHODIMP WbemObject::GetPropertyOrigin(LPCWSTR wszName, BSTR* pstrClassName) {
  return Guarded([&]() -> HRESULT {
    if (!wszName || !pstrClassName) return WBEM_E_INVALID_PARAMETER;
    *pstrClassName = nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    if (def_->IndexOf(Narrow(wszName)) == std::string::npos) return WBEM_E_NOT_FOUND;
    *pstrClassName = NewBstr(def_->name);
    return *pstrClassName ? WBEM_S_NO_ERROR : WBEM_E_OUT_OF_MEMORY;
  });
}

STDMETHODIMP WbemObject::InheritsFrom(LPCWSTR strAncestor) {
  return Guarded([&]() -> HRESULT {
    if (!strAncestor) return WBEM_E_INVALID_PARAMETER;
    std::lock_guard<std::mutex> guard(lock_);
    return !def_->superclass.empty() && EqualsNoCase(def_->superclass, Narrow(strAncestor)) ? WBEM_S_NO_ERROR
                                                                                            : WBEM_S_FALSE;
  });
}

STDMETHODIMP WbemObject::GetMethod(LPCWSTR wszName, LONG lFlags, IWbemClassObject** ppInSignature,
                                   IWbemClassObject** ppOutSignature) {
  return Guarded([&]() -> HRESULT {
    if (ppInSignature) *ppInSignature = nullptr;
    if (ppOutSignature) *ppOutSignature = nullptr;
    if (!wszName || !*wszName || lFlags != 0) return WBEM_E_INVALID_PARAMETER;
    ClassPtr def;
    {
      std::lock_guard<std::mutex> guard(lock_);
      def = def_;
    }
    if (!def->biosMethods || !BiosMethodOutputSize(Narrow(wszName))) return WBEM_E_NOT_FOUND;
    if (host_ && host_->getMethodFails && host_->getMethodFails()) return WBEM_E_FAILED;
    rm::ComPtr<WbemObject> in = NewClass(InSignatureClass(), host_);
    rm::ComPtr<WbemObject> out = NewClass(OutSignatureClass(true), host_);
    if (ppInSignature) *ppInSignature = in.detach();
    if (ppOutSignature) *ppOutSignature = out.detach();
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP WbemObject::PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) {
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP WbemObject::DeleteMethod(LPCWSTR) { return WBEM_E_NOT_SUPPORTED; }

// vtqBIntM has one method per output size; they are not listed one by one.
STDMETHODIMP WbemObject::BeginMethodEnumeration(LONG) { return WBEM_E_NOT_SUPPORTED; }

STDMETHODIMP WbemObject::NextMethod(LONG, BSTR* pstrName, IWbemClassObject** ppInSignature,
                                    IWbemClassObject** ppOutSignature) {
  if (pstrName) *pstrName = nullptr;
  if (ppInSignature) *ppInSignature = nullptr;
  if (ppOutSignature) *ppOutSignature = nullptr;
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP WbemObject::EndMethodEnumeration() { return WBEM_E_NOT_SUPPORTED; }

STDMETHODIMP WbemObject::GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet** ppQualSet) {
  if (ppQualSet) *ppQualSet = nullptr;
  return WBEM_E_NOT_SUPPORTED;
}

STDMETHODIMP WbemObject::GetMethodOrigin(LPCWSTR wszMethodName, BSTR* pstrClassName) {
  return Guarded([&]() -> HRESULT {
    if (!wszMethodName || !pstrClassName) return WBEM_E_INVALID_PARAMETER;
    *pstrClassName = nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    if (!def_->biosMethods || !BiosMethodOutputSize(Narrow(wszMethodName))) return WBEM_E_NOT_FOUND;
    *pstrClassName = NewBstr(def_->name);
    return *pstrClassName ? WBEM_S_NO_ERROR : WBEM_E_OUT_OF_MEMORY;
  });
}

}  // namespace fwsim::wmi
