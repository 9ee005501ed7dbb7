// The machine state of the prefix: shared with fwsim.exe in other
// processes, kept in its file, safe after a holder died, and events of
// other processes reach WaitEvents.
#include "fwsim/machine/SharedMachine.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "fwsim/model/Firmware.h"
#include "tests/support/Process.h"

namespace fwsim {
namespace {

// A path of the build machine ("/work/...") as Wine names it.
std::string DosPath(const std::string& unixPath) {
  using ToDos = WCHAR*(CDECL*)(const char*);
  const auto toDos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (toDos) {
    if (WCHAR* dos = toDos(unixPath.c_str())) {
      char buf[MAX_PATH * 2] = {};
      ::WideCharToMultiByte(CP_ACP, 0, dos, -1, buf, sizeof buf, nullptr, nullptr);
      ::HeapFree(::GetProcessHeap(), 0, dos);
      return buf;
    }
  }
  std::string p = "Z:" + unixPath;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

const std::string& ToolPath() {
  static const std::string path = DosPath(std::string(RM_BUILD_DIR) + "/fwsim/fwsim.exe");
  return path;
}

// A running fwsim.exe whose stdout and stderr come through one pipe, with
// this process's standard input.
rmtest::Process StartTool(const std::string& args) {
  rmtest::StartOptions options;
  options.output = rmtest::Output::kPipe;
  options.inheritInput = true;
  return rmtest::Process::Start(ToolPath(), args, options);
}

struct ToolRun {
  int exitCode;  // -1 when it did not end within 30 s
  std::string output;
};

ToolRun RunTool(const std::string& args) {
  rmtest::Process p = StartTool(args);
  EXPECT_TRUE(p) << ToolPath();
  const int code = static_cast<int>(p.Wait(std::chrono::seconds(30)));
  return {code, p.Out()};
}

class SharedMachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    machine_ = SharedMachine::OpenShared(&error);
    ASSERT_TRUE(machine_) << error;
    ResetMachine();
  }
  // Other tests of the prefix find the fresh machine.
  void TearDown() override {
    if (machine_) ResetMachine();
  }
  void ResetMachine() {
    ASSERT_TRUE(machine_->Update([](model::MachineState& s) {
      model::Firmware(s).Reset();
      return true;
    }));
  }
  std::vector<std::uint8_t> Word() { return machine_->Execute(1, 5, {}, 4).data; }

  std::unique_ptr<SharedMachine> machine_;
};

using Bytes = std::vector<std::uint8_t>;

TEST_F(SharedMachineTest, OpenGivesTheMachineOfThePrefix) {
  auto machine = Machine::Open();
  ASSERT_TRUE(machine);
  EXPECT_TRUE(machine->HasFirmwareClasses());
  const BiosAnswer a = machine->Execute(1, 5, {}, 4);
  EXPECT_EQ(0u, a.returnCode);
  EXPECT_EQ((Bytes{0x3B, 0x0F, 0x0F, 0x00}), a.data);
  EXPECT_NE(std::string::npos, machine_->path().find("\\FirmwareSim\\machine.dat")) << machine_->path();
}

TEST_F(SharedMachineTest, ToolInAnotherProcessChangesWhatThisProcessReads) {
  ToolRun r = RunTool("button");
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_EQ((Bytes{0x3B, 0x06, 0x06, 0x00}), Word());
  r = RunTool("profile unsupported");
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_FALSE(machine_->HasFirmwareClasses());
  EXPECT_TRUE(machine_->DataBlocks("vtqGAED").empty());
}

TEST_F(SharedMachineTest, SwitchInThisProcessIsWhatTheToolShows) {
  const BiosAnswer a = machine_->Execute(2, 5, {0x00, 0x02, 0x00, 0x00}, 0);
  EXPECT_EQ(0u, a.returnCode);
  const ToolRun r = RunTool("show");
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("wireless word: 0x000C0F3B")) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("bluetoothOn=0 bluetoothSelected=0")) << r.output;
}

TEST_F(SharedMachineTest, StateIsKeptInTheFile) {
  ASSERT_EQ(0, RunTool("display 1 5").exitCode);
  auto fromFile = std::make_unique<model::MachineState>();
  ASSERT_TRUE(SharedMachine::ReadStateFile(machine_->path(), *fromFile));
  EXPECT_EQ(5u, fromFile->displays[1].ulState);
  ASSERT_TRUE(machine_->PutDataBlock("vtqGAED", "ACPI\\PNP0C14\\0_1", 6));
  ASSERT_TRUE(SharedMachine::ReadStateFile(machine_->path(), *fromFile));
  EXPECT_EQ(6u, fromFile->displays[1].ulState);
}

