#include "fwsim/wmi/ObjectEnum.h"

namespace fwsim::wmi {
namespace {
constexpr LONG kInfinite = static_cast<LONG>(WBEM_INFINITE);  // -1
}

rm::ComPtr<ObjectEnum> ObjectEnum::Create(std::vector<rm::ComPtr<IWbemClassObject>> objects, bool forwardOnly,
                                          std::uint32_t timeouts) {
  rm::ComPtr<ObjectEnum> e = rm::ComPtr<ObjectEnum>::Attach(new ObjectEnum());
  e->objects_ = std::move(objects);
  e->forwardOnly_ = forwardOnly;
  e->timeouts_ = timeouts;
  return e;
}

STDMETHODIMP ObjectEnum::Reset() {
  return Guarded([&]() -> HRESULT {
    std::lock_guard<std::mutex> guard(lock_);
    if (forwardOnly_) return WBEM_E_INVALID_OPERATION;
    pos_ = 0;
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP ObjectEnum::Next(LONG lTimeout, ULONG uCount, IWbemClassObject** apObjects, ULONG* puReturned) {
  return Guarded([&]() -> HRESULT {
    if (puReturned) *puReturned = 0;
    if (!apObjects || !puReturned || uCount == 0 || (lTimeout < 0 && lTimeout != kInfinite))
      return WBEM_E_INVALID_PARAMETER;
    for (ULONG i = 0; i < uCount; ++i) apObjects[i] = nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    if (timeouts_ > 0 && pos_ < objects_.size()) {
      // The provider has not answered yet. A caller that waits without a
      // time-out gets the answer when it comes.
      if (lTimeout != kInfinite) {
        --timeouts_;
        return WBEM_S_TIMEDOUT;
      }
      timeouts_ = 0;
    }
    ULONG n = 0;
    while (n < uCount && pos_ < objects_.size()) {
      if (forwardOnly_) {
        apObjects[n] = objects_[pos_].detach();
      } else {
        // A rewindable enumeration hands out copies: what the caller
        // changes does not show on the next pass.
        HRESULT hr = objects_[pos_]->Clone(&apObjects[n]);
        if (FAILED(hr)) {
          for (ULONG i = 0; i < n; ++i) apObjects[i]->Release(), apObjects[i] = nullptr;
          *puReturned = 0;
          return hr;
        }
      }
      ++n;
      ++pos_;
    }
    *puReturned = n;
    return n == uCount ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
  });
}

STDMETHODIMP ObjectEnum::NextAsync(ULONG, IWbemObjectSink* pSink) {
  return pSink ? WBEM_E_NOT_SUPPORTED : WBEM_E_INVALID_PARAMETER;
}

STDMETHODIMP ObjectEnum::Clone(IEnumWbemClassObject** ppEnum) {
  return Guarded([&]() -> HRESULT {
    if (!ppEnum) return WBEM_E_INVALID_PARAMETER;
    *ppEnum = nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    if (forwardOnly_) return WBEM_E_INVALID_OPERATION;
    std::vector<rm::ComPtr<IWbemClassObject>> copies;
    for (const auto& o : objects_) {
      rm::ComPtr<IWbemClassObject> c;
      RM_RETURN_IF_FAILED(o->Clone(c.put()));
      copies.push_back(std::move(c));
    }
    rm::ComPtr<ObjectEnum> e = Create(std::move(copies), false, timeouts_);
    e->pos_ = pos_;
    *ppEnum = e.detach();
    return WBEM_S_NO_ERROR;
  });
}

STDMETHODIMP ObjectEnum::Skip(LONG lTimeout, ULONG nCount) {
  return Guarded([&]() -> HRESULT {
    if (lTimeout < 0 && lTimeout != kInfinite) return WBEM_E_INVALID_PARAMETER;
    std::lock_guard<std::mutex> guard(lock_);
    if (timeouts_ > 0 && pos_ < objects_.size() && nCount > 0) {
      if (lTimeout != kInfinite) {
        --timeouts_;
        return WBEM_S_TIMEDOUT;
      }
      timeouts_ = 0;
    }
    ULONG n = 0;
    while (n < nCount && pos_ < objects_.size()) {
      if (forwardOnly_) objects_[pos_].reset();
      ++pos_;
      ++n;
    }
    return n == nCount ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
  });
}

}  // namespace fwsim::wmi
