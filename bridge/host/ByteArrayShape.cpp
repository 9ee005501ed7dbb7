#include "bridge/host/ByteArrayShape.h"

namespace vtq {

static_assert((VT_ARRAY | VT_UI1) == kByteArrayVariantType);

ByteArrayShape ShapeOf(const VARIANT* v) {
  VariantArrayFacts f;
  f.present = v != nullptr;
  if (v) {
    f.type = V_VT(v);
    // Only a variant of the byte-array type holds an array pointer to read.
    SAFEARRAY* array = f.type == kByteArrayVariantType ? V_ARRAY(v) : nullptr;
    if (array) {
      f.hasArray = true;
      f.elementSize = ::SafeArrayGetElemsize(array);
      f.dims = ::SafeArrayGetDim(array);
      LONG lower = 0, upper = 0;
      f.boundsRead = f.dims == 1 && SUCCEEDED(::SafeArrayGetLBound(array, 1, &lower)) &&
                     SUCCEEDED(::SafeArrayGetUBound(array, 1, &upper));
      f.lower = lower;
      f.upper = upper;
    }
  }
  return DescribeByteArray(f);
}

InputVariantFacts InputFactsOf(const VARIANT* v) {
  InputVariantFacts f;
  f.present = v != nullptr;
  if (!v) return f;
  f.type = V_VT(v);
  if (!(f.type & VT_BYREF)) return f;
  f.referenceNull = V_BYREF(v) == nullptr;
  if (f.type == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) f.referredType = V_VT(V_VARIANTREF(v));
  return f;
}

}  // namespace vtq
