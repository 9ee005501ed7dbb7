// Every shipped binary carries the same version resource: company, product
// and version, with its own description and file name.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/BuildPaths.h"

namespace {

struct Shipped {
  const char* relative;  // below the build folder
  const wchar_t* fileName;
  const wchar_t* internalName;
  const wchar_t* description;
};

const Shipped kShipped[] = {
    {"tray/rmtray.exe", L"rmtray.exe", L"rmtray", L"Zarn Radio Minder"},
    {"bridge/vtqwmi.exe", L"vtqwmi.exe", L"vtqwmi", L"Zarn WMI Interface"},
    {"panel/rmpanel.cpl", L"rmpanel.cpl", L"rmpanel", L"Zarn Radio Minder Control Panel Applet"},
    {"rmctl/rmctl.exe", L"rmctl.exe", L"rmctl", L"Zarn Radio Minder command-line tool"},
};

std::wstring WidePath(const char* relative) {
  const std::string path = rmtest::BuildPath(relative);
  return std::wstring(path.begin(), path.end());
}

std::wstring StringValue(const std::vector<BYTE>& block, const wchar_t* name) {
  std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
  void* text = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), query.c_str(), &text, &length) || length == 0) return L"<missing>";
  return static_cast<const wchar_t*>(text);
}

TEST(VersionResource, EveryShippedBinaryCarriesTheProductVersion) {
  for (const Shipped& s : kShipped) {
    SCOPED_TRACE(s.relative);
    const std::wstring path = WidePath(s.relative);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(size, 0u) << "no version resource, error " << ::GetLastError();
    std::vector<BYTE> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    void* fixedPtr = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", &fixedPtr, &fixedLength));
    ASSERT_EQ(fixedLength, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedPtr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);  // .0.0
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);

    void* translation = nullptr;
    UINT translationLength = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &translationLength));
    ASSERT_EQ(translationLength, 4u);
    EXPECT_EQ(static_cast<const WORD*>(translation)[0], 0x0409);
    EXPECT_EQ(static_cast<const WORD*>(translation)[1], 1200);

    EXPECT_EQ(StringValue(block, L"CompanyName"), L"VTQ");
    EXPECT_EQ(StringValue(block, L"ProductName"), L"Zarn Radio Minder");
    EXPECT_EQ(StringValue(block, L"FileVersion"), L"1.0.0");
    EXPECT_EQ(StringValue(block, L"ProductVersion"), L"1.0.0");
    EXPECT_EQ(StringValue(block, L"OriginalFilename"), s.fileName);
    EXPECT_EQ(StringValue(block, L"InternalName"), s.internalName);
    EXPECT_EQ(StringValue(block, L"FileDescription"), s.description);
    EXPECT_EQ(StringValue(block, L"LegalCopyright"), L"Copyright \u00a9 2026 VTQ");
  }
}

}  // namespace
