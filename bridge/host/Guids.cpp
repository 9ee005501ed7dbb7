// Definitions of the GUIDs the generated vtqwmi.h declares.
#include <windows.h>
#include <initguid.h>

#include "vtqwmi.h"
