// vtqwmi.exe's switches: the keys and values they leave, and the plain
// local server that registration without the service leaves behind.
#include <gtest/gtest.h>

#include "tests/system/bridge/BridgeHarness.h"

#include <sddl.h>

#include "tests/support/WmiClient.h"

namespace bridgetest {
namespace {

const std::string kAppIdKey = "AppID\\{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";
const std::string kAppId = "{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";
const std::string kRelayKey = "Software\\VTQ\\{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";

struct ClassKeys {
  std::string clsid, description, progId, viProgId;
};
const ClassKeys kClasses[] = {
    {"{7DC5B2D7-CACC-47F2-836E-4DF85F026072}", "vtqCallBiosEx Class", "Vtqwmi.vtqCallBiosEx.1",
     "Vtqwmi.vtqCallBiosEx"},
    {"{3F69327D-4A1C-4092-A219-910FAA92975C}", "WmiKestrel Class", "vtqwmi.WmiKestrel.1",
     "vtqwmi.WmiKestrel"},
};

std::string Text(const std::string& key, const char* name = nullptr) {
  const RegValue v = ReadValue(HKEY_CLASSES_ROOT, key, name);
  return v.exists ? v.text : "<missing>";
}

// The AppID's LaunchPermission or AccessPermission read back as SDDL.
std::string Permission(const char* name) {
  const RegValue v = ReadValue(HKEY_CLASSES_ROOT, kAppIdKey, name);
  if (!v.exists) return "<missing>";
  std::vector<BYTE> data = v.data;
  if (v.type != REG_BINARY || data.empty() || !::IsValidSecurityDescriptor(data.data()))
    return "<no binary descriptor>";
  char* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
          data.data(), SDDL_REVISION_1,
          OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr))
    return "<undecodable>";
  const std::string sddl = text;
  ::LocalFree(text);
  return sddl;
}

// Every local account may launch and call; network and anonymous callers
// may not, and no one remotely.
constexpr char kLocalCallersOnly[] = "O:BAG:BAD:(D;;CCDCLCSWRP;;;NU)(D;;CCDCLCSWRP;;;AN)(A;;CCDCSW;;;WD)";

class Registration : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(com_.init())); }
  void TearDown() override {
    StopBridgeService();
    Bridge("/UnregServer");
  }

  void ExpectClassesRegistered() {
    const std::string exe = "\"" + BridgeExe() + "\"";
    for (const ClassKeys& c : kClasses) {
      const std::string key = "CLSID\\" + c.clsid;
      EXPECT_EQ(Text(c.progId), c.description);
      EXPECT_EQ(Text(c.progId + "\\CLSID"), c.clsid);
      EXPECT_EQ(Text(c.viProgId), c.description);
      EXPECT_EQ(Text(c.viProgId + "\\CLSID"), c.clsid);
      EXPECT_EQ(Text(c.viProgId + "\\CurVer"), c.progId);
      EXPECT_EQ(Text(key), c.description);
      EXPECT_EQ(Text(key, "AppID"), kAppId);
      EXPECT_EQ(Text(key + "\\ProgID"), c.progId);
      EXPECT_EQ(Text(key + "\\VersionIndependentProgID"), c.viProgId);
      EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key + "\\Programmable"));
      EXPECT_EQ(Text(key + "\\LocalServer32"), exe);
      EXPECT_EQ(Text(key + "\\TypeLib"), "{E42CC8E5-C25D-4864-B25C-84332DC9BF2B}");
    }
    EXPECT_EQ(Text(kAppIdKey), "vtqwmi");
    EXPECT_EQ(Text("AppID\\vtqwmi.EXE", "AppID"), kAppId);
    // The type library is registered, and with it the interfaces go through
    // the system's type-library marshaller.
    ITypeLib* lib = nullptr;
    EXPECT_EQ(::LoadRegTypeLib(LIBID_VTQWMILib, 1, 0, 0x409, &lib), S_OK);
    if (lib) lib->Release();
    for (const char* iid : {"{BA6664ED-79A1-4866-A165-7BD2DBEF8E53}",
                            "{89BA73D8-263F-448D-B519-20BE1B1CBCAE}"})
      EXPECT_EQ(Text(std::string("Interface\\") + iid + "\\ProxyStubClsid32"),
                "{00020424-0000-0000-C000-000000000046}");
  }

  fwsimtest::ComApartment com_;
};

