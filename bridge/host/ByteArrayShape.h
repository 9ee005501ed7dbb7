// Describes a client's VARIANT for the portable argument checks, reading
// only what a well-formed or malformed variant lets be read safely.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "bridge/host/CallChecks.h"

namespace vtq {

ByteArrayShape ShapeOf(const VARIANT* v);

}  // namespace vtq
