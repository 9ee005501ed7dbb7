// Resource numbers of vtqwmi.exe.
#pragma once

#define IDS_SERVICENAME 100
#define IDS_DISPLAYNAME 102
