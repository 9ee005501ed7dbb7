#include "fwsim/wmi/PropertyTypes.h"
#include "fwsim/wmi/Schema.h"

#include <gtest/gtest.h>

namespace {

using namespace fwsim::wmi;
constexpr std::uint32_t kBytes = cim::kUint8 | cim::kFlagArray;

TEST(PutRules, IntegersOfAnyWidthGoIntoIntegerProperties) {
  for (std::uint16_t v : {vt::kI1, vt::kUi1, vt::kI2, vt::kUi2, vt::kI4, vt::kUi4, vt::kInt, vt::kUint}) {
    EXPECT_EQ(DecidePut(cim::kUint32, v), PutAction::ConvertInteger) << v;
    EXPECT_EQ(DecidePut(cim::kSint32, v), PutAction::ConvertInteger) << v;
    EXPECT_EQ(DecidePut(cim::kUint8, v), PutAction::ConvertInteger) << v;
  }
  for (std::uint16_t v : {vt::kBstr, vt::kBool, vt::kUnknown, vt::kDispatch,
                          static_cast<std::uint16_t>(vt::kArray | vt::kUi1),
                          static_cast<std::uint16_t>(vt::kI4 | vt::kByRef)}) {
    EXPECT_EQ(DecidePut(cim::kSint32, v), PutAction::Mismatch) << v;
  }
}

TEST(PutRules, ByteArraysTakeOnlyByteArrays) {
  EXPECT_EQ(DecidePut(kBytes, vt::kArray | vt::kUi1), PutAction::Store);
  EXPECT_EQ(DecidePut(kBytes, vt::kArray | vt::kI4), PutAction::Mismatch);
  EXPECT_EQ(DecidePut(kBytes, vt::kArray | vt::kI1), PutAction::Mismatch);
  EXPECT_EQ(DecidePut(kBytes, vt::kUi1), PutAction::Mismatch);
  EXPECT_EQ(DecidePut(kBytes, vt::kArray | vt::kUi1 | vt::kByRef), PutAction::Mismatch);
  EXPECT_EQ(DecidePut(cim::kUint32, vt::kArray | vt::kI4), PutAction::Mismatch);
}

TEST(PutRules, NullClearsAnyPropertyAndObjectsGoOnlyIntoObjects) {
  for (std::uint32_t c : {cim::kUint32, cim::kString, cim::kObject, kBytes, cim::kBoolean}) {
    EXPECT_EQ(DecidePut(c, vt::kNull), PutAction::SetNull) << c;
    EXPECT_EQ(DecidePut(c, vt::kEmpty), PutAction::SetNull) << c;
  }
  EXPECT_EQ(DecidePut(cim::kObject, vt::kUnknown), PutAction::StoreObject);
  EXPECT_EQ(DecidePut(cim::kObject, vt::kDispatch), PutAction::StoreObject);
  EXPECT_EQ(DecidePut(cim::kObject, vt::kI4), PutAction::Mismatch);
  EXPECT_EQ(DecidePut(cim::kString, vt::kBstr), PutAction::Store);
  EXPECT_EQ(DecidePut(cim::kString, vt::kI4), PutAction::Mismatch);
  EXPECT_EQ(DecidePut(cim::kBoolean, vt::kBool), PutAction::Store);
  EXPECT_EQ(DecidePut(cim::kBoolean, vt::kI4), PutAction::Mismatch);
}

TEST(PutRules, IntegerRangesFollowTheCimType) {
  EXPECT_TRUE(IntegerFits(cim::kUint32, -1));  // VT_I4 -1 is 0xFFFFFFFF
  EXPECT_TRUE(IntegerFits(cim::kUint32, 0xFFFFFFFFLL));
  EXPECT_TRUE(IntegerFits(cim::kSint32, 0xFFFFFFFFLL));
  EXPECT_FALSE(IntegerFits(cim::kSint32, 0x100000000LL));
  EXPECT_FALSE(IntegerFits(cim::kSint32, -2147483649LL));
  EXPECT_TRUE(IntegerFits(cim::kUint8, 255));
  EXPECT_FALSE(IntegerFits(cim::kUint8, 256));
  EXPECT_FALSE(IntegerFits(cim::kUint8, -1));
  EXPECT_FALSE(IntegerFits(cim::kString, 0));
}

TEST(Schema, EveryPropertyHasAVariantTypeAndEveryKeyExists) {
  for (const ClassPtr& c : AllClasses()) {
    for (const PropertyDef& p : c->properties)
      EXPECT_NE(CanonicalVarType(p.cimType), vt::kEmpty) << c->name << "." << p.name;
    if (!c->key.empty()) {
      EXPECT_TRUE(c->Find(c->key)) << c->name;
    }
    EXPECT_EQ(FindClass(c->name), c);
  }
  for (const ClassPtr& c : {InSignatureClass(), OutSignatureClass(true), BiosDataOutClass(true)}) {
    for (const PropertyDef& p : c->properties) {
      EXPECT_NE(CanonicalVarType(p.cimType), vt::kEmpty) << p.name;
      if (p.cimType == cim::kObject) {
        EXPECT_TRUE(FindClass(p.objectClass)) << p.objectClass;
      }
    }
  }
  EXPECT_TRUE(FindClass("VTQBINTM"));
  EXPECT_FALSE(FindClass("__PARAMETERS"));
  EXPECT_FALSE(OutSignatureClass(false)->Find("OutData"));
  EXPECT_FALSE(BiosDataOutClass(false)->Find("rwReturnCode"));
}

}  // namespace
