// The bridge as a COM client in another process sees it under Wine: started
// by activation as a service, its calls, their checks, the log, the
// instance limit, stop and restart, the firmware stand-in behind it.
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

#include "tests/system/bridge/BridgeServiceSuite.h"
#include "tests/support/WmiClient.h"

namespace bridgetest {
namespace {

constexpr HRESULT kRetryLater = static_cast<HRESULT>(0x8001010A);
constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x80041005);
constexpr HRESULT kWrongSize = static_cast<HRESULT>(0x80041006);
constexpr HRESULT kInvalidParameter = static_cast<HRESULT>(0x80041008);

class BridgeService : public BridgeServiceSuite {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.init()));
    ASSERT_TRUE(StopBridgeService());
    ASSERT_TRUE(SetParameter("MaxAllowed", 0));
    ASSERT_TRUE(SetParameter("Settings", 3));
    ::DeleteFileA(LogFile().c_str());
  }
  void TearDown() override {
    bridge_.reset();
    StopBridgeService();
    if (StandInBuilt()) rmtest::Fwsim("reset");
  }

  // Activates the class; the service starts on demand.
  void Activate() {
    ASSERT_EQ(CreateBridge(bridge_), S_OK);
    ASSERT_TRUE(bridge_);
  }

  struct Exec {
    HRESULT hr = E_FAIL;
    ULONG retCode = 0x12345678;
    rm::Variant out;
  };
  Exec Call(ULONG cmd, ULONG type, const std::vector<BYTE>& in, ULONG sizeOut,
            rm::Variant out) {
    Exec e;
    rm::Variant input = ByteArray(static_cast<ULONG>(in.size()));
    if (!in.empty()) {
      rm::SafeArrayData data(V_ARRAY(input.get()));
      memcpy(data.data(), in.data(), in.size());
    }
    e.out = std::move(out);
    e.hr = bridge_->vtqExecMethodEx(cmd, type, static_cast<ULONG>(in.size()), sizeOut, &e.retCode,
                                    input.get(), e.out.get());
    return e;
  }
  Exec Call(ULONG cmd, ULONG type, const std::vector<BYTE>& in, ULONG sizeOut) {
    return Call(cmd, type, in, sizeOut, ByteArray(sizeOut));
  }

  fwsimtest::ComApartment com_;
  rm::ComPtr<IvtqCallBiosEx> bridge_;
};

#define REQUIRE_STAND_IN() \
  if (!StandInBuilt()) GTEST_SKIP() << "firmware stand-in not built"

TEST_F(BridgeService, ActivationStartsTheServiceInItsOwnProcess) {
  ASSERT_EQ(QueryBridgeService().state, static_cast<DWORD>(SERVICE_STOPPED));
  Activate();
  // A plain local server refuses every call; S_OK means the serving process
  // runs as the service.
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  const ServiceState s = QueryBridgeService();
  EXPECT_EQ(s.state, static_cast<DWORD>(SERVICE_RUNNING));
  ASSERT_NE(s.pid, 0u);
  EXPECT_NE(s.pid, ::GetCurrentProcessId());
  EXPECT_TRUE(ProcessAlive(s.pid));
}

TEST_F(BridgeService, StopControlEndsTheProcessAndTheNextActivationStartsAFreshOne) {
  Activate();
  ASSERT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  const DWORD first = QueryBridgeService().pid;
  ASSERT_TRUE(StopBridgeService());
  EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(first); }, std::chrono::seconds(20)));
  EXPECT_NE(bridge_->vtqSetupWmiEvents(0), S_OK);  // the old proxy's server is gone
  bridge_.reset();

  Activate();
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  const ServiceState again = QueryBridgeService();
  EXPECT_EQ(again.state, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_NE(again.pid, first);
  // The start and stop lines of both runs.
  int started = 0, stopped = 0;
  for (const std::string& line : LogLines()) {
    started += line.find("  VTQWMI Service Started") != std::string::npos;
    stopped += line.find("  VTQWMI Service Stopped") != std::string::npos;
  }
  EXPECT_EQ(started, 2);
  EXPECT_EQ(stopped, 1);
}

