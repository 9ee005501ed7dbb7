// What rmctl report reads outside the bridge: the registry (the bridge's
// registration and parameters, the relay names, the tray program's settings),
// the service manager, the service log and this program's own path.
#pragma once

#include "rmctl/core/Report.h"

namespace rmctl {

// Fills everything but the word and the machine record.
void GatherLocalReportData(ReportData& data);

}  // namespace rmctl
