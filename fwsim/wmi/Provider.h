// The provider behind one root\wmi connection: the prefix's Machine, the
// instances built from it and the rules for which classes exist. Shared by
// the services object and the objects it hands out; calls into the Machine
// are serialised with the provider's lock.
#pragma once

#include "fwsim/machine/Machine.h"
#include "fwsim/wmi/WbemObject.h"

#include <memory>
#include <mutex>

namespace fwsim::wmi {

class Provider : public std::enable_shared_from_this<Provider> {
 public:
  // nullptr when the prefix's machine cannot be opened.
  static std::shared_ptr<Provider> Open(const std::string& server);

  HostPtr Host() const { return host_; }
  Faults GetFaults();
  // Applies the per-call delay fault and returns the faults of this call.
  Faults BeginCall();

  // Whether a class exists for the client now (profile and faults).
  bool ClassExists(const ClassDef& def, const Faults& faults);
  // The class object; nullptr when it does not exist.
  rm::ComPtr<WbemObject> ClassObject(const std::string& name, const Faults& faults);
  // The instances of an existing class (empty for classes without instances).
  std::vector<rm::ComPtr<IWbemClassObject>> Instances(const ClassDef& def);

  BiosAnswer Execute(std::uint32_t command, std::uint32_t commandType, const std::vector<std::uint8_t>& input,
                     std::uint32_t sizeOut);
  std::vector<DataBlock> DataBlocks(const std::string& className);
  bool PutDataBlock(const std::string& className, const std::string& instanceName, std::uint32_t ulState);
  std::uint64_t LastEventSequence();

 private:
  Provider() = default;

  std::mutex lock_;
  std::unique_ptr<Machine> machine_;
  HostPtr host_;
};

}  // namespace fwsim::wmi
