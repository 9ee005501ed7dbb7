// The simulated notebook through an ordinary WMI client: the locator comes
// from CoCreateInstance(CLSID_WbemLocator) as in the deliverables, and the
// machine's state is driven only through the tool fwsim.exe.
#include "tests/support/WmiClient.h"

#include "fwsim/model/Firmware.h"
#include "fwsim/wmi/BiosRequest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <iterator>

namespace {

using namespace fwsimtest;
using namespace std::chrono_literals;
namespace word = fwsim::model::word;

class FirmwareWmi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rmtest::Fwsim("reset"), 0);
    ASSERT_TRUE(SUCCEEDED(ConnectFirmware(services_)));
  }
  void TearDown() override {
    services_.reset();
    rmtest::Fwsim("reset");
  }

  std::uint32_t ToolWord(const std::string& args) {
    std::string out;
    EXPECT_EQ(rmtest::Fwsim(args, &out), 0) << out;
    std::uint32_t w = 0;
    EXPECT_TRUE(rmtest::FwsimNumber(out, "wireless word ", w)) << out;
    return w;
  }

  // The word as the tool reads it with its own request ("Data 3B 0C 0C 00").
  std::uint32_t ToolCallWord() {
    std::string out;
    EXPECT_EQ(rmtest::Fwsim("call 1 5 - 4", &out), 0) << out;
    const std::size_t at = out.find("Data ");
    EXPECT_NE(at, std::string::npos) << out;
    if (at == std::string::npos) return 0;
    std::vector<std::uint8_t> bytes;
    const char* p = out.c_str() + at + 5;
    for (int i = 0; i < 4; ++i) {
      char* end = nullptr;
      bytes.push_back(static_cast<std::uint8_t>(std::strtoul(p, &end, 16)));
      if (end == p) break;
      p = end;
    }
    EXPECT_EQ(bytes.size(), 4u) << out;
    return WordOf(bytes);
  }

  BiosAnswer ReadWord() {
    BiosCall call;
    call.command = fwsim::model::kCommandRead;
    call.commandType = fwsim::model::kTypeWireless;
    call.sizeOut = 4;
    call.path = FirstBiosInstancePath(services_.get()).path;
    return CallBios(services_.get(), call);
  }

  BiosAnswer Switch(std::uint8_t states, std::uint8_t mask) {
    BiosCall call;
    call.command = fwsim::model::kCommandWrite;
    call.commandType = fwsim::model::kTypeWireless;
    call.input = {states, mask, 0, 0};
    call.sizeOut = 0;
    call.path = FirstBiosInstancePath(services_.get()).path;
    return CallBios(services_.get(), call);
  }

  HRESULT Subscribe(const wchar_t* query, IWbemObjectSink* sink) {
    rm::UniqueBstr lang(Bstr(L"WQL")), q(Bstr(query));
    return services_->ExecNotificationQueryAsync(lang.get(), q.get(), WBEM_FLAG_SEND_STATUS, nullptr, sink);
  }

  ComApartment com_;
  rm::ComPtr<IWbemServices> services_;
};

std::wstring GetString(IWbemClassObject* o, const wchar_t* name) {
  rm::Variant v;
  if (FAILED(o->Get(name, 0, v.get(), nullptr, nullptr)) || v.type() != VT_BSTR) return L"<none>";
  return V_BSTR(v.get());
}

TEST_F(FirmwareWmi, ConnectsUnderEveryNameOfRootWmiAndAcceptsAProxyBlanket) {
  EXPECT_TRUE(SUCCEEDED(com_.security()) || com_.security() == RPC_E_TOO_LATE);
  for (const wchar_t* ns : {L"root\\wmi", L"ROOT\\WMI", L"//./root/wmi", L"\\\\localhost\\root\\wmi"}) {
    rm::ComPtr<IWbemServices> s;
    EXPECT_EQ(Connect(ns, s), WBEM_S_NO_ERROR) << Narrow(ns);
    rm::ComPtr<IWbemClassObject> cls;
    EXPECT_EQ(GetClass(s.get(), L"vtqBIntM", cls), WBEM_S_NO_ERROR) << Narrow(ns);
  }
  // The bridge's machine information reader sets this blanket.
  EXPECT_EQ(::CoSetProxyBlanket(services_.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE),
            S_OK);
  DWORD authn = 0, level = 0, imp = 0;
  EXPECT_EQ(::CoQueryProxyBlanket(services_.get(), &authn, nullptr, nullptr, &level, &imp, nullptr, nullptr), S_OK);
  EXPECT_EQ(authn, static_cast<DWORD>(RPC_C_AUTHN_WINNT));
  EXPECT_EQ(level, static_cast<DWORD>(RPC_C_AUTHN_LEVEL_CALL));
  EXPECT_EQ(imp, static_cast<DWORD>(RPC_C_IMP_LEVEL_IMPERSONATE));
  // Calls still work after it.
  EXPECT_EQ(ReadWord().hr, S_OK);
}

TEST_F(FirmwareWmi, OtherNamespacesGoToTheSystemProvider) {
  rm::ComPtr<IWbemServices> cimv2;
  ASSERT_EQ(Connect(L"root\\cimv2", cimv2), WBEM_S_NO_ERROR);
  rm::ComPtr<IWbemClassObject> os;
  EXPECT_EQ(GetClass(cimv2.get(), L"Win32_OperatingSystem", os), WBEM_S_NO_ERROR);
  rm::ComPtr<IWbemClassObject> bios;
  EXPECT_TRUE(FAILED(GetClass(cimv2.get(), L"vtqBIntM", bios)));
  // And the firmware namespace does not know the system's classes.
  EXPECT_EQ(GetClass(services_.get(), L"Win32_OperatingSystem", os), WBEM_E_NOT_FOUND);
}

