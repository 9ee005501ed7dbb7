// The simulated notebook as the WMI layer of the stand-in sees it. One
// machine state is shared by every process of a Wine prefix (the tray
// program, the bridge service, the tool) and persists between runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fwsim {

struct BiosAnswer {
  std::uint32_t returnCode = 0;     // rwReturnCode
  std::vector<std::uint8_t> data;   // Data
};

// Fault knobs, set with the tool, read by the WMI layer at each call.
struct Faults {
  std::uint32_t enumTimeouts = 0;   // Next() on a vtqBIntM instance enumeration times out this many times first
  std::int32_t dataLength = -1;     // >= 0: every Data array has this many bytes instead of the requested size
  bool getMethodFails = false;      // GetMethod on vtqBIntM fails
  bool outDataMissing = false;      // the out-parameters carry no OutData
  bool returnCodeMissing = false;   // OutData carries no rwReturnCode
  bool eventClassesMissing = false; // vtqBEvnt and vtqDockEvent do not exist
  std::uint32_t delayMs = 0;        // every call into the provider waits this long first
  std::uint32_t answerDelayMs = 0;  // a vtqBIntM method call waits this long after the firmware answered
};

enum class EventClass : std::uint32_t { BiosEvent = 0 /* vtqBEvnt */, DockEvent = 1 /* vtqDockEvent */ };

struct FirmwareEvent {
  std::uint64_t sequence = 0;  // increases by one per event raised in the prefix
  EventClass eventClass = EventClass::BiosEvent;
  std::uint32_t eventId = 0;
  std::uint32_t eventData = 0;
  bool joinsNext = false;  // reaches a subscriber in one delivery with the next event
};

// One instance of a data-block class (vtqGAED, vtqDockQuery).
struct DataBlock {
  std::string instanceName;
  std::uint32_t ulState = 0;
};

struct SmbiosTables {
  std::uint8_t majorVersion = 0;
  std::uint8_t minorVersion = 0;
  std::vector<std::uint8_t> data;  // the raw structure table (SMBiosData; Size is its length)
};

class Machine {
 public:
  virtual ~Machine() = default;

  // Opens the prefix's machine, creating it from the default profile when
  // there is none yet. nullptr when the shared state cannot be opened.
  static std::unique_ptr<Machine> Open();

  // False on the profile of a machine without the firmware classes.
  virtual bool HasFirmwareClasses() = 0;
  virtual Faults GetFaults() = 0;
  // One request to vtqBIntM; raises the events the firmware would.
  virtual BiosAnswer Execute(std::uint32_t command, std::uint32_t commandType,
                             const std::vector<std::uint8_t>& input, std::uint32_t sizeOut) = 0;
  // Instances of "vtqGAED" or "vtqDockQuery"; empty for any other class.
  virtual std::vector<DataBlock> DataBlocks(const std::string& className) = 0;
  // Writes ulState of an existing instance; false when there is none.
  virtual bool PutDataBlock(const std::string& className, const std::string& instanceName,
                            std::uint32_t ulState) = 0;
  virtual SmbiosTables Smbios() = 0;
  // The sequence number of the last event raised (0 when none yet).
  virtual std::uint64_t LastEventSequence() = 0;
  // Events raised after `after`, in order; waits up to timeoutMs for one
  // when there is none yet. Events older than the shared ring's capacity
  // are lost to a reader that fell behind.
  virtual std::vector<FirmwareEvent> WaitEvents(std::uint64_t after, std::uint32_t timeoutMs) = 0;
};

}  // namespace fwsim
