// Placeholder until the SMBIOS reader lands: every fill fails.
#include "bridge/host/MachineInfoReader.h"

namespace vtq {

MachineInfoReader::MachineInfoReader() : connectResult_(S_OK) {}
MachineInfoReader::~MachineInfoReader() = default;

HRESULT MachineInfoReader::Fill(ULONG, BYTE*) { return E_NOTIMPL; }

}  // namespace vtq