TEST_F(BridgeService, ExecMethodExOutputChecksAndTheirCodes) {
  Activate();
  {  // another type than a byte array
    rm::Variant v;
    V_VT(v.get()) = VT_I4;
    V_I4(v.get()) = 7;
    Exec e = Call(1, 5, {}, 4, std::move(v));
    EXPECT_EQ(e.hr, kTypeMismatch);
    EXPECT_EQ(e.out.type(), VT_I4);
  }
  {  // a reference to a byte array is not a byte array
    rm::Variant inner = ByteArray(4);
    SAFEARRAY* array = V_ARRAY(inner.get());
    rm::Variant v;
    V_VT(v.get()) = VT_BYREF | VT_ARRAY | VT_UI1;
    V_ARRAYREF(v.get()) = &array;
    Exec e;
    rm::Variant input = ByteArray(0);
    e.hr = bridge_->vtqExecMethodEx(1, 5, 0, 4, &e.retCode, input.get(), v.get());
    EXPECT_EQ(e.hr, kTypeMismatch);
    v.release();
  }
  {  // 8 elements for 4 expected
    Exec e = Call(1, 5, {}, 4, ByteArray(8));
    EXPECT_EQ(e.hr, kWrongSize);
    EXPECT_EQ(BytesOf(e.out.get()).size(), 8u);
  }
  {  // an empty array, and no array at all
    EXPECT_EQ(Call(1, 5, {}, 4, ByteArray(0)).hr, kWrongSize);
    rm::Variant none;
    V_VT(none.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(none.get()) = nullptr;
    EXPECT_EQ(Call(1, 5, {}, 4, std::move(none)).hr, kWrongSize);
  }
  {  // two dimensions of 2 x 2
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    rm::Variant v;
    V_VT(v.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(v.get()) = ::SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ(Call(1, 5, {}, 4, std::move(v)).hr, kWrongSize);
  }
  {  // a large array and a large size
    EXPECT_EQ(Call(1, 5, {}, 0x7FFFFFFF, ByteArray(16)).hr, kWrongSize);
  }
  {  // dwSizeOut 0: any output variant, left as it was
    rm::Variant v;
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = ::SysAllocString(L"untouched");
    Exec e = Call(1, 5, {}, 0, std::move(v));
    EXPECT_NE(e.hr, kTypeMismatch);
    EXPECT_NE(e.hr, kWrongSize);
    ASSERT_EQ(e.out.type(), VT_BSTR);
    EXPECT_STREQ(V_BSTR(e.out.get()), L"untouched");
    Exec empty = Call(1, 5, {}, 0, rm::Variant());
    EXPECT_NE(empty.hr, kTypeMismatch);
    EXPECT_EQ(empty.out.type(), VT_EMPTY);
  }
  // The service is still there after all of it.
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
}

TEST_F(BridgeService, ExecMethodExReadsAndSwitchesTheSimulatedRadios) {
  REQUIRE_STAND_IN();
  Activate();
  auto read = [&] {
    Exec e = Call(1, 5, {}, 4);
    EXPECT_EQ(e.hr, S_OK);
    EXPECT_EQ(e.retCode, 0u);
    return BytesOf(e.out.get());
  };
  auto toolRead = [] {
    std::string out;
    EXPECT_EQ(rmtest::Fwsim("call 1 5 - 4", &out), 0) << out;
    std::string data = out.substr(out.find("Data "));
    return data.substr(0, data.find_first_of("\r\n"));
  };
  auto hex = [](const std::vector<BYTE>& b) {
    std::string s = "Data";
    char x[4];
    for (BYTE v : b) {
      snprintf(x, sizeof(x), " %02X", v);
      s += x;
    }
    return s;
  };
  const std::vector<BYTE> before = read();
  ASSERT_EQ(before.size(), 4u);
  EXPECT_EQ(hex(before), toolRead());

  // Wireless LAN off, then on again: byte 0 the states, byte 1 the mask.
  Exec off = Call(2, 5, {0x00, 0x01, 0x00, 0x00}, 0, rm::Variant());
  EXPECT_EQ(off.hr, S_OK);
  const std::vector<BYTE> afterOff = read();
  EXPECT_NE(afterOff, before);
  EXPECT_EQ(hex(afterOff), toolRead());
  EXPECT_EQ(Call(2, 5, {0x01, 0x01, 0x00, 0x00}, 0, rm::Variant()).hr, S_OK);
  EXPECT_EQ(read(), before);
}

TEST_F(BridgeService, ExecMethodExPassesOtherCommandsThroughUnchanged) {
  REQUIRE_STAND_IN();
  Activate();
  for (auto [cmd, type, size] : {std::tuple<ULONG, ULONG, ULONG>{7, 9, 4}, {1, 5, 8}, {3, 5, 2}}) {
    Exec e = Call(cmd, type, {0xAB, 0xCD}, size);
    std::string out;
    ASSERT_EQ(rmtest::Fwsim(
                  "call " + std::to_string(cmd) + " " + std::to_string(type) + " ABCD " + std::to_string(size), &out),
              0);
    std::uint32_t code = 0;
    ASSERT_TRUE(rmtest::FwsimNumber(out, "rwReturnCode ", code)) << out;
    EXPECT_EQ(e.hr, S_OK) << cmd;
    EXPECT_EQ(e.retCode, code) << cmd;
    // The same Data bytes as the stand-in answers its own tool.
    std::string data = out.substr(out.find("Data"));
    data = data.substr(0, data.find_first_of("\r\n"));
    std::string bytes = "Data";
    for (BYTE b : BytesOf(e.out.get())) {
      char x[4];
      snprintf(x, sizeof(x), " %02X", b);
      bytes += x;
    }
    EXPECT_EQ(bytes, data) << cmd;
  }
}

TEST_F(BridgeService, ThreeByteFirmwareAnswerReachesTheClientAsThreeBytes) {
  REQUIRE_STAND_IN();
  ASSERT_EQ(rmtest::Fwsim("fault data-length 3"), 0);
  Activate();
  Exec e = Call(1, 5, {}, 4);
  EXPECT_EQ(e.hr, S_OK);
  EXPECT_EQ(e.retCode, 0u);
  EXPECT_EQ(BytesOf(e.out.get()).size(), 3u);
}

TEST_F(BridgeService, UnreadableReturnCodeReportsAllOnes) {
  REQUIRE_STAND_IN();
  ASSERT_EQ(rmtest::Fwsim("fault returncode-missing on"), 0);
  Activate();
  Exec e = Call(1, 5, {}, 4, ByteArray(4, 0xEE));
  EXPECT_TRUE(FAILED(e.hr));
  EXPECT_EQ(e.retCode, 0xFFFFFFFFu);
  EXPECT_EQ(BytesOf(e.out.get()), std::vector<BYTE>(4, 0xEE));
}

TEST_F(BridgeService, MachineInfoChecksAndSize) {
  Activate();
  ULONG size = 388;
  {
    rm::Variant v;
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = ::SysAllocString(L"x");
    EXPECT_EQ(bridge_->vtqGetMachineInfoEx(&size, v.get()), kTypeMismatch);
  }
  {
    rm::Variant v = ByteArray(100);
    EXPECT_EQ(bridge_->vtqGetMachineInfoEx(&size, v.get()), kWrongSize);
  }
  {
    rm::Variant v = ByteArray(388);
    size = 100;
    const HRESULT hr = bridge_->vtqGetMachineInfoEx(&size, v.get());
    if (hr != kInvalidParameter) {
      EXPECT_TRUE(FAILED(hr)) << std::hex << hr;  // no connection
    }
    EXPECT_EQ(size, 100u);
  }
  for (ULONG layout : {388u, 308u}) {
    rm::Variant v = ByteArray(layout, 0xEE);
    size = layout;
    const HRESULT hr = bridge_->vtqGetMachineInfoEx(&size, v.get());
    const std::vector<BYTE> record = BytesOf(v.get());
    ASSERT_EQ(record.size(), layout);
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(size, layout);
      EXPECT_EQ(record[0] | record[1] << 8 | record[2] << 16 | record[3] << 24, 388);
    } else {
      EXPECT_EQ(size, 0u) << std::hex << hr;  // a failing fill clears ulSize
    }
  }
}

TEST_F(BridgeService, DisplaysLastInstanceWinsAndASwitchWritesEveryInstance) {
  REQUIRE_STAND_IN();
  ASSERT_EQ(rmtest::Fwsim("display count 2"), 0);
  ASSERT_EQ(rmtest::Fwsim("display 0 1"), 0);
  ASSERT_EQ(rmtest::Fwsim("display 1 3"), 0);
  Activate();
  ULONG device = 0x77;
  EXPECT_EQ(bridge_->vtqGetAttachedExternalDisplays(&device), S_OK);
  EXPECT_EQ(device, 3u);

  EXPECT_EQ(bridge_->vtqTurnOnExternalDisplays(2), S_OK);
  fwsimtest::ComApartment com;
  rm::ComPtr<IWbemServices> services;
  ASSERT_EQ(fwsimtest::ConnectFirmware(services), S_OK);
  rm::ComPtr<IEnumWbemClassObject> instances;
  rm::UniqueBstr cls(::SysAllocString(L"vtqGAED"));
  ASSERT_EQ(services->CreateInstanceEnum(cls.get(), WBEM_FLAG_SHALLOW, nullptr, instances.put()),
            S_OK);
  std::vector<LONG> states;
  for (;;) {
    IWbemClassObject* o = nullptr;
    ULONG n = 0;
    if (instances->Next(WBEM_INFINITE, 1, &o, &n) != S_OK || n != 1) break;
    rm::ComPtr<IWbemClassObject> object = rm::ComPtr<IWbemClassObject>::Attach(o);
    rm::Variant v;
    object->Get(L"ulState", 0, v.get(), nullptr, nullptr);
    states.push_back(v.type() == VT_I4 ? V_I4(v.get()) : -1);
  }
  EXPECT_EQ(states, (std::vector<LONG>{2, 2}));

  // No instance: lpDevice keeps the client's value.
  ASSERT_EQ(rmtest::Fwsim("display count 0"), 0);
  device = 0x55;
  EXPECT_EQ(bridge_->vtqGetAttachedExternalDisplays(&device), S_OK);
  EXPECT_EQ(device, 0x55u);
}

TEST_F(BridgeService, InstanceLimitStopsAfterTheFirstCallThatFollowsTheThirdInstance) {
  ASSERT_TRUE(SetParameter("MaxAllowed", 3));
  Activate();  // instance 1
  rm::ComPtr<IvtqCallBiosEx> second, third;
  ASSERT_EQ(CreateBridge(second), S_OK);
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  EXPECT_EQ(QueryBridgeService().state, static_cast<DWORD>(SERVICE_RUNNING));
  const DWORD pid = QueryBridgeService().pid;

  ASSERT_EQ(CreateBridge(third), S_OK);
  // The call that meets the limit still runs, is logged and answers.
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  EXPECT_TRUE(WaitFor([] { return QueryBridgeService().state == SERVICE_STOPPED; }, std::chrono::seconds(20)));
  EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(pid); }, std::chrono::seconds(20)));
  int ok = 0;
  for (const std::string& line : LogLines())
    ok += line.find("  vtqSetupWmiEvents returns: 0x00000000") != std::string::npos;
  EXPECT_EQ(ok, 2);
}

