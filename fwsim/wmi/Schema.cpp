#include "fwsim/wmi/Schema.h"

#include "fwsim/wmi/PropertyTypes.h"
#include "fwsim/wmi/WqlQuery.h"

namespace fwsim::wmi {
namespace {

constexpr std::uint32_t kBytes = cim::kUint8 | cim::kFlagArray;

ClassPtr Make(ClassDef def) { return std::make_shared<const ClassDef>(std::move(def)); }

std::vector<PropertyDef> WmiAcpiBase() {
  return {{"InstanceName", cim::kString, {}}, {"Active", cim::kBoolean, {}}};
}

ClassDef WithBase(std::string name, std::string superclass, ClassKind kind, std::vector<PropertyDef> own,
                  bool enumerable) {
  ClassDef d;
  d.name = std::move(name);
  d.superclass = std::move(superclass);
  d.kind = kind;
  d.properties = WmiAcpiBase();
  d.properties.insert(d.properties.end(), own.begin(), own.end());
  d.key = "InstanceName";
  d.enumerable = enumerable;
  return d;
}

std::vector<ClassPtr> BuildClasses() {
  std::vector<ClassPtr> all;
  {
    ClassDef d = WithBase("vtqBIntM", "", ClassKind::Firmware, {}, true);
    d.biosMethods = true;
    all.push_back(Make(d));
  }
  {
    ClassDef d;
    d.name = "vtqBDataIn";
    d.properties = {{"Sign", kBytes, {}},
                    {"Command", cim::kSint32, {}},
                    {"CommandType", cim::kSint32, {}},
                    {"Size", cim::kSint32, {}},
                    {"vtqBData", kBytes, {}}};
    all.push_back(Make(d));
  }
  all.push_back(BiosDataOutClass(true));
  all.push_back(Make(WithBase("vtqBEvnt", "WMIEvent", ClassKind::Event,
                              {{"EventID", cim::kUint32, {}}, {"EventData", cim::kUint32, {}}}, false)));
  all.push_back(Make(WithBase("vtqDockEvent", "WMIEvent", ClassKind::Event,
                              {{"EventID", cim::kUint32, {}}, {"EventData", cim::kUint32, {}}}, false)));
  all.push_back(Make(WithBase("vtqGAED", "", ClassKind::Firmware, {{"ulState", cim::kUint32, {}}}, true)));
  all.push_back(Make(WithBase("vtqDockQuery", "", ClassKind::Firmware, {{"ulState", cim::kUint32, {}}}, true)));
  all.push_back(Make(WithBase("MSSmBios_RawSMBiosTables", "", ClassKind::System,
                              {{"Used20CallingMethod", cim::kBoolean, {}},
                               {"SmbiosMajorVersion", cim::kUint8, {}},
                               {"SmbiosMinorVersion", cim::kUint8, {}},
                               {"DmiRevision", cim::kUint8, {}},
                               {"Size", cim::kUint32, {}},
                               {"SMBiosData", kBytes, {}}},
                              true)));
  return all;
}

}  // namespace

const PropertyDef* ClassDef::Find(const std::string& property) const {
  const std::size_t i = IndexOf(property);
  return i == std::string::npos ? nullptr : &properties[i];
}

std::size_t ClassDef::IndexOf(const std::string& property) const {
  for (std::size_t i = 0; i < properties.size(); ++i)
    if (EqualsNoCase(properties[i].name, property)) return i;
  return std::string::npos;
}

const std::vector<ClassPtr>& AllClasses() {
  static const std::vector<ClassPtr> all = BuildClasses();
  return all;
}

ClassPtr FindClass(const std::string& name) {
  for (const ClassPtr& c : AllClasses())
    if (EqualsNoCase(c->name, name)) return c;
  return nullptr;
}

ClassPtr InSignatureClass() {
  static const ClassPtr in = [] {
    ClassDef d;
    d.name = "__PARAMETERS";
    d.kind = ClassKind::Parameters;
    d.properties = {{"InData", cim::kObject, "vtqBDataIn"}};
    return Make(d);
  }();
  return in;
}

ClassPtr OutSignatureClass(bool withOutData) {
  static const ClassPtr full = [] {
    ClassDef d;
    d.name = "__PARAMETERS";
    d.kind = ClassKind::Parameters;
    d.properties = {{"OutData", cim::kObject, "vtqBDataOut"}};
    return Make(d);
  }();
  static const ClassPtr empty = [] {
    ClassDef d;
    d.name = "__PARAMETERS";
    d.kind = ClassKind::Parameters;
    return Make(d);
  }();
  return withOutData ? full : empty;
}

ClassPtr BiosDataOutClass(bool withReturnCode) {
  static const ClassPtr full = [] {
    ClassDef d;
    d.name = "vtqBDataOut";
    d.properties = {{"rwReturnCode", cim::kUint32, {}}, {"Data", kBytes, {}}};
    return Make(d);
  }();
  static const ClassPtr noCode = [] {
    ClassDef d;
    d.name = "vtqBDataOut";
    d.properties = {{"Data", kBytes, {}}};
    return Make(d);
  }();
  return withReturnCode ? full : noCode;
}

}  // namespace fwsim::wmi
