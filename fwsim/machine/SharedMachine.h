// The Machine of a Wine prefix: the MachineState in a named file mapping of
// "<common application data>\FirmwareSim\machine.dat", guarded by a named
// mutex, shared by every process of the prefix and kept between runs.
//
// The file holds a header and two slots. A change is made on a copy of the
// current slot in the other slot and then published by switching the
// header's slot index, so a process that dies while it holds the mutex
// (WAIT_ABANDONED for the next one) leaves the last published state intact.
//
// WaitEvents: a waiter that finds no new event creates the manual-reset
// event "Global\FwSimMachine.Events.<last sequence>" under the mutex and
// waits on it; whoever raises the next event sets it under the mutex. Every
// process waiting for that sequence wakes; the event is never reset, and it
// goes away with the last handle.
//
// Every method may be called from any thread; the mutex serialises them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/win/OwningWrappers.h"
#include "fwsim/machine/Machine.h"
#include "fwsim/model/MachineState.h"

namespace fwsim {

class SharedMachine final : public Machine {
 public:
  enum class Origin { Opened, Created, Recreated /* the file held another layout or was damaged */ };

  // nullptr with a reason in `error` when the shared state cannot be opened.
  static std::unique_ptr<SharedMachine> OpenShared(std::string* error = nullptr);

  // The state as published in the file itself, read with ReadFile and not
  // through the mapping: what a later run will find. false when the file
  // is missing or does not hold a valid state.
  static bool ReadStateFile(const std::string& path, model::MachineState& state);

  // How the state came to be when this object opened it.
  Origin origin() const noexcept { return origin_; }
  // The file that holds the state.
  const std::string& path() const noexcept { return path_; }

  // Runs fn on the locked state and publishes what it changed; wakes the
  // waiters when fn raised events. false when the lock could not be taken
  // (fn did not run) or fn returned false (nothing is published).
  bool Update(const std::function<bool(model::MachineState&)>& fn);
  // Runs fn on the locked state without changing it.
  bool Read(const std::function<void(const model::MachineState&)>& fn);

  // Machine
  bool HasFirmwareClasses() override;
  Faults GetFaults() override;
  BiosAnswer Execute(std::uint32_t command, std::uint32_t commandType, const std::vector<std::uint8_t>& input,
                     std::uint32_t sizeOut) override;
  std::vector<DataBlock> DataBlocks(const std::string& className) override;
  bool PutDataBlock(const std::string& className, const std::string& instanceName,
                    std::uint32_t ulState) override;
  SmbiosTables Smbios() override;
  std::uint64_t LastEventSequence() override;
  std::vector<FirmwareEvent> WaitEvents(std::uint64_t after, std::uint32_t timeoutMs) override;

  ~SharedMachine() override;

 private:
  struct File;
  class Lock;

  SharedMachine() = default;
  bool Validate() const noexcept;
  void Initialize() noexcept;
  model::MachineState& Current() noexcept;

  rm::UniqueHandle mutex_;
  rm::UniqueHandle mapping_;
  File* view_ = nullptr;
  Origin origin_ = Origin::Opened;
  std::string path_;
};

}  // namespace fwsim