TEST_F(BridgeService, LogFolderAndEmptyFileAtStartWithBothFlagsOff) {
  ASSERT_TRUE(SetParameter("Settings", 0));
  ::RemoveDirectoryA(LogFolder().c_str());
  Activate();
  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  ULONG device = 0;
  bridge_->vtqGetAttachedExternalDisplays(&device);
  std::string text = "not read";
  ASSERT_TRUE(ReadFileText(LogFile(), text));
  EXPECT_EQ(text, "");
}

TEST_F(BridgeService, EachMethodLogsItsSuccessAndFailureLine) {
  ASSERT_TRUE(SetParameter("Settings", 3));
  Activate();
  const std::string stamp = "\\d\\d:\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d\\d\\d\\d  ";
  std::vector<std::string> expected;

  ULONG size = 388;
  rm::Variant wrong;
  EXPECT_EQ(bridge_->vtqGetMachineInfoEx(&size, wrong.get()), kTypeMismatch);
  expected.push_back("vtqGetMachineInfoEx FAILED: 0x80041005");

  Exec e = Call(0x1a, 0xb, {}, 4, ByteArray(8));
  EXPECT_EQ(e.hr, kWrongSize);
  expected.push_back("vtqExecMethodEx Cmd: 1ah, Type: bh, FAILED: 0x80041006");

  EXPECT_EQ(bridge_->vtqSetupWmiEvents(0), S_OK);
  expected.push_back("vtqSetupWmiEvents returns: 0x00000000");
  const HRESULT subscribe = bridge_->vtqSetupWmiEvents(1);
  char line[128];
  snprintf(line, sizeof(line), "vtqSetupWmiEvents %s: 0x%08lX", SUCCEEDED(subscribe) ? "returns" : "FAILED",
           static_cast<unsigned long>(subscribe));
  expected.push_back(line);

  if (StandInBuilt()) {
    ASSERT_EQ(rmtest::Fwsim("display count 2"), 0);
    ASSERT_EQ(rmtest::Fwsim("display 1 6"), 0);
    Exec ok = Call(1, 5, {}, 4);
    EXPECT_EQ(ok.hr, S_OK);
    expected.push_back("vtqExecMethodEx CallCount: 1, Cmd: 1h, Type: 5h, returns: 0x00000000");
    EXPECT_EQ(bridge_->vtqTurnOnExternalDisplays(6), S_OK);
    expected.push_back("vtqTurnOnExternalDisplays returns: 0x00000000");
    ULONG device = 0;
    EXPECT_EQ(bridge_->vtqGetAttachedExternalDisplays(&device), S_OK);
    expected.push_back("vtqGetAttachedExternalDisplays returns: 0x00000006");
  }
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), expected.size() + 1) << (lines.empty() ? "" : lines.back());
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(stamp + "VTQWMI Service Started"))) << lines[0];
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_TRUE(std::regex_match(lines[i + 1], std::regex(stamp + expected[i]))) << lines[i + 1];
}