TEST_F(SharedMachineTest, StateOutlivesTheProcessThatChangedIt) {
  ASSERT_EQ(0, RunTool("set wlan-setup off").exitCode);
  machine_.reset();
  std::string error;
  machine_ = SharedMachine::OpenShared(&error);
  ASSERT_TRUE(machine_) << error;
  EXPECT_EQ(SharedMachine::Origin::Opened, machine_->origin());
  EXPECT_EQ((Bytes{0x3B, 0x0A, 0x0F, 0x00}), Word());
  const ToolRun r = RunTool("init");
  EXPECT_EQ(0, r.exitCode);
  EXPECT_NE(std::string::npos, r.output.find("exists; left as it is")) << r.output;
  EXPECT_EQ((Bytes{0x3B, 0x0A, 0x0F, 0x00}), Word());
}

TEST_F(SharedMachineTest, EventOfAnotherProcessWakesWaitEvents) {
  const std::uint64_t last = machine_->LastEventSequence();
  std::vector<FirmwareEvent> events;
  ULONGLONG waited = 0;
  std::thread waiter([&] {
    auto own = Machine::Open();  // a subscriber of its own
    const ULONGLONG start = ::GetTickCount64();
    events = own->WaitEvents(last, 20000);
    waited = ::GetTickCount64() - start;
  });
  // The waiter's event object exists once it waits for `last`.
  const std::string name = "Global\\FwSimMachine.Events." + std::to_string(last);
  for (int i = 0; i < 500; ++i) {
    rm::UniqueHandle h(::OpenEventA(SYNCHRONIZE, FALSE, name.c_str()));
    if (h) break;
    ::Sleep(10);
  }
  const ToolRun r = RunTool("event 4 42");
  waiter.join();
  ASSERT_EQ(0, r.exitCode) << r.output;
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(last + 1, events[0].sequence);
  EXPECT_EQ(EventClass::BiosEvent, events[0].eventClass);
  EXPECT_EQ(4u, events[0].eventId);
  EXPECT_EQ(42u, events[0].eventData);
  EXPECT_LT(waited, 15000u);
}

TEST_F(SharedMachineTest, EveryWaitingProcessSeesEveryEvent) {
  const std::uint64_t last = machine_->LastEventSequence();
  const std::string args = "wait --after " + std::to_string(last) + " 20000";
  rmtest::Process first = StartTool(args), second = StartTool(args);
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  ASSERT_TRUE(first.WaitForOutput("waiting for events", std::chrono::seconds(30))) << first.Out();
  ASSERT_TRUE(second.WaitForOutput("waiting for events", std::chrono::seconds(30))) << second.Out();
  // A dock change: vtqBEvnt 1 and vtqDockEvent, raised in this process.
  ASSERT_TRUE(machine_->Update([](model::MachineState& s) {
    return model::Firmware(s).ChangeBlock(model::BlockClass::Dock, 0, 1);
  }));
  for (rmtest::Process* p : {&first, &second}) {
    EXPECT_EQ(0, p->Wait(std::chrono::seconds(30))) << p->Out();
    EXPECT_NE(std::string::npos, p->Out().find("vtqBEvnt EventID 1 EventData 0x00000001")) << p->Out();
  }
  const auto events = machine_->WaitEvents(last, 0);
  ASSERT_EQ(2u, events.size());
  EXPECT_EQ(EventClass::DockEvent, events[1].eventClass);
}

TEST_F(SharedMachineTest, WaitEventsTimesOutWithoutEvents) {
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_TRUE(machine_->WaitEvents(machine_->LastEventSequence(), 200).empty());
  EXPECT_GE(::GetTickCount64() - start, 150u);
  const ToolRun r = RunTool("wait 100");
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(std::string::npos, r.output.find("no event within 100 ms")) << r.output;
}

TEST_F(SharedMachineTest, HolderThatDiesLeavesTheLastPublishedState) {
  ASSERT_EQ((Bytes{0x3B, 0x0F, 0x0F, 0x00}), Word());
  // A thread that scribbles over its draft and ends while holding the
  // mutex, as a process killed in the middle of a change would.
  struct Dying {
    static DWORD WINAPI Run(void* param) {
      static_cast<SharedMachine*>(param)->Update([](model::MachineState& draft) {
        std::memset(&draft, 0xFF, sizeof draft);
        ::ExitThread(0);
        return true;
      });
      return 1;
    }
  };
  rm::UniqueHandle dying(::CreateThread(nullptr, 0, &Dying::Run, machine_.get(), 0, nullptr));
  ASSERT_TRUE(dying);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(dying.get(), 30000));
  EXPECT_EQ((Bytes{0x3B, 0x0F, 0x0F, 0x00}), Word());
  EXPECT_EQ(0u, machine_->Execute(2, 5, {0x00, 0x08, 0x00, 0x00}, 0).returnCode);
  EXPECT_EQ((Bytes{0x3B, 0x0C, 0x0C, 0x00}), Word());
  EXPECT_EQ(0, RunTool("show").exitCode);
}

