#include "bridge/host/RegistrationTable.h"

#include <gtest/gtest.h>

#include <set>

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

}  // namespace
}  // namespace vtq