TEST_F(FirmwareWmi, ClassesAndTheMethodInstanceAreFound) {
  for (const wchar_t* name : {L"vtqBIntM", L"vtqBDataIn", L"vtqBEvnt", L"vtqDockEvent", L"vtqGAED", L"vtqDockQuery",
                              L"MSSmBios_RawSMBiosTables"}) {
    rm::ComPtr<IWbemClassObject> cls;
    ASSERT_EQ(GetClass(services_.get(), name, cls), WBEM_S_NO_ERROR) << Narrow(name);
    EXPECT_EQ(GetString(cls.get(), L"__CLASS"), name);
    rm::Variant genus;
    ASSERT_EQ(cls->Get(L"__GENUS", 0, genus.get(), nullptr, nullptr), WBEM_S_NO_ERROR);
    EXPECT_EQ(V_I4(genus.get()), WBEM_GENUS_CLASS);
  }
  const InstancePathResult first = FirstBiosInstancePath(services_.get());
  ASSERT_EQ(first.hr, WBEM_S_NO_ERROR);
  EXPECT_EQ(first.requests, 1);
  const std::wstring tail = L"\\ROOT\\wmi:vtqBIntM.InstanceName=\"ACPI\\\\PNP0C14\\\\0_0\"";
  ASSERT_GT(first.path.size(), tail.size());
  EXPECT_EQ(first.path.substr(0, 2), L"\\\\");
  EXPECT_EQ(first.path.substr(first.path.size() - tail.size()), tail);

  // The path leads back to the instance, as does the relative path.
  for (const std::wstring& p : {first.path, std::wstring(L"vtqBIntM.InstanceName=\"acpi\\\\pnp0c14\\\\0_0\"")}) {
    rm::ComPtr<IWbemClassObject> instance;
    rm::UniqueBstr path(Bstr(p.c_str()));
    ASSERT_EQ(services_->GetObject(path.get(), 0, nullptr, instance.put(), nullptr), WBEM_S_NO_ERROR);
    EXPECT_EQ(GetString(instance.get(), L"InstanceName"), L"ACPI\\PNP0C14\\0_0");
    EXPECT_EQ(GetString(instance.get(), L"__PATH"), first.path);
    rm::Variant active;
    ASSERT_EQ(instance->Get(L"Active", 0, active.get(), nullptr, nullptr), WBEM_S_NO_ERROR);
    EXPECT_EQ(active.type(), VT_BOOL);
    EXPECT_EQ(V_BOOL(active.get()), VARIANT_TRUE);
  }
  rm::ComPtr<IWbemClassObject> none;
  rm::UniqueBstr missing(Bstr(L"vtqBIntM.InstanceName=\"ACPI\\\\PNP0C14\\\\0_9\""));
  EXPECT_EQ(services_->GetObject(missing.get(), 0, nullptr, none.put(), nullptr), WBEM_E_NOT_FOUND);
  EXPECT_EQ(GetClass(services_.get(), L"vtqNoSuchClass", none), WBEM_E_NOT_FOUND);
}

TEST_F(FirmwareWmi, ReadingTheWirelessWordAnswersEachProfilesWord) {
  std::vector<std::uint32_t> seen;
  for (const char* profile : {"both", "wlan", "bluetooth", "none"}) {
    const std::uint32_t expected = ToolWord(std::string("profile ") + profile);
    const BiosAnswer a = ReadWord();
    ASSERT_EQ(a.hr, S_OK) << profile << ": " << a.failedStep;
    EXPECT_TRUE(a.hasReturnCode);
    EXPECT_EQ(a.returnCode, static_cast<std::uint32_t>(fwsim::model::kReturnOk)) << profile;
    ASSERT_EQ(a.data.size(), 4u) << profile;
    EXPECT_EQ(WordOf(a.data), expected) << profile;
    seen.push_back(WordOf(a.data));
  }
  EXPECT_NE(seen[0], seen[3]);
  EXPECT_TRUE(seen[0] & word::kHasWlan);
  EXPECT_FALSE(seen[3] & (word::kHasWlan | word::kHasBluetooth));
}

TEST_F(FirmwareWmi, ASwitchRequestChangesTheWord) {
  ToolWord("profile both");
  const BiosAnswer before = ReadWord();
  ASSERT_EQ(before.hr, S_OK);
  ASSERT_TRUE(WordOf(before.data) & word::kWlanOn);

  const BiosAnswer off = Switch(0x00, fwsim::model::kSwitchAll);
  ASSERT_EQ(off.hr, S_OK) << off.failedStep;
  EXPECT_EQ(off.returnCode, static_cast<std::uint32_t>(fwsim::model::kReturnOk));
  EXPECT_FALSE(off.hasData);
  const BiosAnswer after = ReadWord();
  ASSERT_EQ(after.hr, S_OK);
  EXPECT_FALSE(WordOf(after.data) & word::kWlanOn);
  EXPECT_FALSE(WordOf(after.data) & word::kBluetoothOn);
  // Another process sees the same machine.
  EXPECT_EQ(ToolCallWord(), WordOf(after.data));

  ASSERT_EQ(Switch(fwsim::model::kSwitchAll, fwsim::model::kSwitchAll).hr, S_OK);
  EXPECT_TRUE(WordOf(ReadWord().data) & word::kWlanOn);
}

