// The programs' own control, dialog and string ids, so that tests find a
// control by the name the program gives it rather than by its number.
#pragma once

#include "panel/res/resource.h"
#include "tray/res/resource.h"
