// The texts of the reasons (common/RadioFlags.h: OffReason) in the tray
// program's string table.
#pragma once

#include "common/RadioFlags.h"

namespace rm {

// The string-table number of a reason's text ("BIOS Settings", ...); 0 for
// None.
unsigned OffReasonTextId(OffReason reason);

}  // namespace rm