TEST_F(SharedMachineTest, DataBlocksAreWrittenBackAndFoundWithoutRegardToCase) {
  auto docks = machine_->DataBlocks("vtqDockQuery");
  ASSERT_EQ(1u, docks.size());
  EXPECT_EQ("ACPI\\PNP0C14\\0_0", docks[0].instanceName);
  EXPECT_TRUE(machine_->PutDataBlock("vtqDockQuery", "acpi\\pnp0c14\\0_0", 9));
  EXPECT_EQ(9u, machine_->DataBlocks("vtqDockQuery")[0].ulState);
  EXPECT_FALSE(machine_->PutDataBlock("vtqDockQuery", "ACPI\\PNP0C14\\0_1", 9));
  EXPECT_FALSE(machine_->PutDataBlock("vtqBIntM", "ACPI\\PNP0C14\\0_0", 9));
  EXPECT_TRUE(machine_->DataBlocks("vtqBIntM").empty());
  const auto displays = machine_->DataBlocks("vtqGAED");
  ASSERT_EQ(2u, displays.size());
  EXPECT_EQ(1u, displays[0].ulState);
  // A client's write is no dock change: no event.
  EXPECT_EQ(0u, machine_->WaitEvents(machine_->LastEventSequence(), 0).size());
}

TEST_F(SharedMachineTest, FaultKnobsSetByTheTool) {
  ASSERT_EQ(0, RunTool("fault enum-timeouts 3").exitCode);
  ASSERT_EQ(0, RunTool("fault data-length 5").exitCode);
  ASSERT_EQ(0, RunTool("fault getmethod on").exitCode);
  ASSERT_EQ(0, RunTool("fault delay 7").exitCode);
  Faults f = machine_->GetFaults();
  EXPECT_EQ(3u, f.enumTimeouts);
  EXPECT_EQ(5, f.dataLength);
  EXPECT_TRUE(f.getMethodFails);
  EXPECT_FALSE(f.outDataMissing);
  EXPECT_EQ(7u, f.delayMs);
  ASSERT_EQ(0, RunTool("fault clear").exitCode);
  f = machine_->GetFaults();
  EXPECT_EQ(0u, f.enumTimeouts);
  EXPECT_EQ(-1, f.dataLength);
  EXPECT_FALSE(f.getMethodFails);
}

std::vector<std::uint8_t> ReadTestFile(const std::string& name) {
  std::ifstream in(DosPath(std::string(RM_TESTDATA_DIR) + "/smbios/" + name), std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(SharedMachineTest, SmbiosLoadedByTheTool) {
  const std::string dump = std::string(RM_TESTDATA_DIR) + "/smbios/lenovo-thinkpad-t480.dump";
  ToolRun r = RunTool("smbios load " + dump);
  ASSERT_EQ(0, r.exitCode) << r.output;
  SmbiosTables t = machine_->Smbios();
  EXPECT_EQ(3, t.majorVersion);
  EXPECT_EQ(0, t.minorVersion);
  EXPECT_EQ(ReadTestFile("lenovo-thinkpad-t480.table"), t.data);
  // A bad file changes nothing.
  r = RunTool("smbios load " + ToolPath());
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(std::string::npos, r.output.find("neither an SMBIOS entry point")) << r.output;
  EXPECT_EQ(ReadTestFile("lenovo-thinkpad-t480.table"), machine_->Smbios().data);
  ASSERT_EQ(0, RunTool("smbios default").exitCode);
  t = machine_->Smbios();
  EXPECT_EQ(2, t.majorVersion);
  EXPECT_EQ(8, t.minorVersion);
  EXPECT_EQ(836u, t.data.size());
}

TEST_F(SharedMachineTest, UsageErrorsExitWithTwoAndChangeNothing) {
  const std::uint64_t last = machine_->LastEventSequence();
  for (const char* args : {"", "set wlan sideways", "profile laptop", "dock 0", "fault slow 1"}) {
    const ToolRun r = RunTool(args);
    EXPECT_EQ(2, r.exitCode) << args;
    EXPECT_EQ(0u, r.output.find("fwsim: ")) << r.output;
  }
  const ToolRun r = RunTool("dock 4 1");
  EXPECT_EQ(1, r.exitCode);
  EXPECT_EQ((Bytes{0x3B, 0x0F, 0x0F, 0x00}), Word());
  EXPECT_EQ(last, machine_->LastEventSequence());
  EXPECT_EQ(0, RunTool("help").exitCode);
}

}  // namespace
}  // namespace fwsim