TEST_F(BridgeService, LinesOfConcurrentCallsAreWritten) {
  Activate();
  constexpr int kThreads = 4, kCalls = 40;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      fwsimtest::ComApartment com;
      rm::ComPtr<IvtqCallBiosEx> b;
      if (CreateBridge(b) != S_OK) {
        ++failures;
        return;
      }
      for (int i = 0; i < kCalls; ++i)
        if (b->vtqSetupWmiEvents(0) != S_OK) ++failures;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  const std::regex whole("\\d\\d:\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d\\d\\d\\d  (VTQWMI Service Started|vtqSetupWmiEvents returns: 0x00000000)");
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(lines.size(), 1u + kThreads * kCalls);
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, whole)) << line;
}

TEST_F(BridgeService, LateBoundScriptCreatesByProgIdAndCallsThroughIDispatch) {
  const std::string script =
      WinPath(std::string(RM_SOURCE_DIR) + "/tests/system/bridge/LateBound.vbs");
  char system[MAX_PATH] = "";
  ::GetSystemDirectoryA(system, sizeof(system));
  const long rc = RunProgram(std::string(system) + "\\cscript.exe", "//nologo \"" + script + "\"");
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(QueryBridgeService().state, static_cast<DWORD>(SERVICE_RUNNING));
}

}  // namespace
}  // namespace bridgetest
