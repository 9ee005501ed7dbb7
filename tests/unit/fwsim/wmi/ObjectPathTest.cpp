#include "fwsim/wmi/ObjectPath.h"

#include <gtest/gtest.h>

namespace {

using fwsim::wmi::FormatFullPath;
using fwsim::wmi::FormatRelPath;
using fwsim::wmi::IsFirmwareNamespace;
using fwsim::wmi::ParseObjectPath;

TEST(ObjectPath, AFormattedInstancePathReadsBack) {
  const std::string rel = FormatRelPath("vtqBIntM", "InstanceName", "ACPI\\PNP0C14\\0_0");
  EXPECT_EQ(rel, "vtqBIntM.InstanceName=\"ACPI\\\\PNP0C14\\\\0_0\"");
  const std::string full = FormatFullPath("HOST", "ROOT\\wmi", rel);
  EXPECT_EQ(full, "\\\\HOST\\ROOT\\wmi:" + rel);
  for (const std::string& text : {rel, full}) {
    const auto p = ParseObjectPath(text);
    ASSERT_TRUE(p) << text;
    EXPECT_EQ(p->className, "vtqBIntM");
    ASSERT_EQ(p->keys.size(), 1u);
    EXPECT_EQ(p->keys[0].name, "InstanceName");
    EXPECT_EQ(p->keys[0].value, "ACPI\\PNP0C14\\0_0");
    EXPECT_FALSE(p->IsClass());
  }
  const auto p = ParseObjectPath(full);
  EXPECT_EQ(p->server, "HOST");
  EXPECT_EQ(p->nameSpace, "ROOT\\wmi");
}

TEST(ObjectPath, QuotesAndColonsInsideValuesStayValues) {
  const std::string rel = FormatRelPath("C", "K", "a\"b:c\\");
  const auto p = ParseObjectPath(rel);
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->server.empty());
  EXPECT_EQ(p->keys[0].value, "a\"b:c\\");
}

TEST(ObjectPath, ReadsClassesSingletonsAndOtherKeyForms) {
  auto p = ParseObjectPath("vtqBIntM");
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->IsClass());
  p = ParseObjectPath("//./root/wmi:vtqGAED");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->server, ".");
  EXPECT_EQ(p->nameSpace, "root\\wmi");
  EXPECT_TRUE(p->IsClass());
  p = ParseObjectPath("root\\wmi:vtqGAED");
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->server.empty());
  EXPECT_EQ(p->nameSpace, "root\\wmi");
  p = ParseObjectPath("Cls=@");
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->singleton);
  p = ParseObjectPath("Cls=\"x\"");
  ASSERT_TRUE(p);
  ASSERT_EQ(p->keys.size(), 1u);
  EXPECT_TRUE(p->keys[0].name.empty());
  p = ParseObjectPath("Cls.A=1,B=\"two\",C=TRUE");
  ASSERT_TRUE(p);
  ASSERT_EQ(p->keys.size(), 3u);
  EXPECT_EQ(p->keys[0].value, "1");
  EXPECT_FALSE(p->keys[0].quoted);
  EXPECT_EQ(p->keys[1].value, "two");
  EXPECT_TRUE(p->keys[1].quoted);
}

TEST(ObjectPath, RefusesMalformedPaths) {
  for (const char* text : {"", ".", "9Cls", "Cls.", "Cls.K", "Cls.K=", "Cls.K=\"open", "Cls.K=\"bad\\escape\"",
                           "Cls.K=\"v\"junk", "Cls.K=\"v\",", "Cls=@x", "Cls=", "\\\\server", "\\\\:Cls", ":Cls",
                           "root\\:Cls", "Cls K", "Cls.K=a b", "\\\\s\\root\\wmi"}) {
    EXPECT_FALSE(ParseObjectPath(text)) << text;
  }
}

TEST(FirmwareNamespace, AcceptsTheLocalNamesOfRootWmiOnly) {
  for (const char* ns : {"root\\wmi", "ROOT\\WMI", "\\\\.\\root\\wmi", "//./root/wmi", "\\\\localhost\\root\\wmi",
                         "\\\\MYBOX\\root\\wmi", "\\\\mybox/root\\wmi"}) {
    EXPECT_TRUE(IsFirmwareNamespace(ns, "MyBox")) << ns;
  }
  for (const char* ns : {"", "root", "root\\cimv2", "\\\\.\\root\\cimv2", "\\\\other\\root\\wmi", "root\\wmi\\x",
                         "\\\\.root\\wmi", "\\\\", "root\\wmi "}) {
    EXPECT_FALSE(IsFirmwareNamespace(ns, "MyBox")) << ns;
  }
  EXPECT_FALSE(IsFirmwareNamespace("\\\\\\root\\wmi", ""));
}

}  // namespace
