#include "bridge/host/ByteArrayShape.h"

namespace vtq {

ByteArrayShape ShapeOf(const VARIANT* v) {
  ByteArrayShape s;
  s.present = v != nullptr;
  if (!v) return s;
  SAFEARRAY* array = V_VT(v) == (VT_ARRAY | VT_UI1) ? V_ARRAY(v) : nullptr;
  s.byteArray = V_VT(v) == (VT_ARRAY | VT_UI1) && (!array || ::SafeArrayGetElemsize(array) == 1);
  if (!s.byteArray || !array) return s;
  s.hasArray = true;
  s.dims = ::SafeArrayGetDim(array);
  if (s.dims != 1) return s;
  LONG lower = 0, upper = -1;
  if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(::SafeArrayGetUBound(array, 1, &upper)))
    return s;
  const long long count = static_cast<long long>(upper) - lower + 1;
  s.count = count > 0 ? static_cast<std::uint64_t>(count) : 0;
  return s;
}

}  // namespace vtq
