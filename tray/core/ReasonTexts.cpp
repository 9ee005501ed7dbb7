#include "tray/core/ReasonTexts.h"

#include "tray/res/resource.h"

namespace rm {

unsigned OffReasonTextId(OffReason reason) {
  switch (reason) {
    case OffReason::BiosSettings: return IDS_REASON_BIOS_SETTINGS;
    case OffReason::WirelessButton: return IDS_REASON_WIRELESS_BUTTON;
    case OffReason::LanSwitching: return IDS_REASON_LAN_SWITCHING;
    case OffReason::UserSelection: return IDS_REASON_USER_SELECTION;
    case OffReason::None: break;
  }
  return 0;
}

}  // namespace rm
