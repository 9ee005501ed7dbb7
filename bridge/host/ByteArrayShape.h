// Reads a client's VARIANT for the portable argument checks: only what a
// well-formed or malformed variant lets be read safely; CallChecks judges it.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "bridge/host/CallChecks.h"

namespace vtq {

ByteArrayShape ShapeOf(const VARIANT* v);

// The input's type, and for a reference only its pointer and, for a
// reference to a variant, that variant's type.
InputVariantFacts InputFactsOf(const VARIANT* v);

}  // namespace vtq
