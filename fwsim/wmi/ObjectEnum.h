// IEnumWbemClassObject over a snapshot of instances taken when the
// enumeration was opened.
#pragma once

#include "common/win/UnknownBase.h"
#include "fwsim/wmi/ComSupport.h"

#include <mutex>

namespace fwsim::wmi {

class ObjectEnum final : public rm::UnknownBase<ObjectEnum, rm::Interfaces<IEnumWbemClassObject>>, private ModuleObject {
 public:
  // timeouts: how many requests answer WBEM_S_TIMEDOUT before the first
  // object comes (the slow-provider fault).
  static rm::ComPtr<ObjectEnum> Create(std::vector<rm::ComPtr<IWbemClassObject>> objects, bool forwardOnly,
                                       std::uint32_t timeouts);


  STDMETHODIMP Reset() override;
  STDMETHODIMP Next(LONG lTimeout, ULONG uCount, IWbemClassObject** apObjects, ULONG* puReturned) override;
  STDMETHODIMP NextAsync(ULONG uCount, IWbemObjectSink* pSink) override;
  STDMETHODIMP Clone(IEnumWbemClassObject** ppEnum) override;
  STDMETHODIMP Skip(LONG lTimeout, ULONG nCount) override;

 private:
  friend rm::UnknownBase<ObjectEnum, rm::Interfaces<IEnumWbemClassObject>>;

  ObjectEnum() = default;
  ~ObjectEnum() = default;

  std::mutex lock_;
  std::vector<rm::ComPtr<IWbemClassObject>> objects_;
  std::size_t pos_ = 0;
  bool forwardOnly_ = false;
  std::uint32_t timeouts_ = 0;
};

}  // namespace fwsim::wmi
