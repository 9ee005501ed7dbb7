#include "bridge/relay/EventRelay.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "bridge/wmi/WmiConnection.h"
#include "bridge/relay/NamedEvent.h"
#include "bridge/relay/RelayTable.h"
#include "common/TextBuffer.h"
#include "common/win/UnknownBase.h"

namespace vtq {

// What the sinks share with the relay: the current table and the log.
struct RelayDelivery {
  std::function<RelayLogFlags()> logFlags;
  std::function<void(const char*)> writeLog;
  std::mutex mutex;  // guards `table` only
  std::shared_ptr<const RelayTable> table = std::make_shared<RelayTable>();

  std::shared_ptr<const RelayTable> Table() {
    std::lock_guard<std::mutex> lock(mutex);
    return table;
  }
  void Publish(std::shared_ptr<const RelayTable> fresh) {
    std::lock_guard<std::mutex> lock(mutex);
    table.swap(fresh);
  }
  RelayLogFlags Flags() const { return logFlags && writeLog ? logFlags() : RelayLogFlags{}; }
  // One line, formatted here; the log cuts what it keeps.
  void Log(const char* format, ...) const __attribute__((format(printf, 2, 3))) {
    if (!writeLog) return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    writeLog(line);
  }
};

namespace {

constexpr char kBiosFiredLine[] =
    "a BIOS WMI Event is Fired, RefCount: %d, lObjectCount:%ld, EventID:%d, EventData: %d\n";
constexpr char kDockFiredLine[] = "a BIOS WMI Event is Fired, RefCount: %d, lObjectCount:%ld\n";
constexpr char kNoMarkerLine[] =
    "no events marker: %%ProgramFiles%% is not a full folder path of at most 99 characters\n";
// Registry key names have at most 255 characters.
constexpr DWORD kKeyNameBuffer = 256;
// More data than this is no ID of any type; it is not read.
constexpr DWORD kIdDataLimit = 64;

// A property taken as a 32-bit integer: any integer VARIANT, cut to its low
// 32 bits. false when the property is missing or not an integer.
bool ReadInt32(IWbemClassObject* object, const wchar_t* name, LONG& value) {
  rm::Variant v;
  if (FAILED(object->Get(name, 0, v.put(), nullptr, nullptr))) return false;
  switch (v.type()) {
    case VT_I1: value = V_I1(v.get()); return true;
    case VT_UI1: value = V_UI1(v.get()); return true;
    case VT_I2: value = V_I2(v.get()); return true;
    case VT_UI2: value = V_UI2(v.get()); return true;
    case VT_I4: value = V_I4(v.get()); return true;
    case VT_UI4: value = static_cast<LONG>(V_UI4(v.get())); return true;
    case VT_INT: value = V_INT(v.get()); return true;
    case VT_UINT: value = static_cast<LONG>(V_UINT(v.get())); return true;
    case VT_I8: value = static_cast<LONG>(static_cast<ULONG>(V_I8(v.get()) & 0xFFFFFFFF)); return true;
    case VT_UI8: value = static_cast<LONG>(static_cast<ULONG>(V_UI8(v.get()) & 0xFFFFFFFF)); return true;
    default: return false;
  }
}

// SetStatus of both sinks. The count starts at 1, the relay's own
// reference.
class RelaySink : public rm::UnknownBase<RelaySink, rm::Interfaces<IWbemObjectSink>> {
 public:
  explicit RelaySink(std::shared_ptr<RelayDelivery> delivery) : delivery_(std::move(delivery)) {}
  virtual ~RelaySink() = default;

  HRESULT STDMETHODCALLTYPE SetStatus(LONG, HRESULT, BSTR, IWbemClassObject*) override { return WBEM_S_NO_ERROR; }

 protected:
  int RefCount() const { return static_cast<int>(UnknownBase::RefCount()); }
  static void Signal(const std::vector<std::string>& names) {
    for (const std::string& name : names) SignalNamedEvent(name.c_str());
  }

  std::shared_ptr<RelayDelivery> delivery_;
};

class BiosEventSink final : public RelaySink {
 public:
  using RelaySink::RelaySink;

  // Reads EventID and EventData of each object; an object whose EventID
  // cannot be read as an integer is passed over. Then signals the names of
  // every ID in the order of the objects.
  HRESULT STDMETHODCALLTYPE Indicate(LONG count, IWbemClassObject** objects) override {
    try {
      const RelayLogFlags flags = delivery_->Flags();
      const std::shared_ptr<const RelayTable> table = delivery_->Table();
      std::vector<std::uint32_t> ids;
      for (LONG i = 0; objects && i < count; ++i) {
        if (!objects[i]) continue;
        LONG id = 0;
        LONG data = 0;
        if (!ReadInt32(objects[i], L"EventID", id)) continue;
        if (!ReadInt32(objects[i], L"EventData", data)) data = 0;
        if (flags.success)
          delivery_->Log(kBiosFiredLine, RefCount(), static_cast<long>(count), static_cast<int>(id), static_cast<int>(data));
        ids.push_back(static_cast<std::uint32_t>(id));
      }
      Signal(BiosDeliverySignals(*table, ids));
    } catch (...) {
    }
    return WBEM_S_NO_ERROR;
  }
};

class DockEventSink final : public RelaySink {
 public:
  using RelaySink::RelaySink;

