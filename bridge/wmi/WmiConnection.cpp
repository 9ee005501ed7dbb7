#include "bridge/wmi/WmiConnection.h"

#include <chrono>
#include <utility>

namespace vtq {
namespace {

HRESULT CreateInprocLocator(IWbemLocator** out) {
  return ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                            reinterpret_cast<void**>(out));
}

// The major version as the system reports it; GetVersionEx is deprecated
// but still the one call that answers it on every system the bridge runs on.
DWORD MajorVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&info)) return 0xFFFFFFFF;
#pragma GCC diagnostic pop
  return info.dwMajorVersion;
}

// The process's own calls default to identify-level impersonation, so that
// nothing it calls can act as the process. WMI's providers must act as
// their caller: the services proxy allows it. (An in-process services
// object has no blanket; the call then fails and changes nothing.)
void AllowImpersonation(IWbemServices* services) {
  ::CoSetProxyBlanket(services, RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                      RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, COLE_DEFAULT_AUTHINFO, EOAC_DEFAULT);
}

}  // namespace

// Never destroyed: a late call on an RPC thread may still use it while the
// process exits.
WmiConnection& WmiConnection::Instance() {
  static WmiConnection* const instance = new WmiConnection();
  return *instance;
}

WmiConnection::WmiConnection() : factory_(CreateInprocLocator) {}
WmiConnection::WmiConnection(LocatorFactory factory) : factory_(std::move(factory)) {
  if (!factory_) factory_ = CreateInprocLocator;
}
WmiConnection::~WmiConnection() {
  // The process-wide instance outlives COM: its pointers were released by
  // Release at the end of the run, or are leaked on purpose.
  locator_.detach();
  services_.detach();
}

void WmiConnection::EnsureProcessSecurity() {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  if (securityAttempted_) return;
  ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  securityAttempted_ = true;
}

HRESULT WmiConnection::ConnectLocked(WmiLink& link, bool fresh) {
  link = WmiLink{};
  if (!locator_) {
    rm::ComPtr<IWbemLocator> created;
    HRESULT hr = E_FAIL;
    // A factory given by a test is any callable and may throw.
    try {
      hr = factory_(created.put());
    } catch (...) {
      hr = E_UNEXPECTED;
    }
    if (SUCCEEDED(hr) && !created) hr = E_POINTER;
    if (FAILED(hr)) return hr;
    ++locatorsCreated_;
    locator_ = std::move(created);
  }
  if (!services_ || fresh) {
    rm::ComPtr<IWbemServices> services;
    rm::UniqueBstr ns(::SysAllocString(L"\\\\.\\root\\wmi"));
    if (!ns) return E_OUTOFMEMORY;
    ++servicesConnected_;
    HRESULT hr = locator_->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr,
                                         nullptr, services.put());
    if (SUCCEEDED(hr) && !services) hr = E_POINTER;
    if (FAILED(hr)) {
      locator_.reset();
      if (fresh) services_.reset();
      return hr;
    }
    AllowImpersonation(services.get());
    services_ = std::move(services);
  }
  link.locator = locator_;
  link.services = services_;
  return S_OK;
}

HRESULT WmiConnection::Connect(WmiLink& link) {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  return ConnectLocked(link, false);
}

HRESULT WmiConnection::Reconnect(WmiLink& link) {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  return ConnectLocked(link, true);
}

HRESULT WmiConnection::SetBlanketOnce(const WmiLink& link, DWORD authnLevel,
                                      BlanketFailure onFailure) {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  if (blanketSet_) return S_OK;
  if (!link.services) return E_POINTER;
  const HRESULT hr =
      ::CoSetProxyBlanket(link.services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                          authnLevel, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  if (SUCCEEDED(hr)) {
    blanketSet_ = true;
    return hr;
  }
  if (onFailure == BlanketFailure::DropCache && services_.get() == link.services.get()) {
    services_.reset();
    locator_.reset();
  }
  return hr;
}

HRESULT WmiConnection::ConnectForCalls(WmiLink& link) { return ConnectWithBlanket(link, false); }

HRESULT WmiConnection::ConnectForEvents(WmiLink& link) { return ConnectWithBlanket(link, true); }

HRESULT WmiConnection::ConnectWithBlanket(WmiLink& link, bool fresh) {
  EnsureProcessSecurity();
  HRESULT hr = fresh ? Reconnect(link) : Connect(link);
  if (FAILED(hr)) return hr;
  if (MajorVersion() <= 4) {
    hr = SetBlanketOnce(link, RPC_C_AUTHN_LEVEL_CONNECT, BlanketFailure::DropCache);
    if (FAILED(hr)) link = WmiLink{};
  }
  return hr;
}

bool WmiConnection::Release(DWORD boundMs) {
  std::unique_lock<std::timed_mutex> lock(mutex_, std::chrono::milliseconds(boundMs));
  if (!lock.owns_lock()) return false;
  services_.reset();
  locator_.reset();
  return true;
}

bool WmiConnection::SecurityAttempted() const {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  return securityAttempted_;
}
bool WmiConnection::BlanketSet() const {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  return blanketSet_;
}
unsigned long WmiConnection::LocatorsCreated() const {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  return locatorsCreated_;
}
unsigned long WmiConnection::ServicesConnected() const {
  std::lock_guard<std::timed_mutex> lock(mutex_);
  return servicesConnected_;
}

}  // namespace vtq
