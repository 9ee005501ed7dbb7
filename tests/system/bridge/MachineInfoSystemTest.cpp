// vtqGetMachineInfoEx end to end under Wine: the firmware stand-in serves a
// real machine's SMBIOS table (fwsim.exe smbios load), the bridge runs as a
// service started by COM activation, and this process is its COM client.
// The record must equal what the record builder makes of the same table
// (the builder itself is checked against dmidecode by the native tests).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bridge/host/MachineInfoRecord.h"
#include "common/win/OwningWrappers.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/Process.h"
#include "tests/support/Registry.h"
#include "tests/system/bridge/MachineInfoClient.h"

namespace {

using machineinfotest::ArrayBytes;
using machineinfotest::ByteArray;
using machineinfotest::GetMachineInfoEx;

constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x80041005);
constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x80041006);
constexpr HRESULT kInvalidParameter = static_cast<HRESULT>(0x80041008);
constexpr char kServiceName[] = "vtqwmi";
constexpr char kLocatorServerKey[] =
    "Software\\Classes\\CLSID\\{4590F811-1D3A-11D0-891F-00AA004B2E24}\\InprocServer32";

const char* const kTables[] = {
    "asus-ux305la",         "beelink-eq12",         "lenovo-thinkpad-20n2",       "lenovo-thinkpad-t480",
    "lenovo-thinkpad-t61p", "lenovo-thinkpad-w510", "microsoft-surface-laptop-3", "toshiba-satellite-pro-l70a"};

std::string TablePath(const std::string& name) { return rmtest::TestDataWinPath("smbios/" + name + ".table"); }

// Runs a program of the build tree and returns its exit code (-1 when it
// could not be started or did not end within a minute).
long RunProgram(const std::string& program, const std::string& arguments) {
  return rmtest::Run(rmtest::BuildWinPath(program), arguments, {}, std::chrono::seconds(60)).code;
}

DWORD ServiceState() {
  rm::UniqueServiceHandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!scm) return 0;
  rm::UniqueServiceHandle service(::OpenServiceA(scm.get(), kServiceName, SERVICE_QUERY_STATUS));
  SERVICE_STATUS status = {};
  if (!service || !::QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
}

// Starts the bridge service and waits until it runs. A start can be
// refused for a while after the prefix came up (the service database is
// locked while the manager starts its own services), so it is retried.
bool StartBridgeService() {
  for (int attempt = 0; attempt < 60; ++attempt) {
    if (ServiceState() == SERVICE_RUNNING) return true;
    rm::UniqueServiceHandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    rm::UniqueServiceHandle service(
        scm ? ::OpenServiceA(scm.get(), kServiceName, SERVICE_START | SERVICE_QUERY_STATUS) : nullptr);
    if (service) ::StartServiceA(service.get(), 0, nullptr);
    for (int i = 0; i < 10 && ServiceState() == SERVICE_START_PENDING; ++i) ::Sleep(100);
    if (ServiceState() == SERVICE_RUNNING) return true;
    ::Sleep(500);
  }
  return false;
}