TEST_F(FirmwareWmi, AMethodWithoutObjectPathRunsOnTheInstance) {
  BiosCall call;
  call.command = fwsim::model::kCommandRead;
  call.commandType = fwsim::model::kTypeWireless;
  call.sizeOut = 4;
  const BiosAnswer a = CallBios(services_.get(), call);
  ASSERT_EQ(a.hr, S_OK) << a.failedStep;
  EXPECT_EQ(WordOf(a.data), ToolCallWord());
}

TEST_F(FirmwareWmi, EventsRaisedByTheToolReachASubscribedSinkUntilCancelled) {
  // An event from before the subscription is not delivered.
  ASSERT_EQ(rmtest::Fwsim("event 4 1"), 0);
  rm::ComPtr<RecordingSink> sink = RecordingSink::Create();
  rm::ComPtr<RecordingSink> witness = RecordingSink::Create();
  ASSERT_EQ(Subscribe(L"SELECT * FROM vtqBEvnt", sink.get()), WBEM_S_NO_ERROR);
  ASSERT_EQ(Subscribe(L"  select   *\tfrom VTQBEVNT ", witness.get()), WBEM_S_NO_ERROR);
  EXPECT_GT(sink->RefCount(), 1);  // held while subscribed

  ASSERT_EQ(rmtest::Fwsim("event 5 0x1234"), 0);
  auto got = [](std::int32_t id, std::int32_t data) {
    return [=](const std::vector<RecordingSink::Event>& events) {
      for (const auto& e : events)
        if (e.eventId == id && e.eventData == data) return true;
      return false;
    };
  };
  ASSERT_TRUE(sink->WaitFor(got(5, 0x1234), 10s));
  const auto events = sink->Events();
  EXPECT_FALSE(got(4, 1)(events));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().className, "vtqBEvnt");
  EXPECT_EQ(events.back().idType, VT_I4);

  ASSERT_EQ(services_->CancelAsyncCall(sink.get()), WBEM_S_NO_ERROR);
  const auto statuses = sink->Statuses();
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_EQ(statuses[0].first, WBEM_STATUS_COMPLETE);
  EXPECT_EQ(statuses[0].second, WBEM_E_CALL_CANCELLED);
  EXPECT_EQ(sink->RefCount(), 1);  // released
  EXPECT_EQ(services_->CancelAsyncCall(sink.get()), WBEM_E_NOT_FOUND);

  // After the cancel only the witness hears the next event.
  const std::size_t before = sink->Events().size();
  ASSERT_EQ(rmtest::Fwsim("event 5 0x4321"), 0);
  ASSERT_TRUE(witness->WaitFor(got(5, 0x4321), 10s));
  EXPECT_EQ(sink->Events().size(), before);
  EXPECT_EQ(services_->CancelAsyncCall(witness.get()), WBEM_S_NO_ERROR);
}

TEST_F(FirmwareWmi, ASinkMayCancelItselfFromIndicate) {
  rm::ComPtr<RecordingSink> sink = RecordingSink::Create();
  IWbemServices* services = services_.get();
  IWbemObjectSink* self = sink.get();
  std::atomic<HRESULT> cancelled{E_PENDING};
  sink->OnIndicate([&] {
    if (cancelled == E_PENDING) cancelled = services->CancelAsyncCall(self);
  });
  ASSERT_EQ(Subscribe(L"SELECT * FROM vtqBEvnt", sink.get()), WBEM_S_NO_ERROR);
  ASSERT_EQ(rmtest::Fwsim("event 5 1"), 0);
  ASSERT_TRUE(sink->WaitFor([](const auto& events) { return !events.empty(); }, 10s));
  EXPECT_TRUE(sink->WaitForRefCount(1, 10s));
  EXPECT_EQ(cancelled.load(), WBEM_S_NO_ERROR);
  ASSERT_EQ(sink->Statuses().size(), 1u);
  EXPECT_EQ(sink->Statuses()[0].second, WBEM_E_CALL_CANCELLED);
  EXPECT_EQ(services_->CancelAsyncCall(sink.get()), WBEM_E_NOT_FOUND);
}

TEST_F(FirmwareWmi, ReleasingTheConnectionEndsItsSubscriptions) {
  rm::ComPtr<RecordingSink> sink = RecordingSink::Create();
  {
    rm::ComPtr<IWbemServices> other;
    ASSERT_EQ(ConnectFirmware(other), WBEM_S_NO_ERROR);
    rm::UniqueBstr lang(Bstr(L"WQL")), q(Bstr(L"SELECT * FROM vtqDockEvent"));
    ASSERT_EQ(other->ExecNotificationQueryAsync(lang.get(), q.get(), 0, nullptr, sink.get()), WBEM_S_NO_ERROR);
    EXPECT_GT(sink->RefCount(), 1);
  }
  EXPECT_EQ(sink->RefCount(), 1);
}

