// The process-wide WMI connection cache: one connection reused, a failure
// that empties the cache and a later call that connects again, links that
// outlive the cache's own references.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "bridge/wmi/WmiConnection.h"
#include "common/win/UnknownBase.h"
#include "tests/support/WmiClient.h"

namespace vtq {
namespace {

// A locator in front of the system's: counts connections and fails the
// ones it is told to.
class CountingLocator final : public rm::UnknownBase<CountingLocator, rm::Interfaces<IWbemLocator>> {
 public:
  explicit CountingLocator(std::atomic<int>* failNext) : failNext_(failNext) {
    ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                       real_.put_void());
  }
  HRESULT STDMETHODCALLTYPE ConnectServer(BSTR ns, BSTR user, BSTR password, BSTR locale,
                                          LONG flags, BSTR authority, IWbemContext* ctx,
                                          IWbemServices** services) override {
    if (failNext_->load() > 0) {
      --*failNext_;
      return WBEM_E_ACCESS_DENIED;
    }
    if (!real_) return E_FAIL;
    return real_->ConnectServer(ns, user, password, locale, flags, authority, ctx, services);
  }

 private:
  std::atomic<int>* failNext_;
  rm::ComPtr<IWbemLocator> real_;
};

class WmiConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(com_.init())); }

  WmiConnection::LocatorFactory Factory() {
    return [this](IWbemLocator** out) -> HRESULT {
      if (factoryFails_.load() > 0) {
        --factoryFails_;
        return REGDB_E_CLASSNOTREG;
      }
      *out = new CountingLocator(&connectFails_);
      return S_OK;
    };
  }

  fwsimtest::ComApartment com_;
  std::atomic<int> connectFails_{0};
  std::atomic<int> factoryFails_{0};
};

TEST_F(WmiConnectionTest, ConnectsOnceAndHandsOutTheCachedConnection) {
  WmiConnection cache(Factory());
  WmiLink first, second;
  ASSERT_EQ(cache.ConnectForCalls(first), S_OK);
  ASSERT_EQ(cache.ConnectForCalls(second), S_OK);
  EXPECT_EQ(first.services.get(), second.services.get());
  EXPECT_EQ(first.locator.get(), second.locator.get());
  EXPECT_EQ(cache.LocatorsCreated(), 1u);
  EXPECT_EQ(cache.ServicesConnected(), 1u);
  EXPECT_TRUE(cache.SecurityAttempted());
  cache.Release();
}

TEST_F(WmiConnectionTest, AFailedConnectionEmptiesTheCacheAndTheNextCallConnectsAgain) {
  WmiConnection cache(Factory());
  connectFails_ = 1;
  WmiLink link;
  EXPECT_EQ(cache.Connect(link), WBEM_E_ACCESS_DENIED);
  EXPECT_FALSE(link.services);
  EXPECT_FALSE(link.locator);
  ASSERT_EQ(cache.Connect(link), S_OK);
  EXPECT_TRUE(link.services);
  // The failed attempt released its locator: the retry made a new one.
  EXPECT_EQ(cache.LocatorsCreated(), 2u);
  EXPECT_EQ(cache.ServicesConnected(), 2u);

  factoryFails_ = 1;
  cache.Release();
  WmiLink none;
  EXPECT_EQ(cache.Connect(none), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(none.services);
  ASSERT_EQ(cache.Connect(none), S_OK);
  EXPECT_EQ(cache.LocatorsCreated(), 3u);
  cache.Release();
}

TEST_F(WmiConnectionTest, LinksStayUsableAfterTheCacheIsReleased) {
  WmiConnection cache(Factory());
  WmiLink link;
  ASSERT_EQ(cache.Connect(link), S_OK);
  cache.Release();
  // The link holds its own reference: a call on it still reaches WMI.
  rm::ComPtr<IWbemClassObject> object;
  rm::UniqueBstr name(::SysAllocString(L"__NAMESPACE"));
  const HRESULT hr = link.services->GetObject(name.get(), 0, nullptr, object.put(), nullptr);
  EXPECT_NE(hr, RPC_E_DISCONNECTED);
  WmiLink again;
  ASSERT_EQ(cache.Connect(again), S_OK);
  EXPECT_NE(again.services.get(), link.services.get());
  cache.Release();
}

TEST_F(WmiConnectionTest, ReconnectReplacesTheCachedServices) {
  WmiConnection cache(Factory());
  WmiLink first, fresh, later;
  ASSERT_EQ(cache.Connect(first), S_OK);
  ASSERT_EQ(cache.Reconnect(fresh), S_OK);
  ASSERT_EQ(cache.Connect(later), S_OK);
  EXPECT_EQ(later.services.get(), fresh.services.get());
  EXPECT_EQ(cache.ServicesConnected(), 2u);
  EXPECT_EQ(cache.LocatorsCreated(), 1u);
  cache.Release();
}

TEST_F(WmiConnectionTest, BlanketIsSetOncePerProcess) {
  WmiConnection cache;
  WmiLink link;
  ASSERT_EQ(cache.Connect(link), S_OK);
  EXPECT_FALSE(cache.BlanketSet());
  const HRESULT hr = cache.SetBlanketOnce(link, RPC_C_AUTHN_LEVEL_CALL, BlanketFailure::KeepCache);
  EXPECT_EQ(cache.BlanketSet(), SUCCEEDED(hr));
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(cache.SetBlanketOnce(WmiLink{}, RPC_C_AUTHN_LEVEL_CALL, BlanketFailure::KeepCache), S_OK);
  }
  // A failure with KeepCache leaves the cached connection in place.
  WmiLink same;
  ASSERT_EQ(cache.Connect(same), S_OK);
  EXPECT_EQ(same.services.get(), link.services.get());
  cache.Release();
}

TEST_F(WmiConnectionTest, ConcurrentFirstUseConnectsOnce) {
  WmiConnection cache(Factory());
  std::vector<std::thread> threads;
  std::atomic<int> ok{0};
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&] {
      fwsimtest::ComApartment com;
      WmiLink link;
      if (cache.ConnectForCalls(link) == S_OK && link.services) ++ok;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(ok.load(), 4);
  EXPECT_EQ(cache.LocatorsCreated(), 1u);
  EXPECT_EQ(cache.ServicesConnected(), 1u);
  cache.Release();
}

}  // namespace
}  // namespace vtq
