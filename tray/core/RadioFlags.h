// The radio rules (common/RadioFlags.h) and what only the tray program adds
// to them: the string-table numbers of the reasons' texts.
#pragma once

#include "common/RadioFlags.h"

namespace rm {

// The string-table number of a reason's text ("BIOS Settings", ...); 0 for
// None.
unsigned OffReasonTextId(OffReason reason);

}  // namespace rm
