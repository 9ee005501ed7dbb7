#include "rmctl/core/DebugInfoText.h"

#include <gtest/gtest.h>

#include <vector>

namespace rmctl {
namespace {

// DebugInfo's 56 bytes from 14 slot values, little-endian.
std::vector<std::uint8_t> Bytes(const std::vector<std::uint32_t>& slots) {
  std::vector<std::uint8_t> out;
  for (std::uint32_t v : slots)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return out;
}

constexpr std::uint32_t N = 0xFFFFFFFF;  // a step that did not run

TEST(RmctlHresult, KnownCodesByNameOthersByNumber) {
  EXPECT_EQ(HresultText(0), "0x00000000 (S_OK)");
  EXPECT_EQ(HresultText(1), "0x00000001 (S_FALSE)");
  EXPECT_EQ(HresultText(0x40004), "0x00040004 (WBEM_S_TIMEDOUT)");
  EXPECT_EQ(HresultText(static_cast<std::int32_t>(0x80004005u)), "0x80004005 (E_FAIL)");
  EXPECT_EQ(HresultText(static_cast<std::int32_t>(0x80070005u)), "0x80070005 (E_ACCESSDENIED)");
  EXPECT_EQ(HresultText(static_cast<std::int32_t>(0x80041010u)), "0x80041010 (WBEM_E_INVALID_CLASS)");
  EXPECT_EQ(HresultText(static_cast<std::int32_t>(0x8004100Eu)), "0x8004100E (WBEM_E_INVALID_NAMESPACE)");
  EXPECT_EQ(HresultText(static_cast<std::int32_t>(0x80040154u)), "0x80040154 (REGDB_E_CLASSNOTREG)");
  EXPECT_EQ(HresultText(static_cast<std::int32_t>(0x80010119u)), "0x80010119 (RPC_E_TOO_LATE)");
  EXPECT_EQ(HresultText(static_cast<std::int32_t>(0x80041011u)), "0x80041011");
  EXPECT_EQ(HresultText(2), "0x00000002");
  EXPECT_STREQ(HresultName(-1), "");
}

TEST(RmctlDebugInfo, FailedStepIsTheFirstThatFailed) {
  struct Case {
    std::vector<std::uint32_t> slots;
    const char* step;
  };
  const Case cases[] = {
      // Connected; the radios' query then failed.
      {{0, 0, 0, 0x1234, 0x80004005, 0, 0, 0, 0, 0, 1, 1, 1, 0},
       "the start-up probe's wireless query failed: 0x80004005 (E_FAIL)"},
      // No firmware class: step 3.
      {{0, 0, 0, 0x1234, 0x80004005, 0, 0, 0x80041002, N, N, N, N, N, N},
       "the class object of vtqBIntM failed: 0x80041002 (WBEM_E_NOT_FOUND)"},
      {{0, 0, 0, 0x1234, 0x80070005, 0x80040154, N, N, N, N, N, N, N, N},
       "creating the WMI locator failed: 0x80040154 (REGDB_E_CLASSNOTREG)"},
      {{0, 0, 0, 0x1234, 0x80004005, 0, 0x8004100E, N, N, N, N, N, N, N},
       "connecting to \\\\.\\root\\wmi failed: 0x8004100E (WBEM_E_INVALID_NAMESPACE)"},
      {{0, 0, 0, 0x1234, 0x80004005, 0, 0, 0, 0x80041001, N, N, N, N, N},
       "opening the instance enumeration of vtqBIntM failed: 0x80041001 (WBEM_E_FAILED)"},
      // Ten time-outs: no instance, and WBEM_S_TIMEDOUT is no failure.
      {{0, 0, 0, 0x1234, 0x80004005, 0, 0, 0, 0, 0x40004, 0, 10, 0, N},
       "no instance of vtqBIntM came after 10 enumeration steps"},
      {{0, 0, 0, 0x1234, 0x80004005, 0, 0, 0, 0, 0x80041001, 0, 1, 0, N},
       "the last enumeration step failed: 0x80041001 (WBEM_E_FAILED)"},
      {{0, 0, 0, 0x1234, 0x80004005, 0, 0, 0, 0, 0, 1, 1, 1, 0x80041002},
       "reading __PATH failed: 0x80041002 (WBEM_E_NOT_FOUND)"},
      {{0, 0, 0, 0, N, N, N, N, N, N, N, N, N, N}, "the radio state object could not be created"},
      // Guest on a machine without the firmware connection.
      {{1, 0x80010119, 0, 0x1234, 0x80070005, 0, 0, 0x80041010, N, N, N, N, N, N},
       "the class object of vtqBIntM failed: 0x80041010 (WBEM_E_INVALID_CLASS)"},
      {{0, 0, 0, 0x1234, 0x80070005, 0, 0, 0, 0, 0, 1, 1, 1, 0},
       "the start-up probe refused a guest user: 0x80070005 (E_ACCESSDENIED)"},
      // Everything succeeded: the no-radios refusal.
      {{0, 0, 0, 0x1234, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0},
       "none: the probe succeeded, and the start was refused because the machine has no supported radios"},
      {{N, N, N, N, N, N, N, N, N, N, N, N, N, N}, "no step recorded"},
  };
  for (const Case& c : cases) {
    const auto bytes = Bytes(c.slots);
    const auto d = rm::StartupDiagnostics::Parse(bytes.data(), bytes.size());
    ASSERT_TRUE(d);
    EXPECT_EQ(FailedStep(*d), c.step);
  }
}

TEST(RmctlDebugInfo, TextOfMissingBadAndGoodValues) {
  EXPECT_EQ(DebugInfoText(nullptr, 0, true),
            "DebugInfo: none (no start of the tray program has been refused for this user)\n");
  const auto good = Bytes({0, 1, 0, 0x1234, 0x80004005, 0, 0, 0x80041010, N, N, N, N, N, N});
  EXPECT_EQ(DebugInfoText(good.data(), good.size(), false), "DebugInfo: unreadable (not a binary value)\n");
  for (std::size_t size : {std::size_t{0}, std::size_t{55}, std::size_t{57}}) {
    std::vector<std::uint8_t> bad(size + 1, 0);
    EXPECT_EQ(DebugInfoText(bad.data(), size, true),
              "DebugInfo: unreadable (" + std::to_string(size) + " bytes, 56 expected)\n");
  }
  const std::string text = DebugInfoText(good.data(), good.size(), true);
  EXPECT_EQ(text.rfind("DebugInfo: the tray program's last refused start\n"
                       "  Failed step: the class object of vtqBIntM failed: 0x80041010 (WBEM_E_INVALID_CLASS)\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("   1 COM security                                   0x00000001 (S_FALSE)\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("   3 radio state object                             yes\n"), std::string::npos) << text;
  EXPECT_NE(text.find("   8 opening the instance enumeration of vtqBIntM   -1 (did not run)\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("  13 reading __PATH                                 -1 (did not run)\n"), std::string::npos);
}

TEST(RmctlDebugInfo, ParseIsTheInverseOfSerialize) {
  rm::StartupDiagnostics d;
  d.Set(rm::StartupDiagnostics::kProbe, static_cast<std::int32_t>(0x80004005u));
  d.Set(rm::StartupDiagnostics::kNextRequests, 10);
  const auto bytes = d.Serialize();
  const auto back = rm::StartupDiagnostics::Parse(bytes.data(), bytes.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->slots, d.slots);
  EXPECT_FALSE(rm::StartupDiagnostics::Parse(nullptr, 56));
}

}  // namespace
}  // namespace rmctl