TEST_F(FirmwareWmi, CallsFromSeveralThreadsShareOneConnection) {
  const std::uint32_t expected = ToolCallWord();
  const std::wstring path = FirstBiosInstancePath(services_.get()).path;
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      ComApartment com;
      for (int i = 0; i < 15; ++i) {
        BiosCall call;
        call.command = fwsim::model::kCommandRead;
        call.commandType = fwsim::model::kTypeWireless;
        call.sizeOut = 4;
        call.path = path;
        const BiosAnswer a = CallBios(services_.get(), call);
        if (a.hr == S_OK && a.data.size() == 4 && WordOf(a.data) == expected) ++good;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(good.load(), 60);
}

TEST_F(FirmwareWmi, DockEventsReachBothEventClasses) {
  rm::ComPtr<RecordingSink> bios = RecordingSink::Create();
  rm::ComPtr<RecordingSink> dock = RecordingSink::Create();
  ASSERT_EQ(Subscribe(L"SELECT * FROM vtqBEvnt", bios.get()), WBEM_S_NO_ERROR);
  ASSERT_EQ(Subscribe(L"SELECT * FROM vtqDockEvent", dock.get()), WBEM_S_NO_ERROR);
  ASSERT_EQ(rmtest::Fwsim("dock-event 3"), 0);
  auto any = [](const char* cls, std::int32_t id) {
    return [=](const std::vector<RecordingSink::Event>& events) {
      for (const auto& e : events)
        if (e.className == cls && (id < 0 || e.eventId == id)) return true;
      return false;
    };
  };
  EXPECT_TRUE(dock->WaitFor(any("vtqDockEvent", -1), 10s));
  EXPECT_TRUE(bios->WaitFor(any("vtqBEvnt", static_cast<std::int32_t>(fwsim::model::kEventDock)), 10s));
  EXPECT_FALSE(any("vtqBEvnt", -1)(dock->Events()));
  services_->CancelAsyncCall(bios.get());
  services_->CancelAsyncCall(dock.get());
}

TEST_F(FirmwareWmi, SmbiosTablesAreTheMachinesTable) {
  rm::ComPtr<IEnumWbemClassObject> e;
  rm::UniqueBstr cls(Bstr(L"MSSmBios_RawSMBiosTables"));
  ASSERT_EQ(services_->CreateInstanceEnum(cls.get(), WBEM_FLAG_SHALLOW, nullptr, e.put()), WBEM_S_NO_ERROR);
  rm::ComPtr<IWbemClassObject> table;
  ULONG n = 0;
  ASSERT_EQ(e->Next(WBEM_INFINITE, 1, table.put(), &n), WBEM_S_NO_ERROR);
  ASSERT_EQ(n, 1u);
  rm::Variant size, data;
  ASSERT_EQ(table->Get(L"Size", 0, size.get(), nullptr, nullptr), WBEM_S_NO_ERROR);
  ASSERT_EQ(table->Get(L"SMBiosData", 0, data.get(), nullptr, nullptr), WBEM_S_NO_ERROR);
  ASSERT_EQ(size.type(), VT_I4);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(BytesOf(*data.get(), bytes));
  EXPECT_EQ(static_cast<std::size_t>(V_I4(size.get())), bytes.size());

  // The same bytes as the tool saves.
  char dir[MAX_PATH] = {}, file[MAX_PATH] = {};
  ASSERT_NE(::GetTempPathA(MAX_PATH, dir), 0u);
  ASSERT_NE(::GetTempFileNameA(dir, "smb", 0, file), 0u);
  ASSERT_EQ(rmtest::Fwsim(std::string("smbios save \"") + file + "\""), 0);
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  ::DeleteFileA(file);
  EXPECT_EQ(bytes, saved);
  ULONG more = 7;
  rm::ComPtr<IWbemClassObject> extra;
  EXPECT_EQ(e->Next(WBEM_INFINITE, 1, extra.put(), &more), WBEM_S_FALSE);
  EXPECT_EQ(more, 0u);
}

// Walks a data-block class as the bridge does: enumerate, Put ulState,
// PutInstance.
void WriteAllStates(IWbemServices* services, const wchar_t* className, std::int32_t state) {
  rm::ComPtr<IEnumWbemClassObject> e;
  rm::UniqueBstr cls(Bstr(className));
  ASSERT_EQ(services->CreateInstanceEnum(cls.get(), WBEM_FLAG_SHALLOW, nullptr, e.put()), WBEM_S_NO_ERROR);
  for (;;) {
    rm::ComPtr<IWbemClassObject> o;
    ULONG n = 0;
    if (e->Next(WBEM_INFINITE, 1, o.put(), &n) != WBEM_S_NO_ERROR || n != 1) break;
    ASSERT_EQ(PutI4(o.get(), L"ulState", state), WBEM_S_NO_ERROR);
    ASSERT_EQ(services->PutInstance(o.get(), 0, nullptr, nullptr), WBEM_S_NO_ERROR);
  }
}

std::vector<std::int32_t> ReadAllStates(IWbemServices* services, const wchar_t* className) {
  std::vector<std::int32_t> states;
  rm::ComPtr<IEnumWbemClassObject> e;
  rm::UniqueBstr cls(Bstr(className));
  if (FAILED(services->CreateInstanceEnum(cls.get(), WBEM_FLAG_SHALLOW, nullptr, e.put()))) return states;
  for (;;) {
    rm::ComPtr<IWbemClassObject> o;
    ULONG n = 0;
    if (e->Next(WBEM_INFINITE, 1, o.put(), &n) != WBEM_S_NO_ERROR || n != 1) break;
    rm::Variant v;
    o->Get(L"ulState", 0, v.get(), nullptr, nullptr);
    states.push_back(v.type() == VT_I4 ? V_I4(v.get()) : -1);
  }
  return states;
}

TEST_F(FirmwareWmi, DataBlockStatesArePersistedByPutInstance) {
  ASSERT_EQ(rmtest::Fwsim("display count 2"), 0);
  ASSERT_EQ(rmtest::Fwsim("dock count 2"), 0);
  for (const wchar_t* cls : {L"vtqGAED", L"vtqDockQuery"}) {
    WriteAllStates(services_.get(), cls, 2);
    EXPECT_EQ(ReadAllStates(services_.get(), cls), (std::vector<std::int32_t>{2, 2})) << Narrow(cls);
    WriteAllStates(services_.get(), cls, 5);
    EXPECT_EQ(ReadAllStates(services_.get(), cls), (std::vector<std::int32_t>{5, 5})) << Narrow(cls);
  }
  // The second dock instance by its name, as the data-block interface finds it.
  rm::ComPtr<IWbemClassObject> dock;
  rm::UniqueBstr path(Bstr(L"vtqDockQuery.InstanceName=\"ACPI\\\\PNP0C14\\\\0_1\""));
  ASSERT_EQ(services_->GetObject(path.get(), 0, nullptr, dock.put(), nullptr), WBEM_S_NO_ERROR);
  ASSERT_EQ(PutI4(dock.get(), L"ulState", 0), WBEM_S_NO_ERROR);
  ASSERT_EQ(services_->PutInstance(dock.get(), 0, nullptr, nullptr), WBEM_S_NO_ERROR);
  EXPECT_EQ(ReadAllStates(services_.get(), L"vtqDockQuery"), (std::vector<std::int32_t>{5, 0}));
  // A method-class instance cannot be written.
  rm::ComPtr<IWbemClassObject> bios;
  rm::UniqueBstr biosPath(Bstr(FirstBiosInstancePath(services_.get()).path.c_str()));
  ASSERT_EQ(services_->GetObject(biosPath.get(), 0, nullptr, bios.put(), nullptr), WBEM_S_NO_ERROR);
  EXPECT_EQ(services_->PutInstance(bios.get(), 0, nullptr, nullptr), WBEM_E_NOT_SUPPORTED);
}

TEST_F(FirmwareWmi, EnumerationTimeoutsCountDownPerEnumeration) {
  ASSERT_EQ(rmtest::Fwsim("fault enum-timeouts 3"), 0);
  InstancePathResult r = FirstBiosInstancePath(services_.get());
  EXPECT_EQ(r.hr, WBEM_S_NO_ERROR);
  EXPECT_EQ(r.requests, 4);
  EXPECT_FALSE(r.path.empty());
  // A fresh enumeration times out again.
  r = FirstBiosInstancePath(services_.get(), 2);
  EXPECT_EQ(r.hr, WBEM_S_TIMEDOUT);
  EXPECT_EQ(r.requests, 2);
  EXPECT_TRUE(r.path.empty());

  // A caller that waits without a time-out gets the instance.
  rm::ComPtr<IEnumWbemClassObject> e;
  rm::UniqueBstr cls(Bstr(L"vtqBIntM"));
  ASSERT_EQ(services_->CreateInstanceEnum(cls.get(), 0x30, nullptr, e.put()), WBEM_S_NO_ERROR);
  rm::ComPtr<IWbemClassObject> o;
  ULONG n = 0;
  EXPECT_EQ(e->Next(WBEM_INFINITE, 1, o.put(), &n), WBEM_S_NO_ERROR);
  EXPECT_EQ(n, 1u);

  ASSERT_EQ(rmtest::Fwsim("fault enum-timeouts 10"), 0);
  r = FirstBiosInstancePath(services_.get());
  EXPECT_EQ(r.hr, WBEM_S_TIMEDOUT);
  EXPECT_EQ(r.requests, 10);
  EXPECT_TRUE(r.path.empty());
}

TEST_F(FirmwareWmi, MethodFaultsShowWhereTheClientsLookForThem) {
  ASSERT_EQ(rmtest::Fwsim("fault data-length 3"), 0);
  BiosAnswer a = ReadWord();
  ASSERT_EQ(a.hr, S_OK) << a.failedStep;
  EXPECT_EQ(a.data.size(), 3u);
  ASSERT_EQ(rmtest::Fwsim("fault data-length 5"), 0);
  a = ReadWord();
  ASSERT_EQ(a.hr, S_OK) << a.failedStep;
  EXPECT_EQ(a.data.size(), 5u);
  ASSERT_EQ(rmtest::Fwsim("fault data-length off"), 0);
  a = ReadWord();
  EXPECT_EQ(a.data.size(), 4u);

  ASSERT_EQ(rmtest::Fwsim("fault getmethod on"), 0);
  a = ReadWord();
  EXPECT_TRUE(FAILED(a.hr));
  EXPECT_STREQ(a.failedStep, "GetMethod");
  ASSERT_EQ(rmtest::Fwsim("fault getmethod off"), 0);

  ASSERT_EQ(rmtest::Fwsim("fault outdata-missing on"), 0);
  a = ReadWord();
  EXPECT_EQ(a.hr, WBEM_E_NOT_FOUND);
  EXPECT_STREQ(a.failedStep, "Get OutData");
  ASSERT_EQ(rmtest::Fwsim("fault outdata-missing off"), 0);

  ASSERT_EQ(rmtest::Fwsim("fault returncode-missing on"), 0);
  a = ReadWord();
  EXPECT_EQ(a.hr, WBEM_E_NOT_FOUND);
  EXPECT_STREQ(a.failedStep, "Get rwReturnCode");
  ASSERT_EQ(rmtest::Fwsim("fault returncode-missing off"), 0);

  EXPECT_EQ(ReadWord().hr, S_OK);
}

TEST_F(FirmwareWmi, MissingEventClassesRefuseSubscriptions) {
  ASSERT_EQ(rmtest::Fwsim("fault event-classes-missing on"), 0);
  rm::ComPtr<RecordingSink> sink = RecordingSink::Create();
  EXPECT_EQ(Subscribe(L"SELECT * FROM vtqBEvnt", sink.get()), WBEM_E_INVALID_CLASS);
  EXPECT_EQ(Subscribe(L"SELECT * FROM vtqDockEvent", sink.get()), WBEM_E_INVALID_CLASS);
  rm::ComPtr<IWbemClassObject> cls;
  EXPECT_EQ(GetClass(services_.get(), L"vtqBEvnt", cls), WBEM_E_NOT_FOUND);
  EXPECT_EQ(sink->RefCount(), 1);
  // The method class is still there.
  EXPECT_EQ(ReadWord().hr, S_OK);
}

TEST_F(FirmwareWmi, TheDelayFaultDelaysEachCall) {
  ASSERT_EQ(rmtest::Fwsim("fault delay 300"), 0);
  rm::ComPtr<IWbemClassObject> cls;
  const DWORD start = ::GetTickCount();
  ASSERT_EQ(GetClass(services_.get(), L"vtqBIntM", cls), WBEM_S_NO_ERROR);
  EXPECT_GE(::GetTickCount() - start, 290u);
}

TEST_F(FirmwareWmi, AMachineWithoutTheFirmwareClassesStillHasSmbios) {
  ASSERT_EQ(rmtest::Fwsim("profile unsupported"), 0);
  rm::ComPtr<IWbemClassObject> cls;
  EXPECT_EQ(GetClass(services_.get(), L"vtqBIntM", cls), WBEM_E_NOT_FOUND);
  rm::ComPtr<IEnumWbemClassObject> e;
  rm::UniqueBstr bios(Bstr(L"vtqBIntM")), smbios(Bstr(L"MSSmBios_RawSMBiosTables"));
  EXPECT_EQ(services_->CreateInstanceEnum(bios.get(), 0x30, nullptr, e.put()), WBEM_E_INVALID_CLASS);
  EXPECT_EQ(services_->CreateInstanceEnum(smbios.get(), WBEM_FLAG_SHALLOW, nullptr, e.put()), WBEM_S_NO_ERROR);
  rm::ComPtr<RecordingSink> sink = RecordingSink::Create();
  EXPECT_EQ(Subscribe(L"SELECT * FROM vtqBEvnt", sink.get()), WBEM_E_INVALID_CLASS);
  BiosCall call;
  call.command = 1;
  call.commandType = 5;
  call.sizeOut = 4;
  EXPECT_TRUE(FAILED(CallBios(services_.get(), call).hr));
}

TEST_F(FirmwareWmi, BadRequestsGetWmiErrors) {
  BiosCall call;
  call.command = fwsim::model::kCommandRead;
  call.commandType = fwsim::model::kTypeWireless;
  call.sizeOut = 4;
  call.sign = {'S', 'E', 'C', 'X'};
  BiosAnswer a = CallBios(services_.get(), call);
  ASSERT_EQ(a.hr, S_OK);
  EXPECT_EQ(a.returnCode, fwsim::wmi::kReturnSignRejected);
  call.sign = {'S', 'E', 'C'};
  EXPECT_EQ(CallBios(services_.get(), call).returnCode, fwsim::wmi::kReturnSignRejected);

  rm::ComPtr<IWbemClassObject> cls, in, out;
  ASSERT_EQ(GetClass(services_.get(), L"vtqBIntM", cls), WBEM_S_NO_ERROR);
  EXPECT_EQ(cls->GetMethod(L"vtqBIOSIntX", 0, in.put(), out.put()), WBEM_E_NOT_FOUND);
  rm::UniqueBstr bad(Bstr(L"vtqBIOSInt99999")), good(Bstr(L"vtqBIOSInt4"));
  rm::ComPtr<IWbemClassObject> outParams;
  EXPECT_EQ(services_->ExecMethod(nullptr, bad.get(), 0, nullptr, nullptr, outParams.put(), nullptr),
            WBEM_E_INVALID_METHOD);
  // No in-parameters, or in-parameters without InData.
  EXPECT_EQ(services_->ExecMethod(nullptr, good.get(), 0, nullptr, nullptr, outParams.put(), nullptr),
            WBEM_E_INVALID_METHOD_PARAMETERS);
  ASSERT_EQ(cls->GetMethod(L"vtqBIOSInt4", 0, in.put(), nullptr), WBEM_S_NO_ERROR);
  rm::ComPtr<IWbemClassObject> params;
  ASSERT_EQ(in->SpawnInstance(0, params.put()), WBEM_S_NO_ERROR);
  EXPECT_EQ(services_->ExecMethod(nullptr, good.get(), 0, nullptr, params.get(), outParams.put(), nullptr),
            WBEM_E_INVALID_METHOD_PARAMETERS);
  EXPECT_FALSE(outParams);
  // A path that is not one.
  rm::UniqueBstr junk(Bstr(L"vtqBIntM.InstanceName=\"unterminated"));
  EXPECT_EQ(services_->ExecMethod(junk.get(), good.get(), 0, nullptr, params.get(), outParams.put(), nullptr),
            WBEM_E_INVALID_OBJECT_PATH);
  EXPECT_EQ(services_->GetObject(junk.get(), 0, nullptr, out.put(), nullptr), WBEM_E_INVALID_OBJECT_PATH);

  // Null pointers.
  EXPECT_EQ(services_->GetObject(good.get(), 0, nullptr, nullptr, nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(services_->CreateInstanceEnum(nullptr, 0, nullptr, nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(services_->ExecMethod(nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(services_->PutInstance(nullptr, 0, nullptr, nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(services_->CancelAsyncCall(nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(services_->ExecNotificationQueryAsync(nullptr, nullptr, 0, nullptr, nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(cls->Get(nullptr, 0, nullptr, nullptr, nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(cls->Put(nullptr, 0, nullptr, 0), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(cls->SpawnInstance(0, nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(cls->Clone(nullptr), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(cls->GetNames(nullptr, 0, nullptr, nullptr), WBEM_E_INVALID_PARAMETER);
  rm::ComPtr<IWbemLocator> locator;
  ASSERT_EQ(CreateLocator(locator), S_OK);
  rm::ComPtr<IWbemServices> s;
  EXPECT_EQ(locator->ConnectServer(nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, s.put()),
            WBEM_E_INVALID_PARAMETER);
  rm::UniqueBstr ns(Bstr(L"root\\wmi"));
  EXPECT_EQ(locator->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr),
            WBEM_E_INVALID_PARAMETER);
  rm::ComPtr<IEnumWbemClassObject> e;
  rm::UniqueBstr biosClass(Bstr(L"vtqBIntM"));
  ASSERT_EQ(services_->CreateInstanceEnum(biosClass.get(), 0x30, nullptr, e.put()), WBEM_S_NO_ERROR);
  ULONG n = 0;
  EXPECT_EQ(e->Next(0, 1, nullptr, &n), WBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(e->Reset(), WBEM_E_INVALID_OPERATION);  // forward-only

  // Queries.
  rm::ComPtr<RecordingSink> sink = RecordingSink::Create();
  rm::UniqueBstr wql(Bstr(L"WQL")), sql(Bstr(L"SQL")), q(Bstr(L"SELECT * FROM vtqBEvnt")),
      garbage(Bstr(L"SELECT FROM")), notEvent(Bstr(L"SELECT * FROM vtqGAED")),
      unknown(Bstr(L"SELECT * FROM vtqNothing"));
  EXPECT_EQ(services_->ExecNotificationQueryAsync(sql.get(), q.get(), WBEM_FLAG_SEND_STATUS, nullptr, sink.get()),
            WBEM_E_INVALID_QUERY_TYPE);
  EXPECT_EQ(services_->ExecNotificationQueryAsync(wql.get(), garbage.get(), 0, nullptr, sink.get()),
            WBEM_E_INVALID_QUERY);
  EXPECT_EQ(services_->ExecNotificationQueryAsync(wql.get(), notEvent.get(), 0, nullptr, sink.get()),
            WBEM_E_NOT_EVENT_CLASS);
  EXPECT_EQ(services_->ExecNotificationQueryAsync(wql.get(), unknown.get(), 0, nullptr, sink.get()),
            WBEM_E_INVALID_CLASS);
  EXPECT_EQ(sink->RefCount(), 1);
}

TEST_F(FirmwareWmi, PutChecksTypesAsWmiDoes) {
  rm::ComPtr<IWbemClassObject> cls, in;
  ASSERT_EQ(GetClass(services_.get(), L"vtqBDataIn", cls), WBEM_S_NO_ERROR);
  ASSERT_EQ(cls->SpawnInstance(0, in.put()), WBEM_S_NO_ERROR);
  rm::Variant text;
  V_VT(text.get()) = VT_BSTR;
  V_BSTR(text.get()) = Bstr(L"5");
  EXPECT_EQ(in->Put(L"Command", 0, text.get(), 0), WBEM_E_TYPE_MISMATCH);
  EXPECT_EQ(in->Put(L"Sign", 0, text.get(), 0), WBEM_E_TYPE_MISMATCH);
  EXPECT_EQ(PutI4(in.get(), L"Sign", 1), WBEM_E_TYPE_MISMATCH);
  EXPECT_EQ(PutI4(in.get(), L"NoSuchProperty", 1), WBEM_E_NOT_FOUND);
  EXPECT_EQ(PutI4(in.get(), L"__CLASS", 1), WBEM_E_READ_ONLY);
  EXPECT_EQ(PutI4(in.get(), L"command", -1), WBEM_S_NO_ERROR);  // names in any case
  rm::Variant v;
  CIMTYPE type = 0;
  ASSERT_EQ(in->Get(L"Command", 0, v.get(), &type, nullptr), WBEM_S_NO_ERROR);
  EXPECT_EQ(v.type(), VT_I4);
  EXPECT_EQ(V_I4(v.get()), -1);
  EXPECT_EQ(type, CIM_SINT32);
  // VT_NULL clears; an object goes only where an object belongs.
  VARIANT null;
  ::VariantInit(&null);
  V_VT(&null) = VT_NULL;
  EXPECT_EQ(in->Put(L"Command", 0, &null, 0), WBEM_S_NO_ERROR);
  ASSERT_EQ(in->Get(L"Command", 0, v.put(), nullptr, nullptr), WBEM_S_NO_ERROR);
  EXPECT_EQ(v.type(), VT_NULL);
  VARIANT obj;
  ::VariantInit(&obj);
  V_VT(&obj) = VT_UNKNOWN;
  V_UNKNOWN(&obj) = cls.get();
  EXPECT_EQ(in->Put(L"Size", 0, &obj, 0), WBEM_E_TYPE_MISMATCH);

  // InData takes a vtqBDataIn, and a copy of it: later changes do not show.
  rm::ComPtr<IWbemClassObject> biosClass, sig, params;
  ASSERT_EQ(GetClass(services_.get(), L"vtqBIntM", biosClass), WBEM_S_NO_ERROR);
  ASSERT_EQ(biosClass->GetMethod(L"vtqBIOSInt4", 0, sig.put(), nullptr), WBEM_S_NO_ERROR);
  ASSERT_EQ(sig->SpawnInstance(0, params.put()), WBEM_S_NO_ERROR);
  ASSERT_EQ(PutI4(in.get(), L"Size", 7), WBEM_S_NO_ERROR);
  V_UNKNOWN(&obj) = in.get();
  ASSERT_EQ(params->Put(L"InData", 0, &obj, 0), WBEM_S_NO_ERROR);
  ASSERT_EQ(PutI4(in.get(), L"Size", 8), WBEM_S_NO_ERROR);
  rm::Variant stored;
  ASSERT_EQ(params->Get(L"InData", 0, stored.get(), nullptr, nullptr), WBEM_S_NO_ERROR);
  ASSERT_EQ(stored.type(), VT_UNKNOWN);
  rm::ComPtr<IWbemClassObject> inner;
  ASSERT_EQ(V_UNKNOWN(stored.get())->QueryInterface(IID_IWbemClassObject, inner.put_void()), S_OK);
  ASSERT_EQ(inner->Get(L"Size", 0, v.put(), nullptr, nullptr), WBEM_S_NO_ERROR);
  EXPECT_EQ(V_I4(v.get()), 7);
  V_UNKNOWN(&obj) = biosClass.get();
  EXPECT_EQ(params->Put(L"InData", 0, &obj, 0), WBEM_E_TYPE_MISMATCH);
  // An object into its own property is refused, not a hang.
  V_UNKNOWN(&obj) = params.get();
  EXPECT_EQ(params->Put(L"InData", 0, &obj, 0), WBEM_E_TYPE_MISMATCH);
}

TEST_F(FirmwareWmi, ObjectsListTheirPropertiesAndCloneIndependently) {
  rm::ComPtr<IWbemClassObject> cls;
  ASSERT_EQ(GetClass(services_.get(), L"vtqBEvnt", cls), WBEM_S_NO_ERROR);
  SAFEARRAY* raw = nullptr;
  ASSERT_EQ(cls->GetNames(nullptr, WBEM_FLAG_NONSYSTEM_ONLY, nullptr, &raw), WBEM_S_NO_ERROR);
  rm::UniqueSafeArray names(raw);
  std::vector<std::string> list;
  LONG lo = 0, hi = -1;
  SafeArrayGetLBound(names.get(), 1, &lo);
  SafeArrayGetUBound(names.get(), 1, &hi);
  for (LONG i = lo; i <= hi; ++i) {
    BSTR b = nullptr;
    ASSERT_EQ(SafeArrayGetElement(names.get(), &i, &b), S_OK);
    list.push_back(Narrow(b));
    SysFreeString(b);
  }
  EXPECT_NE(std::find(list.begin(), list.end(), "EventID"), list.end());
  EXPECT_NE(std::find(list.begin(), list.end(), "EventData"), list.end());
  EXPECT_EQ(std::find(list.begin(), list.end(), "__CLASS"), list.end());

  std::size_t seen = 0;
  ASSERT_EQ(cls->BeginEnumeration(0), WBEM_S_NO_ERROR);
  BSTR name = nullptr;
  while (cls->Next(0, &name, nullptr, nullptr, nullptr) == WBEM_S_NO_ERROR) {
    ++seen;
    SysFreeString(name);
  }
  EXPECT_EQ(cls->Next(0, nullptr, nullptr, nullptr, nullptr), WBEM_S_NO_MORE_DATA);
  EXPECT_EQ(cls->EndEnumeration(), WBEM_S_NO_ERROR);
  EXPECT_GT(seen, list.size());  // the system properties too

  rm::ComPtr<IWbemClassObject> a, b;
  ASSERT_EQ(cls->SpawnInstance(0, a.put()), WBEM_S_NO_ERROR);
  ASSERT_EQ(PutI4(a.get(), L"EventID", 5), WBEM_S_NO_ERROR);
  ASSERT_EQ(a->Clone(b.put()), WBEM_S_NO_ERROR);
  ASSERT_EQ(PutI4(b.get(), L"EventID", 4), WBEM_S_NO_ERROR);
  rm::Variant v;
  ASSERT_EQ(a->Get(L"EventID", 0, v.get(), nullptr, nullptr), WBEM_S_NO_ERROR);
  EXPECT_EQ(V_I4(v.get()), 5);
  rm::ComPtr<IWbemClassObject> c;
  EXPECT_TRUE(FAILED(a->SpawnInstance(0, c.put())));
  BSTR text = nullptr;
  ASSERT_EQ(a->GetObjectText(0, &text), WBEM_S_NO_ERROR);
  rm::UniqueBstr owned(text);
  EXPECT_NE(std::wstring(text).find(L"instance of vtqBEvnt"), std::wstring::npos);
  EXPECT_NE(std::wstring(text).find(L"EventID = 5;"), std::wstring::npos);
}

}  // namespace
