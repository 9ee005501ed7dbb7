#include "bridge/host/RegistrationTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace vtq {
namespace {

TEST(RegistrationTable, NeverDeletesTheSharedRootKeys) {
  std::vector<std::string> deletes = AppIdKeysToDelete();
  for (const ClassRegistration& c : ServedClasses()) {
    const auto more = ClassKeysToDelete(c);
    deletes.insert(deletes.end(), more.begin(), more.end());
  }
  for (const std::string& key : deletes) {
    EXPECT_NE(key, "CLSID");
    EXPECT_NE(key, "AppID");
    EXPECT_NE(key.find('\\') == std::string::npos ? key : key.substr(key.find('\\') + 1), "");
  }
}

TEST(RegistrationTable, EveryWrittenKeyLiesUnderADeletedKey) {
  // Delete-then-write leaves nothing of an earlier registration behind, and
  // unregistration removes everything registration wrote.
  for (const ClassRegistration& c : ServedClasses()) {
    const auto deletes = ClassKeysToDelete(c);
    for (const RegistryEntry& e : ClassEntries(c, "C:\\x\\vtqwmi.exe")) {
      bool covered = false;
      for (const std::string& d : deletes)
        covered = covered || e.key == d || e.key.rfind(d + "\\", 0) == 0;
      EXPECT_TRUE(covered) << e.key;
    }
  }
}

TEST(RegistrationTable, LocalServerPathIsQuoted) {
  const auto entries = ClassEntries(ServedClasses()[0], "C:\\Program Files\\VTQ\\vtqwmi.exe");
  int found = 0;
  for (const RegistryEntry& e : entries) {
    if (e.key.size() >= 14 && e.key.compare(e.key.size() - 14, 14, "\\LocalServer32") == 0) {
      EXPECT_EQ(e.text, "\"C:\\Program Files\\VTQ\\vtqwmi.exe\"");
      ++found;
    }
  }
  EXPECT_EQ(found, 1);
}

TEST(RegistrationTable, RegistrationReplacesOnlyLocalServiceOfTheAppIdKey) {
  // A registration without the service after one with it drops LocalService
  // and keeps ServiceParameters; unregistration removes both keys whole.
  const std::vector<std::string> replaced = AppIdKeysToReplace();
  EXPECT_EQ(replaced, std::vector<std::string>{"AppID\\vtqwmi.EXE"});
  EXPECT_EQ(AppIdValuesToDelete(), std::vector<std::string>{"LocalService"});
  const std::vector<std::string> deleted = AppIdKeysToDelete();
  const std::set<std::string> removed(deleted.begin(), deleted.end());
  EXPECT_EQ(removed, (std::set<std::string>{"AppID\\{851CCB28-8554-4D67-9F9C-00198C4FA2C4}",
                                            "AppID\\vtqwmi.EXE"}));
  // Every AppID entry is written under a key that registration replaces or
  // that unregistration removes.
  for (const RegistryEntry& e : AppIdEntries()) EXPECT_EQ(removed.count(e.key), 1u) << e.key;
}

TEST(RegistrationTable, TheServiceSwitchResetsBothParametersAndInstallsThreeRelayNames) {
  const RegistrationTable t = BridgeRegistrationTable("vtqwmi");
  ASSERT_EQ(t.parameterDefaults.size(), 2u);
  EXPECT_STREQ(t.parameterDefaults[0].name, "MaxAllowed");
  EXPECT_EQ(t.parameterDefaults[0].value, 0u);
  EXPECT_STREQ(t.parameterDefaults[1].name, "Settings");
  EXPECT_EQ(t.parameterDefaults[1].value, 0u);
  std::set<std::pair<std::uint32_t, std::string>> relay;
  for (const RelayEventName& r : t.relayNames) relay.insert({r.id, r.name});
  EXPECT_EQ(relay, (std::set<std::pair<std::uint32_t, std::string>>{
                       {1, "VtqWmiBiosDockEvent"}, {4, "VtqWmiBiosALSEvent"}, {5, "VtqWmiBiosWirelessEvent"}}));
  ASSERT_FALSE(t.serviceValues.empty());
  EXPECT_EQ(t.serviceValues[0].name, "LocalService");
  EXPECT_EQ(t.serviceValues[0].text, "vtqwmi");
}

}  // namespace
}  // namespace vtq
