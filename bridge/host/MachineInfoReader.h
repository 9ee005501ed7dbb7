// The machine information reader: reads the firmware's raw SMBIOS tables
// through WMI and fills the 388-byte machine information record.
#pragma once

#include <windows.h>

#include "bridge/wmi/WmiConnection.h"

namespace vtq {

inline constexpr ULONG kMachineInfoFullSize = 388;
inline constexpr ULONG kMachineInfoShortSize = 308;

class MachineInfoReader {
 public:
  // Connects through the bridge's process-wide WMI connection cache.
  MachineInfoReader();
  MachineInfoReader(const MachineInfoReader&) = delete;
  MachineInfoReader& operator=(const MachineInfoReader&) = delete;
  ~MachineInfoReader();

  // The result of the connection made at construction.
  HRESULT ConnectResult() const { return connectResult_; }

  // Fills `record` (388 bytes, zero-filled by the caller) in the layout
  // named by layoutSize (388 full, 308 short). The size field at offset 0
  // is left to the caller.
  HRESULT Fill(ULONG layoutSize, BYTE* record);

 private:
  HRESULT ReadTable(ULONG layoutSize, BYTE* record);

  HRESULT connectResult_;
  WmiLink link_;  // this reader's references to the cached locator and services
};

}  // namespace vtq