TEST_F(Registration, ServiceSwitchRegistersInstallsAndResetsParameters) {
  ASSERT_TRUE(SetParameter("MaxAllowed", 9));
  ASSERT_TRUE(SetParameter("Settings", 7));
  ASSERT_EQ(Bridge("-Service"), 0);
  ExpectClassesRegistered();
  EXPECT_EQ(Text(kAppIdKey, "LocalService"), "vtqwmi");
  EXPECT_EQ(Text(kAppIdKey, "ServiceParameters"), "-Service");
  EXPECT_EQ(Text(kAppIdKey, "ServiceParams"), "-Service");
  EXPECT_EQ(Permission("LaunchPermission"), kLocalCallersOnly);
  EXPECT_EQ(Permission("AccessPermission"), kLocalCallersOnly);
  const ServiceState s = QueryBridgeService();
  EXPECT_TRUE(s.exists);
  EXPECT_EQ(s.state, static_cast<DWORD>(SERVICE_STOPPED));
  const RegValue image =
      ReadValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\vtqwmi", "ImagePath");
  EXPECT_EQ(image.text, BridgeExe());
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\vtqwmi", "Start").number, 3u);
  const RegValue max = ReadValue(HKEY_LOCAL_MACHINE, kParametersKey, "MaxAllowed");
  const RegValue settings = ReadValue(HKEY_LOCAL_MACHINE, kParametersKey, "Settings");
  EXPECT_TRUE(max.exists && max.type == REG_DWORD && max.number == 0);
  EXPECT_TRUE(settings.exists && settings.type == REG_DWORD && settings.number == 0);
  const std::pair<const char*, DWORD> relay[] = {
      {"VtqWmiBiosDockEvent", 1}, {"VtqWmiBiosALSEvent", 4}, {"VtqWmiBiosWirelessEvent", 5}};
  for (const auto& [name, id] : relay) {
    const RegValue v = ReadValue(HKEY_LOCAL_MACHINE, kRelayKey + "\\" + name, "vtqBEvntID");
    EXPECT_TRUE(v.exists && v.type == REG_DWORD && v.number == id) << name;
  }
}

TEST_F(Registration, RegServerRemovesTheServiceAndLeavesARefusingLocalServer) {
  ASSERT_EQ(Bridge("/Service"), 0);
  ASSERT_TRUE(QueryBridgeService().exists);
  ASSERT_EQ(Bridge("/regserver"), 0);
  ExpectClassesRegistered();
  EXPECT_FALSE(ReadValue(HKEY_CLASSES_ROOT, kAppIdKey, "LocalService").exists);
  // Only LocalService goes: the service's arguments stay.
  EXPECT_EQ(Text(kAppIdKey, "ServiceParameters"), "-Service");
  EXPECT_EQ(Text(kAppIdKey, "ServiceParams"), "-Service");
  EXPECT_EQ(Permission("LaunchPermission"), kLocalCallersOnly);
  EXPECT_EQ(Permission("AccessPermission"), kLocalCallersOnly);
  EXPECT_FALSE(QueryBridgeService().exists);

  rm::ComPtr<IvtqCallBiosEx> bridge;
  ASSERT_EQ(CreateBridge(bridge), S_OK);
  ULONG size = 388, device = 0x42, ret = 0x99;
  rm::Variant info = ByteArray(388), in = ByteArray(0), out = ByteArray(4, 0xEE);
  EXPECT_EQ(bridge->vtqGetMachineInfoEx(&size, info.get()), static_cast<HRESULT>(0x8001010A));
  EXPECT_EQ(bridge->vtqExecMethodEx(1, 5, 0, 4, &ret, in.get(), out.get()),
            static_cast<HRESULT>(0x8001010A));
  EXPECT_EQ(bridge->vtqSetupWmiEvents(1), static_cast<HRESULT>(0x8001010A));
  EXPECT_EQ(bridge->vtqTurnOnExternalDisplays(2), static_cast<HRESULT>(0x8001010A));
  EXPECT_EQ(bridge->vtqGetAttachedExternalDisplays(&device), static_cast<HRESULT>(0x8001010A));
  EXPECT_EQ(size, 388u);
  EXPECT_EQ(device, 0x42u);
  EXPECT_EQ(BytesOf(out.get()), std::vector<BYTE>(4, 0xEE));

  rm::ComPtr<IvtqCallKestrelBios> kestrel;
  ASSERT_EQ(::CoCreateInstance(CLSID_WmiKestrel, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IvtqCallKestrelBios, kestrel.put_void()),
            S_OK);
  ULONG state = 0;
  EXPECT_EQ(kestrel->vtqExecDataBlock(1, 0, &state), static_cast<HRESULT>(0x8001010A));
  EXPECT_EQ(kestrel->vtqSetupEvent(0), static_cast<HRESULT>(0x8001010A));
}

