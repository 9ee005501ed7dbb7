// IWbemClassObject of the stand-in: a class definition or an instance of
// one, with WMI's system properties. Objects are used from several threads;
// every method takes the object's lock.
#pragma once

#include "common/win/UnknownBase.h"
#include "fwsim/wmi/ComSupport.h"
#include "fwsim/wmi/Schema.h"

#include <functional>
#include <memory>
#include <mutex>

namespace fwsim::wmi {

// What objects of one connection share: the server name of their paths and
// the fault that makes GetMethod fail.
struct ObjectHost {
  std::string server;
  std::function<bool()> getMethodFails;  // may be empty
};
using HostPtr = std::shared_ptr<const ObjectHost>;

class WbemObject final : public rm::UnknownBase<WbemObject, rm::Interfaces<IWbemClassObject>>, private ModuleObject {
 public:
  static rm::ComPtr<WbemObject> NewClass(ClassPtr def, HostPtr host);
  static rm::ComPtr<WbemObject> NewInstance(ClassPtr def, HostPtr host);

  // Provider side: stores a value without the client's type rules (the
  // provider builds its values in the canonical types). Takes the variant.
  void SetValue(const char* name, VARIANT&& value);
  void SetInt(const char* name, std::int32_t value);
  void SetString(const char* name, const std::string& value);
  void SetBool(const char* name, bool value);
  void SetByte(const char* name, std::uint8_t value);
  HRESULT SetBytes(const char* name, const std::vector<std::uint8_t>& bytes);
  void SetObject(const char* name, IWbemClassObject* object);  // takes a reference


  // IWbemClassObject
  STDMETHODIMP GetQualifierSet(IWbemQualifierSet** ppQualSet) override;
  STDMETHODIMP Get(LPCWSTR wszName, LONG lFlags, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) override;
  STDMETHODIMP Put(LPCWSTR wszName, LONG lFlags, VARIANT* pVal, CIMTYPE Type) override;
  STDMETHODIMP Delete(LPCWSTR wszName) override;
  STDMETHODIMP GetNames(LPCWSTR wszQualifierName, LONG lFlags, VARIANT* pQualifierVal,
                        SAFEARRAY** pNames) override;
  STDMETHODIMP BeginEnumeration(LONG lEnumFlags) override;
  STDMETHODIMP Next(LONG lFlags, BSTR* strName, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) override;
  STDMETHODIMP EndEnumeration() override;
  STDMETHODIMP GetPropertyQualifierSet(LPCWSTR wszProperty, IWbemQualifierSet** ppQualSet) override;
  STDMETHODIMP Clone(IWbemClassObject** ppCopy) override;
  STDMETHODIMP GetObjectText(LONG lFlags, BSTR* pstrObjectText) override;
  STDMETHODIMP SpawnDerivedClass(LONG lFlags, IWbemClassObject** ppNewClass) override;
  STDMETHODIMP SpawnInstance(LONG lFlags, IWbemClassObject** ppNewInstance) override;
  STDMETHODIMP CompareTo(LONG lFlags, IWbemClassObject* pCompareTo) override;
  STDMETHODIMP GetPropertyOrigin(LPCWSTR wszName, BSTR* pstrClassName) override;
  STDMETHODIMP InheritsFrom(LPCWSTR strAncestor) override;
  STDMETHODIMP GetMethod(LPCWSTR wszName, LONG lFlags, IWbemClassObject** ppInSignature,
                         IWbemClassObject** ppOutSignature) override;
  STDMETHODIMP PutMethod(LPCWSTR wszName, LONG lFlags, IWbemClassObject* pInSignature,
                         IWbemClassObject* pOutSignature) override;
  STDMETHODIMP DeleteMethod(LPCWSTR wszName) override;
  STDMETHODIMP BeginMethodEnumeration(LONG lEnumFlags) override;
  STDMETHODIMP NextMethod(LONG lFlags, BSTR* pstrName, IWbemClassObject** ppInSignature,
                          IWbemClassObject** ppOutSignature) override;
  STDMETHODIMP EndMethodEnumeration() override;
  STDMETHODIMP GetMethodQualifierSet(LPCWSTR wszMethod, IWbemQualifierSet** ppQualSet) override;
  STDMETHODIMP GetMethodOrigin(LPCWSTR wszMethodName, BSTR* pstrClassName) override;

 private:
  friend rm::UnknownBase<WbemObject, rm::Interfaces<IWbemClassObject>>;

  WbemObject(ClassPtr def, HostPtr host, bool isClass);
  ~WbemObject();

  struct SystemProperty;
  HRESULT GetLocked(const std::string& name, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor);
  // An embedded object to be stored, copied before the lock is taken (the
  // object may be this one).
  struct EmbeddedCopy {
    HRESULT hr = S_OK;
    rm::ComPtr<IWbemClassObject> copy;  // null for a null pointer
    std::string className;
  };
  static EmbeddedCopy CopyEmbedded(const VARIANT* value);
  HRESULT PutLocked(const std::string& name, VARIANT* pVal, CIMTYPE type, EmbeddedCopy& embedded);
  bool ReadSystem(const std::string& name, VARIANT* value, CIMTYPE* type);
  std::vector<std::string> NamesLocked(LONG flags, bool& ok) const;
  std::string RelPathLocked() const;
  rm::ComPtr<WbemObject> CopyLocked(bool asInstance);

  mutable std::mutex lock_;
  ClassPtr def_;
  const HostPtr host_;
  const bool isClass_;
  std::vector<rm::Variant> values_;  // one per property of def_, VT_NULL when not set
  std::vector<bool> set_;            // set on this object (not inherited from the class)
  std::vector<std::string> enumNames_;
  std::size_t enumPos_ = 0;
  bool enumerating_ = false;
};

}  // namespace fwsim::wmi