// Stops the bridge service, so that the next activation starts a fresh
// process with an empty WMI connection cache.
void StopService() {
  rm::UniqueServiceHandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  ASSERT_TRUE(scm);
  rm::UniqueServiceHandle service(::OpenServiceA(scm.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
  ASSERT_TRUE(service);
  SERVICE_STATUS status = {};
  ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  for (int i = 0; i < 100 && ServiceState() != SERVICE_STOPPED; ++i) ::Sleep(100);
  ASSERT_EQ(ServiceState(), static_cast<DWORD>(SERVICE_STOPPED));
}

// The record the builder makes of a table file, as a client receives it.
std::vector<std::uint8_t> ExpectedRecord(const std::string& name, std::uint32_t layout) {
  std::ifstream in(std::string(RM_TESTDATA_DIR) + "/smbios/" + name + ".table", std::ios::binary);
  const std::vector<std::uint8_t> table((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::uint8_t> record(vtq::kMachineInfoRecordSize, 0);
  vtq::SmbiosTable smbios(table.data(), table.size(), static_cast<std::uint32_t>(table.size()));
  vtq::BuildMachineInfoRecord(smbios, layout, record.data());
  record[0] = 388 & 0xFF;
  record[1] = 388 >> 8;
  record.resize(layout);
  return record;
}

class MachineInfoThroughTheBridge : public testing::Test {
 protected:
  // Set-up failures fail the test (a failing SetUpTestSuite would only
  // mark the tests skipped).
  void SetUp() override {
    // This build's COM classes, type library and service, registered anew.
    if (ServiceState() != 0) StopService();
    ASSERT_EQ(RunProgram("bridge/vtqwmi.exe", "-Service"), 0);
    ASSERT_TRUE(StartBridgeService()) << "the bridge service does not start";
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    comReady_ = true;
    ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE,
                           nullptr, EOAC_NONE, nullptr);
  }
  void TearDown() override {
    RunProgram("fwsim/fwsim.exe", "smbios default");
    if (comReady_) ::CoUninitialize();
  }

  bool comReady_ = false;

  rm::ComPtr<IDispatch> Bridge() {
    rm::ComPtr<IDispatch> bridge;
    EXPECT_EQ(machineinfotest::CreateBridge(bridge), S_OK);
    return bridge;
  }
};

TEST_F(MachineInfoThroughTheBridge, EveryRealTableInBothLayouts) {
  for (const char* name : kTables) {
    SCOPED_TRACE(name);
    ASSERT_EQ(RunProgram("fwsim/fwsim.exe", "smbios load \"" + TablePath(name) + "\""), 0);
    rm::ComPtr<IDispatch> bridge = Bridge();
    ASSERT_TRUE(bridge);
    // The bridge runs as the service, not as a plain local server.
    EXPECT_EQ(ServiceState(), static_cast<DWORD>(SERVICE_RUNNING));
    for (ULONG layout : {388ul, 308ul}) {
      rm::Variant info = ByteArray(layout);
      ULONG size = layout;
      ASSERT_EQ(GetMachineInfoEx(bridge.get(), &size, info.get()), S_OK) << layout;
      EXPECT_EQ(size, layout);
      const std::vector<std::uint8_t> got = ArrayBytes(info);
      EXPECT_EQ(got, ExpectedRecord(name, layout)) << layout;
    }
  }
}

TEST_F(MachineInfoThroughTheBridge, ArgumentErrors) {
  rm::ComPtr<IDispatch> bridge = Bridge();
  ASSERT_TRUE(bridge);

  rm::Variant notArray;
  V_VT(notArray.get()) = VT_I4;
  V_I4(notArray.get()) = 388;
  ULONG size = 388;
  EXPECT_EQ(GetMachineInfoEx(bridge.get(), &size, notArray.get()), kTypeMismatch);
  EXPECT_EQ(size, 388u);

  rm::Variant wrongCount = ByteArray(100);
  EXPECT_EQ(GetMachineInfoEx(bridge.get(), &size, wrongCount.get()), kOutOfMemory);
  EXPECT_EQ(size, 388u);

  rm::Variant info = ByteArray(388);
  size = 100;
  EXPECT_EQ(GetMachineInfoEx(bridge.get(), &size, info.get()), kInvalidParameter);
  EXPECT_EQ(size, 100u);  // left as the client passed it
  EXPECT_EQ(ArrayBytes(info), std::vector<std::uint8_t>(388, 0));
}

TEST_F(MachineInfoThroughTheBridge, ShortArrayWithFullLayoutStillReadsSize388) {
  ASSERT_EQ(RunProgram("fwsim/fwsim.exe", "smbios load \"" + TablePath("lenovo-thinkpad-t61p") + "\""), 0);
  rm::ComPtr<IDispatch> bridge = Bridge();
  ASSERT_TRUE(bridge);
  rm::Variant info = ByteArray(308);
  ULONG size = 388;
  ASSERT_EQ(GetMachineInfoEx(bridge.get(), &size, info.get()), S_OK);
  std::vector<std::uint8_t> expected = ExpectedRecord("lenovo-thinkpad-t61p", 388);
  expected.resize(308);  // the product name at 308 does not fit the array
  EXPECT_EQ(ArrayBytes(info), expected);
}

TEST_F(MachineInfoThroughTheBridge, ThroughTheInterfaceItself) {
  // The same call early-bound through IvtqCallBiosEx (marshalled from the
  // registered type library) instead of IDispatch.
  ASSERT_EQ(RunProgram("fwsim/fwsim.exe", "smbios load \"" + TablePath("lenovo-thinkpad-20n2") + "\""), 0);
  rm::ComPtr<IvtqCallBiosEx> bridge;
  ASSERT_EQ(::CoCreateInstance(CLSID_vtqCallBiosEx, nullptr, CLSCTX_LOCAL_SERVER, IID_IvtqCallBiosEx,
                               bridge.put_void()),
            S_OK);
  for (ULONG layout : {388ul, 308ul}) {
    rm::Variant info = ByteArray(layout);
    ULONG size = layout;
    ASSERT_EQ(bridge->vtqGetMachineInfoEx(&size, info.get()), S_OK) << layout;
    EXPECT_EQ(ArrayBytes(info), ExpectedRecord("lenovo-thinkpad-20n2", layout)) << layout;
  }
  ULONG size = 7;
  rm::Variant info = ByteArray(388);
  EXPECT_EQ(bridge->vtqGetMachineInfoEx(&size, info.get()), kInvalidParameter);
  EXPECT_EQ(size, 7u);
}

// Restores the stand-in as the prefix's WMI locator server, whatever the
// test did meanwhile.
class LocatorServerSwap {
 public:
  LocatorServerSwap() {
    rm::UniqueRegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLocatorServerKey, 0, KEY_READ | KEY_SET_VALUE, key.put()) !=
        ERROR_SUCCESS) {
      return;
    }
    const rmtest::RegValue value = rmtest::ReadValue(key.get(), nullptr);
    if (value.exists) {
      saved_ = value.text;
      key_ = std::move(key);
    }
  }
  ~LocatorServerSwap() {
    if (key_) Set(saved_);
    StopService();
  }
  bool ok() const { return bool(key_); }
  // Wine's own WMI: it knows root\wmi but publishes no SMBIOS table. By
  // its full path, as the system registers it: the bridge loads no
  // library by a bare name from outside the system folder.
  bool UseWinesOwn() {
    char system[MAX_PATH] = "";
    const UINT n = ::GetSystemDirectoryA(system, sizeof(system));
    return n > 0 && n < sizeof(system) && Set(std::string(system) + "\\wbem\\wbemprox.dll");
  }

 private:
  bool Set(const std::string& value) {
    return ::RegSetValueExA(key_.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
  }
  rm::UniqueRegKey key_;
  std::string saved_;
};

TEST_F(MachineInfoThroughTheBridge, FailingFillSetsTheSizeToZero) {
  LocatorServerSwap swap;
  ASSERT_TRUE(swap.ok());
  StopService();  // the next activation connects afresh
  ASSERT_TRUE(swap.UseWinesOwn());
  {
    rm::ComPtr<IDispatch> bridge = Bridge();
    ASSERT_TRUE(bridge);
    rm::Variant info = ByteArray(388);
    ULONG size = 388;
    const HRESULT hr = GetMachineInfoEx(bridge.get(), &size, info.get());
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(ArrayBytes(info), std::vector<std::uint8_t>(388, 0));
  }
}

}  // namespace
