// vtqExecDataBlock's and vtqSetupEvent's decisions: instance names,
// commands, which object is the wanted one, the walk's answer, log lines;
// and whether the service may use a log folder and file it finds.
#include <gtest/gtest.h>

#include "bridge/host/AccessLists.h"
#include "bridge/host/DataBlockRules.h"
#include "bridge/host/KestrelLog.h"
#include "bridge/host/LogFolderRules.h"

namespace vtq {
namespace {

constexpr std::int32_t kInvalidArg = static_cast<std::int32_t>(0x80070057);
constexpr std::int32_t kPointer = static_cast<std::int32_t>(0x80004003);
constexpr std::int32_t kInvalidClass = static_cast<std::int32_t>(0x80041010);
constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x80041002);
constexpr std::int32_t kRetryLater = static_cast<std::int32_t>(0x8001010A);

TEST(DataBlockInstanceName, DecimalNumberReadAsSigned) {
  const struct {
    std::uint32_t instance;
    const char* name;
  } cases[] = {
      {0, "ACPI\\PNP0C14\\0_0"},
      {7, "ACPI\\PNP0C14\\0_7"},
      {2147483647u, "ACPI\\PNP0C14\\0_2147483647"},
      {2147483648u, "ACPI\\PNP0C14\\0_-2147483648"},
      {4294967295u, "ACPI\\PNP0C14\\0_-1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DataBlockInstanceName(c.instance), c.name) << c.instance;
    EXPECT_LE(DataBlockInstanceName(c.instance).size(), 29u);
  }
}

TEST(DataBlockRequest, OnlyReadAndWriteWithAState) {
  const struct {
    std::uint32_t command;
    bool hasState;
    std::int32_t expected;
  } cases[] = {
      {1, true, 0},           {2, true, 0},           {0, true, kInvalidArg},
      {3, true, kInvalidArg}, {0xFFFFFFFFu, true, kInvalidArg},
      {1, false, kPointer},   {2, false, kPointer},   {3, false, kInvalidArg},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CheckDataBlockRequest(c.command, c.hasState), c.expected)
        << c.command << " " << c.hasState;
}

TEST(SameInstanceName, AsciiLettersIgnoreCaseEverythingElseExact) {
  const std::string wanted = "ACPI\\PNP0C14\\0_0";
  const struct {
    std::u16string found;
    bool same;
  } cases[] = {
      {u"ACPI\\PNP0C14\\0_0", true},
      {u"acpi\\pnp0c14\\0_0", true},
      {u"Acpi\\Pnp0c14\\0_0", true},
      {u"ACPI\\PNP0C14\\0_1", false},
      {u"ACPI\\PNP0C14\\0_00", false},
      {u"ACPI\\PNP0C14\\0_", false},
      {u"", false},
      {u"ACPI/PNP0C14/0_0", false},
      {u"ACPI\\PNP0C14\\0_\uFF10", false},  // fullwidth digit zero
      {std::u16string(u"ACPI\\PNP0C14\\0_0\u0000", 17), false},
      {std::u16string(u"ACPI\\PNP0C14\\0_0\u0000x", 18), false},
  };
  for (const auto& c : cases) EXPECT_EQ(SameInstanceName(c.found, wanted), c.same);
  EXPECT_TRUE(SameInstanceName(u"ACPI\\PNP0C14\\0_-1", DataBlockInstanceName(0xFFFFFFFFu)));
}

TEST(DataBlockWalk, AnswerOfTheWholeWalk) {
  enum Step { Ok, ReadFails, EnumFails };
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::int32_t expected;
  } cases[] = {
      {"no instance at all", {}, kInvalidArg},
      {"the instance was accessed", {Ok}, 0},
      {"a failed match, then a good one", {ReadFails, Ok}, 0},
      {"a good match, then a failed one", {Ok, ReadFails}, 0},
      {"only a failed match", {ReadFails}, kNotFound},
      {"the enumeration failed before the instance", {EnumFails}, kInvalidClass},
      {"the enumeration failed after the instance", {Ok, EnumFails}, 0},
      {"a failed match beats the enumeration's failure", {ReadFails, EnumFails}, kNotFound},
  };
  for (const auto& c : cases) {
    DataBlockWalk walk;
    for (Step s : c.steps) {
      if (s == Ok) walk.Accessed(0);
      if (s == ReadFails) walk.Accessed(kNotFound);
      if (s == EnumFails) walk.EnumerationFailed(kInvalidClass);
    }
    EXPECT_EQ(walk.Result(), c.expected) << c.what;
    EXPECT_EQ(walk.Done(), c.expected == 0) << c.what;
  }
}

TEST(KestrelLog, LinesByFlagAndResult) {
  const LogFlags both{true, true}, successOnly{true, false}, failureOnly{false, true}, none{};
  EXPECT_EQ(ExecDataBlockLogText(both, 0, 1, 0, 5),
            "CWmiKestrel::vtqExecDataBlock Cmd: 1, Inst:0, State: 5, returns: 0x00000000\n");
  EXPECT_EQ(ExecDataBlockLogText(successOnly, 0, 2, 3, 0xFFFFFFFFu),
            "CWmiKestrel::vtqExecDataBlock Cmd: 2, Inst:3, State: -1, returns: 0x00000000\n");
  EXPECT_EQ(ExecDataBlockLogText(both, kInvalidArg, 3, 4294967295u, 9),
            "CWmiKestrel::vtqExecDataBlock FAILED: 0x80070057. Cmd: 3, Inst:-1\n");
  EXPECT_EQ(ExecDataBlockLogText(failureOnly, kRetryLater, 1, 0, 0),
            "CWmiKestrel::vtqExecDataBlock FAILED: 0x8001010A. Cmd: 1, Inst:0\n");
  EXPECT_EQ(ExecDataBlockLogText(failureOnly, 0, 1, 0, 0), "");
  EXPECT_EQ(ExecDataBlockLogText(successOnly, kInvalidArg, 1, 0, 0), "");
  EXPECT_EQ(ExecDataBlockLogText(none, 0, 1, 0, 0), "");

  EXPECT_EQ(SetupEventLogText(both, 0), "vtqSetupEvent returns: 0x00000000\n");
  EXPECT_EQ(SetupEventLogText(both, static_cast<std::int32_t>(0x80004001)),
            "vtqSetupEvent FAILED: 0x80004001\n");
  EXPECT_EQ(SetupEventLogText(failureOnly, 0), "");
  EXPECT_EQ(SetupEventLogText(successOnly, kRetryLater), "");
}

TEST(LogFolder, CreatedWhenMissingTakenOverFromAUserRefusedWhenALink) {
  using A = FolderAction;
  const struct {
    const char* what;
    FolderFacts facts;  // exists, directory, reparse point, owner read, owner
    A atStart, beforeALine;
  } cases[] = {
      {"nothing there", {false, false, false, false, FolderOwner::Other}, A::Create, A::Create},
      {"system's folder", {true, true, false, true, FolderOwner::System}, A::Use, A::Use},
      {"administrators' folder", {true, true, false, true, FolderOwner::Administrators}, A::Use, A::Use},
      {"the service account's folder", {true, true, false, true, FolderOwner::ServiceAccount}, A::Use, A::Use},
      {"a user's folder", {true, true, false, true, FolderOwner::Other}, A::TakeOver, A::Refuse},
      {"owner unreadable", {true, true, false, false, FolderOwner::System}, A::Refuse, A::Refuse},
      {"a junction owned by the system", {true, true, true, true, FolderOwner::System}, A::Refuse, A::Refuse},
      {"a user's junction", {true, true, true, true, FolderOwner::Other}, A::Refuse, A::Refuse},
      {"a file in the folder's place", {true, false, false, true, FolderOwner::System}, A::Refuse, A::Refuse},
      {"something that cannot be opened", {true, false, false, false, FolderOwner::Other}, A::Refuse, A::Refuse},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LogFolderAction(c.facts, true), c.atStart) << c.what;
    EXPECT_EQ(LogFolderAction(c.facts, false), c.beforeALine) << c.what;
  }
}

TEST(AccessLists, TheBridgesDescriptors) {
  EXPECT_STREQ(kComPermissions, "O:BAG:BAD:(D;;CCDCLCSWRP;;;NU)(D;;CCDCLCSWRP;;;AN)(A;;CCDCSW;;;WD)");
  EXPECT_STREQ(kLogFolderAccess, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)");
  EXPECT_EQ(kComCapabilities, 0x3002u);
}

TEST(LogFile, OnlyAPlainFileWithOneNameNotAHardLink) {
  EXPECT_TRUE(MayWriteLogFile({false, false, 1}));
  EXPECT_FALSE(MayWriteLogFile({false, false, 2}));
  EXPECT_FALSE(MayWriteLogFile({false, true, 1}));
  EXPECT_FALSE(MayWriteLogFile({true, false, 1}));
}

}  // namespace
}  // namespace vtq
