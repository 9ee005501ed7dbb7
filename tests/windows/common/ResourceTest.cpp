#include "common/win/OwningWrappers.h"

#include <gtest/gtest.h>

namespace {

bool HandleIsOpen(HANDLE h) {
  DWORD flags = 0;
  return ::GetHandleInformation(h, &flags) != FALSE;
}

TEST(UniqueHandle, ClosesOnceAndMovesOwnership) {
  HANDLE raw = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    rm::UniqueHandle a(raw);
    rm::UniqueHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    rm::UniqueHandle c;
    c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_TRUE(HandleIsOpen(raw));
  }
  EXPECT_FALSE(HandleIsOpen(raw));
}

TEST(UniqueHandle, PutClosesWhatItHeld) {
  rm::UniqueHandle h(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HANDLE first = h.get();
  HANDLE* slot = h.put();
  EXPECT_EQ(*slot, nullptr);
  EXPECT_FALSE(HandleIsOpen(first));
  *slot = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_TRUE(HandleIsOpen(h.get()));
}

TEST(UniqueHandle, ReleaseGivesUpOwnership) {
  rm::UniqueHandle h(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HANDLE raw = h.release();
  EXPECT_FALSE(h);
  EXPECT_TRUE(HandleIsOpen(raw));
  ::CloseHandle(raw);
}

TEST(UniqueFile, InvalidHandleValueIsEmpty) {
  rm::UniqueFile f(::CreateFileA("C:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(f);
}

TEST(Variant, ClearsOnPutAndMovesContents) {
  rm::Variant v;
  V_VT(v.get()) = VT_BSTR;
  V_BSTR(v.get()) = ::SysAllocString(L"abc");
  rm::Variant w(std::move(v));
  EXPECT_EQ(v.type(), VT_EMPTY);
  EXPECT_EQ(w.type(), VT_BSTR);
  VARIANT* out = w.put();
  EXPECT_EQ(V_VT(out), VT_EMPTY);
}

struct CountingUnknown : IUnknown {
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** p) override {
    *p = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComPtr, CountsReferences) {
  CountingUnknown obj;
  {
    auto a = rm::ComPtr<IUnknown>::Attach(&obj);
    rm::ComPtr<IUnknown> b = a;
    EXPECT_EQ(obj.refs, 2u);
    rm::ComPtr<IUnknown> c(std::move(b));
    EXPECT_FALSE(b);
    EXPECT_EQ(obj.refs, 2u);
    c.put();
    EXPECT_EQ(obj.refs, 1u);
  }
  EXPECT_EQ(obj.refs, 0u);
}

TEST(SafeArrayData, AccessesAndUnlocks) {
  rm::UniqueSafeArray a(::SafeArrayCreateVector(VT_UI1, 0, 3));
  {
    rm::SafeArrayData d(a.get());
    ASSERT_TRUE(d);
    static_cast<unsigned char*>(d.data())[2] = 7;
  }
  // Destroying a locked array fails; the unlock above lets it go.
  EXPECT_EQ(::SafeArrayDestroy(a.release()), S_OK);
}

}  // namespace
