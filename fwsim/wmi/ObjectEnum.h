// IEnumWbemClassObject over a snapshot of instances taken when the
// enumeration was opened.
#pragma once

#include "fwsim/wmi/ComSupport.h"

#include <mutex>

namespace fwsim::wmi {

class ObjectEnum final : public IEnumWbemClassObject, private ModuleObject {
 public:
  // timeouts: how many requests answer WBEM_S_TIMEDOUT before the first
  // object comes (the slow-provider fault).
  static rm::ComPtr<ObjectEnum> Create(std::vector<rm::ComPtr<IWbemClassObject>> objects, bool forwardOnly,
                                       std::uint32_t timeouts);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Reset() override;
  STDMETHODIMP Next(LONG lTimeout, ULONG uCount, IWbemClassObject** apObjects, ULONG* puReturned) override;
  STDMETHODIMP NextAsync(ULONG uCount, IWbemObjectSink* pSink) override;
  STDMETHODIMP Clone(IEnumWbemClassObject** ppEnum) override;
  STDMETHODIMP Skip(LONG lTimeout, ULONG nCount) override;

 private:
  ObjectEnum() = default;
  ~ObjectEnum() = default;

  std::atomic<ULONG> refs_{1};
  std::mutex lock_;
  std::vector<rm::ComPtr<IWbemClassObject>> objects_;
  std::size_t pos_ = 0;
  bool forwardOnly_ = false;
  std::uint32_t timeouts_ = 0;
};

}  // namespace fwsim::wmi
