// The machine information reader returns the result of ending its access to
// the SMBIOS byte array: SafeArrayData reports both ends of the access.
#include <gtest/gtest.h>

#include "common/win/OwningWrappers.h"

namespace {

TEST(SafeArrayDataRelease, EndsTheAccessOnceAndReportsIt) {
  rm::UniqueSafeArray a(::SafeArrayCreateVector(VT_UI1, 0, 4));
  ASSERT_TRUE(a);
  rm::SafeArrayData d(a.get());
  ASSERT_TRUE(d);
  EXPECT_EQ(d.AccessResult(), S_OK);
  EXPECT_EQ(d.Release(), S_OK);
  EXPECT_FALSE(d);
  EXPECT_EQ(d.data(), nullptr);
  // A second release and the destructor do not unlock again.
  EXPECT_EQ(d.Release(), S_OK);
  EXPECT_EQ(::SafeArrayDestroy(a.release()), S_OK);
}

TEST(SafeArrayDataRelease, ReleaseReportsAnUnbalancedUnlock) {
  rm::UniqueSafeArray a(::SafeArrayCreateVector(VT_UI1, 0, 4));
  rm::SafeArrayData d(a.get());
  ASSERT_TRUE(d);
  // Someone else ended the access meanwhile: the release's own unlock
  // fails, and that failure is what the caller gets.
  ASSERT_EQ(::SafeArrayUnaccessData(a.get()), S_OK);
  EXPECT_TRUE(FAILED(d.Release()));
}

TEST(SafeArrayDataRelease, NoArrayMeansNoAccess) {
  rm::SafeArrayData d(nullptr);
  EXPECT_FALSE(d);
  EXPECT_EQ(d.AccessResult(), E_INVALIDARG);
  EXPECT_EQ(d.Release(), S_OK);
}

}  // namespace