// A plain local server started as COM starts one (-Embedding) that no
// client ever uses ends by itself after about five seconds, whether or not
// the service is registered; the next activation then reaches the service.
TEST_F(Registration, ALocalServerThatNoClientUsesEndsByItself) {
  for (const char* registration : {"/RegServer", "/Service"}) {
    SCOPED_TRACE(registration);
    ASSERT_EQ(Bridge(registration), 0);
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(RunProgram(BridgeExe(), "-Embedding", std::chrono::seconds(20)), 0);
    EXPECT_GE(::GetTickCount64() - start, 4000u);
  }
  rm::ComPtr<IvtqCallBiosEx> bridge;
  ASSERT_EQ(CreateBridge(bridge), S_OK);
  EXPECT_EQ(QueryBridgeService().state, static_cast<DWORD>(SERVICE_RUNNING));
  ULONG device = 0x42;
  EXPECT_EQ(bridge->vtqGetAttachedExternalDisplays(&device), S_OK);
}

TEST_F(Registration, UnregServerRemovesEverythingRegistrationWrote) {
  ASSERT_EQ(Bridge("/Service"), 0);
  ASSERT_EQ(Permission("AccessPermission"), kLocalCallersOnly);
  ASSERT_EQ(Bridge("-UNREGSERVER"), 0);
  EXPECT_EQ(Permission("LaunchPermission"), "<missing>");
  EXPECT_EQ(Permission("AccessPermission"), "<missing>");
  for (const ClassKeys& c : kClasses) {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.progId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.viProgId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + c.clsid));
  }
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "AppID\\vtqwmi.EXE"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "AppID"));
  EXPECT_FALSE(QueryBridgeService().exists);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRelayKey));
  ITypeLib* lib = nullptr;
  EXPECT_NE(::LoadRegTypeLib(LIBID_VTQWMILib, 1, 0, 0x409, &lib), S_OK);
  if (lib) lib->Release();
  // Unregistering again finds nothing and still succeeds.
  EXPECT_EQ(Bridge("/UnregServer"), 0);
}

TEST_F(Registration, SwitchCountsOnlyAsTheLastItemInAnyCase) {
  ASSERT_EQ(Bridge("/UnregServer"), 0);
  // Text after the switch: no switch, a normal start, which ends at once
  // with the registry's error because the AppID is not registered.
  EXPECT_EQ(Bridge("/Service now"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Bridge("-RegServer -x"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
  EXPECT_FALSE(QueryBridgeService().exists);
  EXPECT_EQ(Bridge("-x /sErViCe"), 0);
  EXPECT_TRUE(QueryBridgeService().exists);
  EXPECT_EQ(Text(kAppIdKey, "LocalService"), "vtqwmi");
}

}  // namespace
}  // namespace bridgetest
