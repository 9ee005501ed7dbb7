// The classes of the stand-in's root\wmi namespace: their properties,
// CIM types and keys. The WMI objects are built from these definitions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fwsim::wmi {

struct PropertyDef {
  std::string name;
  std::uint32_t cimType = 0;
  std::string objectClass;  // for embedded objects: the class the CIMTYPE qualifier names
};

enum class ClassKind {
  Firmware,    // a class of the firmware's provider (absent on a machine without it)
  Event,       // a firmware event class (absent also when the event-classes fault is set)
  System,      // provided by the system (MSSmBios_RawSMBiosTables)
  Parameters,  // a method signature or parameters object (__PARAMETERS)
};

struct ClassDef {
  std::string name;
  std::string superclass;
  ClassKind kind = ClassKind::Firmware;
  std::vector<PropertyDef> properties;
  std::string key;          // the key property, empty for a keyless class
  bool biosMethods = false;  // the vtqBIOSInt<N> methods (vtqBIntM)
  bool enumerable = false;   // has instances that CreateInstanceEnum lists

  const PropertyDef* Find(const std::string& property) const;  // any case
  std::size_t IndexOf(const std::string& property) const;      // npos when absent
};

using ClassPtr = std::shared_ptr<const ClassDef>;

// One of the namespace's classes by name (any case); nullptr when none.
ClassPtr FindClass(const std::string& name);
// All classes of the namespace, in a fixed order.
const std::vector<ClassPtr>& AllClasses();

// The method signatures of vtqBIOSInt<N>. The out-signature may lack
// OutData (a fault of the firmware the stand-in can simulate).
ClassPtr InSignatureClass();
ClassPtr OutSignatureClass(bool withOutData);
// vtqBDataOut, optionally without rwReturnCode (a simulated fault).
ClassPtr BiosDataOutClass(bool withReturnCode);

inline constexpr char kBiosInstanceName[] = "ACPI\\PNP0C14\\0_0";
inline constexpr char kSmbiosInstanceName[] = "SMBiosData";
inline constexpr char kNamespaceName[] = "ROOT\\wmi";

}  // namespace fwsim::wmi
