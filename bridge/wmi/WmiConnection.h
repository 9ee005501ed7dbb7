// The bridge's process-wide WMI connection: one IWbemLocator and one
// IWbemServices of \\.\root\wmi, shared by every BiosCaller, the machine
// information reader and the event relay for the life of the service's run.
//
// How a reader uses it:
//   vtq::WmiLink link;
//   HRESULT hr = vtq::WmiConnection::Instance().Connect(link);
//   if (FAILED(hr)) return hr;              // the connection result
//   hr = vtq::WmiConnection::Instance().SetBlanketOnce(
//       link, RPC_C_AUTHN_LEVEL_CALL, vtq::BlanketFailure::KeepCache);
//   ... link.services->GetObject(...) ...
// The link holds its own references (AddRef'd copies of the cached
// pointers), so a reader's pointers stay valid even when the cache is
// emptied at the end of the run or replaced by a reconnect meanwhile. Drop the
// link (or let it go out of scope) when the call is done.
//
// Thread safety: every member may be called from any thread at any time
// (COM's RPC threads, the timer-queue thread, WMI's threads). A mutex guards
// the cached pointers and flags; it is held while the locator is created and
// while ConnectServer runs, so two threads that find the cache empty at the
// same moment connect once, not twice. No WMI call other than creating the
// locator, ConnectServer and CoSetProxyBlanket runs under that mutex.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <functional>
#include <mutex>

#include "common/win/OwningWrappers.h"

namespace vtq {

// A reader's own references to the cached locator and services.
struct WmiLink {
  rm::ComPtr<IWbemLocator> locator;
  rm::ComPtr<IWbemServices> services;
};

// What a failed CoSetProxyBlanket does to the cache.
enum class BlanketFailure {
  DropCache,  // release locator and services (BiosCaller, event relay)
  KeepCache,  // leave both cached (machine information reader)
};

class WmiConnection {
 public:
  // Creates a locator (CoCreateInstance of CLSID_WbemLocator, in-process
  // server, by default). Tests replace it to count or fail connections.
  using LocatorFactory = std::function<HRESULT(IWbemLocator** out)>;

  // The process-wide cache.
  static WmiConnection& Instance();

  WmiConnection();
  explicit WmiConnection(LocatorFactory factory);
  WmiConnection(const WmiConnection&) = delete;
  WmiConnection& operator=(const WmiConnection&) = delete;
  ~WmiConnection();

  // Once per process: process-wide COM security with authentication level
  // connect and impersonation level impersonate; the result is ignored (in
  // the service, Run has already set the security, so the call changes
  // nothing there). Sets the security-attempted flag.
  void EnsureProcessSecurity();

  // Takes the cached locator (or creates and caches one) and the cached
  // services (or connects the locator to \\.\root\wmi and caches them).
  // When ConnectServer fails the cached locator is released too, so the next
  // Connect starts again from creating the locator. Sets no proxy security.
  // On success `link` holds references to both; on failure it is empty.
  HRESULT Connect(WmiLink& link);

  // As Connect, but always connects the services anew and replaces the
  // cached services with the new ones (the event relay's subscriptions).
  HRESULT Reconnect(WmiLink& link);

  // Sets the proxy blanket (authentication service Windows NT, no
  // authorisation service, no principal, `authnLevel`, impersonation level
  // impersonate, no identity, no capabilities) on link.services once per
  // process: when the blanket flag is already set, returns S_OK and does
  // nothing. On success sets the flag. On failure returns the failure;
  // with DropCache it also releases and clears the cached locator and
  // services (only if they are still the ones in `link`).
  HRESULT SetBlanketOnce(const WmiLink& link, DWORD authnLevel, BlanketFailure onFailure);

  // BiosCaller's connect: EnsureProcessSecurity, Connect, and on an
  // operating system of major version 4 or lower SetBlanketOnce with
  // authentication level connect and DropCache.
  HRESULT ConnectForCalls(WmiLink& link);

  // The event relay's connect: as ConnectForCalls, but with Reconnect, so
  // that every subscription attempt connects the services anew.
  HRESULT ConnectForEvents(WmiLink& link);

  // The end of the service's run: releases and clears the cached locator
  // and services. Releasing throws nothing; a provider that faults inside
  // its Release is not caught here.
  // Links handed out earlier stay valid until their holders drop them.
  // A connect that hangs in WMI holds the cache: after waiting boundMs for
  // it, Release leaves the cache to the process's end and returns false.
  bool Release(DWORD boundMs = 5000);

  bool SecurityAttempted() const;
  bool BlanketSet() const;
  // How many locators were created and how many ConnectServer calls were
  // made since the process started (for the log and tests).
  unsigned long LocatorsCreated() const;
  unsigned long ServicesConnected() const;

 private:
  HRESULT ConnectLocked(WmiLink& link, bool fresh);
  HRESULT ConnectWithBlanket(WmiLink& link, bool fresh);

  mutable std::timed_mutex mutex_;
  LocatorFactory factory_;
  rm::ComPtr<IWbemLocator> locator_;
  rm::ComPtr<IWbemServices> services_;
  bool securityAttempted_ = false;
  bool blanketSet_ = false;
  unsigned long locatorsCreated_ = 0;
  unsigned long servicesConnected_ = 0;
};

}  // namespace vtq