  HRESULT STDMETHODCALLTYPE Indicate(LONG count, IWbemClassObject** objects) override {
    try {
      const RelayLogFlags flags = delivery_->Flags();
      const std::shared_ptr<const RelayTable> table = delivery_->Table();
      const std::size_t objectCount = objects && count > 0 ? static_cast<std::size_t>(count) : 0;
      if (flags.success)
        for (std::size_t i = 0; i < objectCount; ++i)
          delivery_->Log(kDockFiredLine, RefCount(), static_cast<long>(count));
      Signal(DockDeliverySignals(*table, objectCount));
    } catch (...) {
    }
    return WBEM_S_NO_ERROR;
  }
};

class RegistryRelayKey final : public RelayKeyReader {
 public:
  explicit RegistryRelayKey(HKEY key) : key_(key) {}

  bool SubkeyName(std::uint32_t index, std::string& name) override {
    char buffer[kKeyNameBuffer];
    DWORD size = sizeof(buffer);
    if (::RegEnumKeyExA(key_, index, buffer, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    name.assign(buffer, size);
    return true;
  }

  bool EventIdData(const std::string& subkeyName, std::vector<std::uint8_t>& data) override {
    rm::UniqueRegKey sub;
    if (::RegOpenKeyExA(key_, subkeyName.c_str(), 0, KEY_QUERY_VALUE, sub.put()) != ERROR_SUCCESS) return false;
    BYTE buffer[kIdDataLimit];
    DWORD size = sizeof(buffer);
    const LONG rc = ::RegQueryValueExA(sub.get(), kRelayIdValue, nullptr, nullptr, buffer, &size);
    if (rc == ERROR_MORE_DATA) {
      data.assign(kIdDataLimit + 1, 0);
      return true;
    }
    if (rc != ERROR_SUCCESS) return false;
    data.assign(buffer, buffer + size);
    return true;
  }

 private:
  HKEY key_;
};

// The relay table from the relay key; a reset (empty) table when the key
// cannot be opened.
std::shared_ptr<const RelayTable> LoadTable(const std::string& relayKey) {
  rm::UniqueRegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, relayKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    auto table = std::make_shared<RelayTable>();
    table->Reset();
    return table;
  }
  RegistryRelayKey reader(key.get());
  return std::make_shared<RelayTable>(LoadRelayTable(reader));
}

}  // namespace

EventRelay::EventRelay(Options options)
    : options_(std::move(options)),
      connection_(options_.connection ? *options_.connection : WmiConnection::Instance()),
      delivery_(std::make_shared<RelayDelivery>()) {
  delivery_->logFlags = options_.logFlags;
  delivery_->writeLog = options_.writeLog;
  if (!options_.markerPath) options_.markerPath = EventsMarkerPath();
}

EventRelay::~EventRelay() {
  std::lock_guard<std::timed_mutex> lock(subscribeMutex_);
  if (biosServices_ && biosSink_) biosServices_->CancelAsyncCall(biosSink_.get());
  if (dockServices_ && dockSink_) dockServices_->CancelAsyncCall(dockSink_.get());
}

HRESULT EventRelay::SubscribeBiosEvents() { return Subscribe(Kind::Bios); }
HRESULT EventRelay::SubscribeDockEvents() { return Subscribe(Kind::Dock); }

void EventRelay::RefuseSubscriptions() { stopped_ = true; }

HRESULT EventRelay::Subscribe(Kind kind) {
  if (stopped_.load()) return RPC_E_SERVERCALL_RETRYLATER;
  std::lock_guard<std::timed_mutex> lock(subscribeMutex_);
  if (stopped_.load()) return RPC_E_SERVERCALL_RETRYLATER;
  if (subscribed_.load()) return S_OK;

  WmiLink link;
  HRESULT hr = connection_.ConnectForEvents(link);
  if (FAILED(hr)) return hr;

  rm::ComPtr<IWbemObjectSink>& sink = kind == Kind::Bios ? biosSink_ : dockSink_;
  if (!sink) {
    RelaySink* created = nullptr;
    if (kind == Kind::Bios)
      created = new (std::nothrow) BiosEventSink(delivery_);
    else
      created = new (std::nothrow) DockEventSink(delivery_);
    if (!created) return E_OUTOFMEMORY;
    sink = rm::ComPtr<IWbemObjectSink>::Attach(created);
  }

  // The table is in place before the subscription, so that the first
  // events delivered already find their names.
  delivery_->Publish(LoadTable(options_.relayKey));

  rm::UniqueBstr language(::SysAllocString(L"WQL"));
  rm::UniqueBstr query(
      ::SysAllocString(kind == Kind::Bios ? L"SELECT * FROM vtqBEvnt" : L"SELECT * FROM vtqDockEvent"));
  if (!language || !query) return E_OUTOFMEMORY;
  hr = link.services->ExecNotificationQueryAsync(language.get(), query.get(), WBEM_FLAG_SEND_STATUS, nullptr,
                                                 sink.get());
  if (FAILED(hr)) {
    subscribed_ = false;
    return hr;
  }
  subscribed_ = true;
  ++subscriptions_;
  (kind == Kind::Bios ? biosServices_ : dockServices_) = link.services;
  CreateMarker();
  return hr;
}

HRESULT EventRelay::StopRelay() {
  stopped_ = true;
  // A subscription that hangs in WMI holds the mutex: the stop does not wait
  // for it beyond the bound, and leaves what it holds to the process's end.
  std::unique_lock<std::timed_mutex> lock(subscribeMutex_, std::chrono::milliseconds(options_.stopLockMs));
  if (!lock.owns_lock()) return RPC_E_SERVERCALL_RETRYLATER;
  if (!subscribed_.load() || !biosSink_) return S_OK;
  const HRESULT hr =
      biosServices_ ? biosServices_->CancelAsyncCall(biosSink_.get()) : static_cast<HRESULT>(WBEM_E_NOT_FOUND);
  subscribed_ = false;
  rm::ComPtr<IWbemObjectSink> sink = std::move(biosSink_);
  rm::ComPtr<IWbemServices> services = std::move(biosServices_);
  lock.unlock();
  // Deliveries already under way end before the sink is released.
  ::Sleep(options_.stopWaitMs);
  return hr;
}

void EventRelay::ResubscribeAtStart(void* context) {
  if (context && !options_.markerPath->empty() && EventsMarkerExists(*options_.markerPath)) SubscribeBiosEvents();
}

// An empty file whose existence counts, deleted at the next restart of the
// computer. A file that cannot be created leaves the subscription as it is.
// Without a path of its own (see EventsMarkerPathFor) no marker is written:
// the subscription stands, but a restarted service waits for a client.
void EventRelay::CreateMarker() const {
  const std::string& path = *options_.markerPath;
  if (path.empty()) {
    if (delivery_->Flags().failure) delivery_->Log(kNoMarkerLine);
    return;
  }
  rm::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  file.reset();
  ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

LONG RegisterRelayEvent(DWORD id, const char* name) {
  if (!name || !*name) return ERROR_INVALID_PARAMETER;
  rm::UniqueRegKey relay;
  LONG rc = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRelayKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, relay.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rm::UniqueRegKey sub;
  rc = ::RegCreateKeyExA(relay.get(), name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                         nullptr, sub.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return ::RegSetValueExA(sub.get(), kRelayIdValue, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&id), sizeof(id));
}

void RemoveRelayEvent(const char* name) {
  if (!name || !*name) return;
  {
    rm::UniqueRegKey relay;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRelayKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, relay.put(), nullptr) != ERROR_SUCCESS)
      return;
    ::RegDeleteKeyA(relay.get(), name);
  }
  rm::UniqueRegKey relay;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRelayKey, 0, KEY_READ, relay.put()) != ERROR_SUCCESS)
    return;
  char sub[kKeyNameBuffer];
  DWORD size = sizeof(sub);
  if (::RegEnumKeyExA(relay.get(), 0, sub, &size, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_NO_MORE_ITEMS)
    return;
  relay.reset();
  rm::UniqueRegKey vendor;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_ALL_ACCESS, vendor.put()) ==
      ERROR_SUCCESS)
    ::RegDeleteKeyA(vendor.get(), kAppId);
}

NamedEvent& ShutdownEvent() {
  static NamedEvent* event = new NamedEvent(kShutdownEventName);
  return *event;
}

std::string EventsMarkerPath() {
  char expanded[kMarkerPathBuffer] = "";
  const DWORD n = ::ExpandEnvironmentStringsA("%ProgramFiles%", expanded, sizeof(expanded));
  const bool fitted = n != 0 && n <= sizeof(expanded);
  return EventsMarkerPathFor(fitted ? expanded : "", fitted);
}

bool EventsMarkerExists(const std::string& path) {
  rm::UniqueFile file(
      ::CreateFileA(path.c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

}  // namespace vtq
