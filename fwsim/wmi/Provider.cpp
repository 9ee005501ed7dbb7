#include "fwsim/wmi/Provider.h"

namespace fwsim::wmi {

std::shared_ptr<Provider> Provider::Open(const std::string& server) {
  std::unique_ptr<Machine> machine = Machine::Open();
  if (!machine) return nullptr;
  std::shared_ptr<Provider> p(new Provider());
  p->machine_ = std::move(machine);
  auto host = std::make_shared<ObjectHost>();
  host->server = server;
  // Objects may outlive the connection; they hold the provider weakly.
  std::weak_ptr<Provider> weak = p;
  host->getMethodFails = [weak]() {
    const std::shared_ptr<Provider> live = weak.lock();
    return live && live->GetFaults().getMethodFails;
  };
  p->host_ = host;
  return p;
}

Faults Provider::GetFaults() {
  std::lock_guard<std::mutex> guard(lock_);
  return machine_->GetFaults();
}

Faults Provider::BeginCall() {
  const Faults f = GetFaults();
  ApplyDelay(f.delayMs);
  return f;
}

bool Provider::ClassExists(const ClassDef& def, const Faults& faults) {
  switch (def.kind) {
    case ClassKind::System:
    case ClassKind::Parameters:
      return true;
    case ClassKind::Event:
      if (faults.eventClassesMissing) return false;
      break;
    case ClassKind::Firmware:
      break;
  }
  std::lock_guard<std::mutex> guard(lock_);
  return machine_->HasFirmwareClasses();
}

rm::ComPtr<WbemObject> Provider::ClassObject(const std::string& name, const Faults& faults) {
  const ClassPtr def = FindClass(name);
  if (!def || !ClassExists(*def, faults)) return nullptr;
  return WbemObject::NewClass(def, host_);
}

std::vector<rm::ComPtr<IWbemClassObject>> Provider::Instances(const ClassDef& def) {
  std::vector<rm::ComPtr<IWbemClassObject>> out;
  const ClassPtr cls = FindClass(def.name);
  if (!cls || !cls->enumerable) return out;
  auto add = [&](const rm::ComPtr<WbemObject>& o) {
    out.push_back(rm::ComPtr<IWbemClassObject>::Copy(static_cast<IWbemClassObject*>(o.get())));
  };
  if (cls->name == "vtqBIntM") {
    rm::ComPtr<WbemObject> o = WbemObject::NewInstance(cls, host_);
    o->SetString("InstanceName", kBiosInstanceName);
    o->SetBool("Active", true);
    add(o);
  } else if (cls->name == "vtqGAED" || cls->name == "vtqDockQuery") {
    for (const DataBlock& b : DataBlocks(cls->name)) {
      rm::ComPtr<WbemObject> o = WbemObject::NewInstance(cls, host_);
      o->SetString("InstanceName", b.instanceName);
      o->SetBool("Active", true);
      o->SetInt("ulState", static_cast<std::int32_t>(b.ulState));
      add(o);
    }
  } else if (cls->name == "MSSmBios_RawSMBiosTables") {
    SmbiosTables t;
    {
      std::lock_guard<std::mutex> guard(lock_);
      t = machine_->Smbios();
    }
    rm::ComPtr<WbemObject> o = WbemObject::NewInstance(cls, host_);
    o->SetString("InstanceName", kSmbiosInstanceName);
    o->SetBool("Active", true);
    o->SetBool("Used20CallingMethod", false);
    o->SetByte("SmbiosMajorVersion", t.majorVersion);
    o->SetByte("SmbiosMinorVersion", t.minorVersion);
    o->SetByte("DmiRevision", 0);
    o->SetInt("Size", static_cast<std::int32_t>(t.data.size()));
    if (FAILED(o->SetBytes("SMBiosData", t.data))) throw std::bad_alloc();
    add(o);
  }
  return out;
}

BiosAnswer Provider::Execute(std::uint32_t command, std::uint32_t commandType,
                             const std::vector<std::uint8_t>& input, std::uint32_t sizeOut) {
  std::lock_guard<std::mutex> guard(lock_);
  return machine_->Execute(command, commandType, input, sizeOut);
}

std::vector<DataBlock> Provider::DataBlocks(const std::string& className) {
  std::lock_guard<std::mutex> guard(lock_);
  return machine_->DataBlocks(className);
}

bool Provider::PutDataBlock(const std::string& className, const std::string& instanceName,
                            std::uint32_t ulState) {
  std::lock_guard<std::mutex> guard(lock_);
  return machine_->PutDataBlock(className, instanceName, ulState);
}

std::uint64_t Provider::LastEventSequence() {
  std::lock_guard<std::mutex> guard(lock_);
  return machine_->LastEventSequence();
}

}  // namespace fwsim::wmi
