// The access lists the bridge sets, as SDDL, and its COM capabilities. The
// bridge runs as the system account and serves every local user: these
// lists say who may reach it through COM and who may read what it writes.
#pragma once

namespace vtq {

// COM launch and access permission of the bridge's classes, set for the
// process at its run and written as the AppID's LaunchPermission and
// AccessPermission. Every account (WD) may execute, execute locally and
// activate locally (CC DC SW); remote execution and activation (LC RP) are
// granted to no one, and network logons (NU) and the anonymous logon (AN)
// are denied every right, whatever a later ACE allows.
inline constexpr char kComPermissions[] =
    "O:BAG:BAD:(D;;CCDCLCSWRP;;;NU)(D;;CCDCLCSWRP;;;AN)(A;;CCDCSW;;;WD)";

// The log folder and, by inheritance, its file: the system account and the
// administrators may do anything, every user may read; nothing is
// inherited from the common application data folder, where every user may
// create files.
inline constexpr char kLogFolderAccess[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";

// EOAC_SECURE_REFS | EOAC_DISABLE_AAA | EOAC_NO_CUSTOM_MARSHAL: reference
// counts that a client cannot release for another, no activation as the
// caller of anything the service starts, and no object whose marshal data
// names a class of the caller's choosing.
inline constexpr unsigned long kComCapabilities = 0x2 | 0x1000 | 0x2000;

}  // namespace vtq
