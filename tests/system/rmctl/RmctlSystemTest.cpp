// rmctl.exe driven as a user or a script would: status, switches, watch,
// machine and report against the stand-in through the bridge service that
// COM starts, with rmtray running where its tooltip must follow.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "tests/support/Process.h"
#include "tests/system/bridge/relay/TrayBridgeFixture.h"

namespace rmctltest {
namespace {

using relaytest::Fwsim;
using rm::UniqueLocal;
using traytest::WaitFor;

using rmtest::RmctlExe;

// A started rmctl with its output and error captured.
rmtest::Process StartRmctl(const std::string& args, DWORD flags = CREATE_NO_WINDOW) {
  rmtest::StartOptions options;
  options.output = rmtest::Output::kPipes;
  options.flags = flags;
  return rmtest::Process::Start(RmctlExe(), args, options);
}

struct Result {
  long code;
  std::string out, err;
};

Result RunRmctl(const std::string& args) {
  rmtest::Process r = StartRmctl(args);
  Result result;
  result.code = r.Wait(std::chrono::seconds(60));
  result.out = r.Out();
  result.err = r.Err();
  return result;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class RmctlSystem : public relaytest::TrayWithBridge {};

TEST_F(RmctlSystem, StatusOfEveryProfileWithItsReasons) {
  struct Case {
    const char* setup;  // fwsim commands, one after the other
    long code;
    std::vector<const char*> lines;
  };
  const Case cases[] = {
      {"profile both", 0, {"WLAN:       present, usable, on\n", "Bluetooth:  present, usable, on\n",
                           "  LAN - WLAN switching:  Enabled\n", "Status word: 0x000F0F3B\n"}},
      {"profile wlan", 0, {"WLAN:       present, usable, on\n", "Bluetooth:  not present\n", "Status word: 0x00000F39\n"}},
      {"profile bluetooth", 0, {"WLAN:       not present\n", "Bluetooth:  present, usable, on\n",
                                "Status word: 0x000F0022\n"}},
      {"profile none", 0, {"WLAN:       not present\n", "Bluetooth:  not present\n",
                           "No supported radios on this machine.\n", "Status word: 0x00000000\n"}},
      {"button", 0, {"WLAN:       present, not usable, off - Wireless Button\n",
                     "Bluetooth:  present, not usable, off - Wireless Button\n", "Status word: 0x0006063B\n"}},
      {"lan plug", 0, {"WLAN:       present, not usable, off - LAN Switching\n", "Bluetooth:  present, usable, on\n"}},
      {"set wlan-setup off", 0, {"WLAN:       present, not usable, off - BIOS Settings\n",
                                 "  Wireless LAN:          Disabled\n"}},
      {"set bluetooth-selected off", 0, {"Bluetooth:  present, usable, off - User Selection\n"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Fwsim("profile both"), 0);
    if (std::string(c.setup) != "profile both") {
      ASSERT_EQ(Fwsim(c.setup), 0) << c.setup;
    }
    const Result r = RunRmctl("status");
    EXPECT_EQ(r.code, c.code) << c.setup << "\n" << r.err;
    EXPECT_EQ(r.err, "") << c.setup;
    for (const char* line : c.lines) EXPECT_TRUE(Contains(r.out, line)) << c.setup << ": " << line << "\n" << r.out;
  }

  ASSERT_EQ(Fwsim("profile wlan"), 0);
  const Result json = RunRmctl("status --json");
  EXPECT_EQ(json.code, 0);
  EXPECT_EQ(json.out,
            "{\"word\":\"0x00000F39\",\"wlan\":{\"present\":true,\"usable\":true,\"on\":true,\"state\":\"on\","
            "\"reason\":null},\"bluetooth\":{\"present\":false},\"separateSwitching\":true,"
            "\"firmwareSetup\":{\"wlan\":true,\"lanSwitching\":true}}\n");

  // Without the firmware's classes the bridge cannot reach the firmware.
  ASSERT_EQ(Fwsim("profile unsupported"), 0);
  const Result unsupported = RunRmctl("status");
  EXPECT_EQ(unsupported.code, 2);
  EXPECT_EQ(unsupported.out, "");
  EXPECT_TRUE(Contains(unsupported.err, "rmctl: the bridge or the firmware's wireless interface is unavailable: 0x80041002 (WBEM_E_NOT_FOUND)\n"))
      << unsupported.err;
}

TEST_F(RmctlSystem, EachSwitchChangesTheRadiosAndRmtraysTooltip) {
  StartAndWaitForIcon();
  ASSERT_TRUE(WaitForTip(traytest::kBothOn));
  struct Case {
    const char* args;
    DWORD word;
    const wchar_t* tip;
    const char* line;
  };
  const Case cases[] = {
      {"wlan off", 0x000F0C3B, traytest::kWlanOffBtOn, "WLAN:       present, usable, off - User Selection\n"},
      {"bluetooth off", 0x000C0C3B, traytest::kBothOff, "Bluetooth:  present, usable, off - User Selection\n"},
      {"wlan on", 0x000C0F3B, traytest::kWlanOnBtOff, "WLAN:       present, usable, on\n"},
      {"all off", 0x000C0C3B, traytest::kBothOff, "WLAN:       present, usable, off - User Selection\n"},
      {"all on", 0x000F0F3B, traytest::kBothOn, "Bluetooth:  present, usable, on\n"},
      {"bluetooth off", 0x000C0F3B, traytest::kWlanOnBtOff, "Status word: 0x000C0F3B\n"},
      {"bluetooth on", 0x000F0F3B, traytest::kBothOn, "Status word: 0x000F0F3B\n"},
  };
  for (const Case& c : cases) {
    const Result r = RunRmctl(c.args);
    EXPECT_EQ(r.code, 0) << c.args << "\n" << r.err;
    EXPECT_TRUE(Contains(r.out, c.line)) << c.args << "\n" << r.out;
    EXPECT_EQ(traytest::FwsimWirelessWord(), c.word) << c.args;
    EXPECT_TRUE(WaitForTip(c.tip)) << c.args;
  }
  EndPromptly();
}

TEST_F(RmctlSystem, ASwitchOfAButtonDisabledRadioIsRefusedAndNothingIsSent) {
  ASSERT_EQ(Fwsim("button"), 0);
  ASSERT_EQ(traytest::FwsimWirelessWord(), 0x0006063Bu);
  for (const char* args : {"wlan off", "bluetooth on", "all off"}) {
    const long before = relaytest::RequestsAnswered();
    const Result r = RunRmctl(args);
    EXPECT_EQ(r.code, 3) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_TRUE(Contains(r.err, "rmctl: refused: ")) << r.err;
    EXPECT_TRUE(Contains(r.err, "Wireless Button; nothing was sent\n")) << r.err;
    // Only the query reached the firmware; the selection bits stayed.
    EXPECT_EQ(relaytest::RequestsAnswered(), before + 1) << args;
    EXPECT_EQ(traytest::FwsimWirelessWord(), 0x0006063Bu) << args;
  }
  EXPECT_EQ(relaytest::LogMessages("Cmd: 2h").size(), 0u);
  EXPECT_EQ(relaytest::LogMessages("Cmd: 1h").size(), 3u);

  // Bad arguments are refused before anything is asked.
  const long before = relaytest::RequestsAnswered();
  const Result usage = RunRmctl("wlan sideways");
  EXPECT_EQ(usage.code, 1);
  EXPECT_EQ(usage.err, "rmctl: unexpected 'sideways' after 'wlan'\nTry 'rmctl --help'.\n");
  EXPECT_EQ(relaytest::RequestsAnswered(), before);
  const Result help = RunRmctl("wlan --help");
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(Contains(help.out, "rmctl wlan|bluetooth|all on|off\n"));
}

// Ctrl+C under Wine: this program has no console and cannot make one
// (AllocConsole fails), and Ctrl+Break to a process group fails. What works:
// rmctl in a console of its own, this program attached to that console and
// ignoring Ctrl+C itself, and Ctrl+C to every process of the console.
TEST_F(RmctlSystem, WatchPrintsAButtonPressAndEndsOnCtrlC) {
  rmtest::Process watch = StartRmctl("watch", CREATE_NEW_CONSOLE);
  ASSERT_TRUE(WaitFor([&] { return Contains(watch.Out(), "word 0x000F0F3B\n"); }, std::chrono::seconds(30)))
      << watch.Err();
  ASSERT_EQ(Fwsim("button"), 0);
  EXPECT_TRUE(WaitFor(
      [&] {
        return Contains(watch.Out(),
                        "  WLAN: disabled (Wireless Button)  Bluetooth: disabled (Wireless Button)  word 0x0006063B\n");
      },
      std::chrono::seconds(10)))
      << watch.Out();
  // Two changes close together: the last state is printed.
  ASSERT_EQ(Fwsim("button"), 0);
  ASSERT_EQ(Fwsim("lan plug"), 0);
  EXPECT_TRUE(WaitFor(
      [&] { return Contains(watch.Out(), "  WLAN: disabled (LAN Switching)  Bluetooth: on  word 0x000F1E3B\n"); },
      std::chrono::seconds(10)))
      << watch.Out();

  ::FreeConsole();
  ASSERT_TRUE(::AttachConsole(watch.id()));
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  EXPECT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  EXPECT_EQ(watch.Wait(std::chrono::seconds(15)), 0) << watch.Err();
  ::FreeConsole();
  ::SetConsoleCtrlHandler(nullptr, FALSE);

  EXPECT_EQ(watch.Err(), "");
  // Each line starts with the date and time: "2026-12-08 14:00:05.120  WLAN: ...".
  const std::string out = watch.Out();
  ASSERT_GT(out.size(), 25u);
  EXPECT_EQ(out.substr(4, 1) + out.substr(7, 1) + out.substr(10, 1) + out.substr(13, 1) + out.substr(19, 1) +
                out.substr(23, 2),
            "-- :.  ")
      << out;
  // Watch re-reads on its own: it asks the bridge for no relay.
  EXPECT_EQ(relaytest::LogMessages("vtqSetupWmiEvents").size(), 0u);
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// Whether the event's DACL lets interactive users (S-1-5-4) wait on it and
// set it.
bool InteractiveUsersMayWaitAndSet(HANDLE event) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(event, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                        &descriptor) != ERROR_SUCCESS)
    return false;
  rm::UniqueLocal owner(descriptor);
  BYTE interactive[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof interactive;
  if (!dacl || !::CreateWellKnownSid(WinInteractiveSid, nullptr, interactive, &size)) return false;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
        ::EqualSid(&ace->SidStart, interactive) && (ace->Mask & 0x00100002) == 0x00100002)
      return true;
  }
  return false;
}

// rmctl watch beside rmtray, on the same machine and session: each button
// press reaches rmtray's icon and watch's output, and command 1 ends rmtray
// within five seconds, twenty times. In the first ten rounds the wireless
// event is one another user's tray program made, which lets rmtray only
// wait on it and set it; then rmtray makes it itself, open to every
// interactive user.
TEST_F(RmctlSystem, WatchAndRmtrayBothSeeEveryPressAndCommandOneEndsRmtrayEachTime) {
  UniqueLocal restricted;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;0x00100002;;;IU)", SDDL_REVISION_1,
                                                                     restricted.put(), nullptr));
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, restricted.get(), FALSE};
  rm::UniqueHandle othersEvent(::CreateEventA(&attributes, FALSE, FALSE, "Global\\VtqWmiBiosWirelessEvent"));
  ASSERT_TRUE(othersEvent);

  rmtest::Process watch = StartRmctl("watch");
  ASSERT_TRUE(WaitFor([&] { return Contains(watch.Out(), "word 0x000F0F3B\n"); }, std::chrono::seconds(30)))
      << watch.Err();
  const char* const words[] = {"word 0x000F0F3B\n", "word 0x0006063B\n"};  // on; off by the button
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    if (round == 10) othersEvent.reset();
    StartAndWaitForIcon();
    // Asked to relay once per start, told it is done once per end.
    ASSERT_TRUE(WaitFor(
        [&] { return relaytest::LogMessages("vtqSetupWmiEvents returns: 0x00000000").size() == 2u * round + 1; },
        std::chrono::seconds(30)));
    const bool offBefore = round % 2 == 1;
    ASSERT_TRUE(WaitForTip(offBefore ? traytest::kBothDisabled : traytest::kBothOn));
    if (round == 10) {
      rm::UniqueHandle event(::OpenEventA(READ_CONTROL, FALSE, "Global\\VtqWmiBiosWirelessEvent"));
      ASSERT_TRUE(event);
      EXPECT_TRUE(InteractiveUsersMayWaitAndSet(event.get()));
    }
    // The watcher's thread waits a moment after the relay request returns;
    // a pulse only wakes a thread that waits.
    ::Sleep(300);
    const std::size_t printed = Count(watch.Out(), words[offBefore ? 0 : 1]);
    ASSERT_EQ(Fwsim("button"), 0);
    EXPECT_TRUE(WaitForTip(offBefore ? traytest::kBothOn : traytest::kBothDisabled));
    EXPECT_TRUE(
        WaitFor([&] { return Count(watch.Out(), words[offBefore ? 0 : 1]) == printed + 1; }, std::chrono::seconds(10)))
        << watch.Out();
    EndPromptly();
  }
  EXPECT_EQ(Count(watch.Out(), words[1]), 10u) << watch.Out();
  EXPECT_EQ(watch.Err(), "");
}

TEST_F(RmctlSystem, ReportOnAMachineWhereRmtrayWasRefusedShowsTheFailedStep) {
  ASSERT_EQ(Fwsim("profile unsupported"), 0);
  traytest::Process tray = StartTray();
  const HWND box = WaitForNotice(tray);
  ASSERT_NE(box, nullptr);
  CloseBoxAndExpectEnd(tray, box);

  const Result r = RunRmctl("report");
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Contains(r.err, "wireless interface is unavailable")) << r.err;
  for (const char* line : {
           "== Programs\n",
           "Service vtqwmi        running",
           "Settings              3 (0x3)\n",
           "Logging               on\n",
           "Global\\VtqWmiBiosWirelessEvent event ID 5 (0x5)\n",
           "Global\\VtqWmiBiosDockEvent event ID 1 (0x1)\n",
           "HideSysTray           0 (0x0)\n",
           "DebugInfo: the tray program's last refused start\n",
           "  Failed step: the class object of vtqBIntM failed: 0x80041002 (WBEM_E_NOT_FOUND)\n",
           "   4 start-up probe                                 0x80004005 (E_FAIL)\n",
           "\n== Radios\nunavailable: ",
           "VTQWMI Service Started\n",
       }) {
    EXPECT_TRUE(Contains(r.out, line)) << line << "\n---\n" << r.out;
  }
  ASSERT_EQ(Fwsim("profile both"), 0);
  const Result good = RunRmctl("report");
  EXPECT_EQ(good.code, 0) << good.err;
  EXPECT_TRUE(Contains(good.out, "  byte 0 bit 5  separateSwitching        1\n")) << good.out;
  EXPECT_TRUE(Contains(good.out, "Manufacturer: Kestrel Computer Corp.\n")) << good.out;

  const Result machine = RunRmctl("machine --json");
  EXPECT_EQ(machine.code, 0) << machine.err;
  EXPECT_TRUE(Contains(machine.out, "\"Manufacturer\":\"Kestrel Computer Corp.\"")) << machine.out;
  EXPECT_TRUE(Contains(machine.out, "\"Serial number\":\"KS14A2-0042-7731\"")) << machine.out;
}

TEST_F(RmctlSystem, EveryCommandWithTheBridgeUnregisteredEndsWithCodeTwo) {
  bridgetest::RemoveBridgeService();
  const long before = relaytest::RequestsAnswered();
  for (const char* args : {"status", "status --json", "wlan on", "bluetooth off", "all on", "watch", "machine",
                           "machine --json", "report"}) {
    const Result r = RunRmctl(args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_TRUE(Contains(r.err, "rmctl: the bridge service vtqwmi is not registered (vtqwmi.exe /Service registers it): 0x80040154 (REGDB_E_CLASSNOTREG)\n"))
        << args << ": " << r.err;
  }
  EXPECT_EQ(relaytest::RequestsAnswered(), before);
  const Result report = RunRmctl("report");
  EXPECT_TRUE(Contains(report.out, "Bridge server         not registered\n")) << report.out;
  EXPECT_TRUE(Contains(report.out, "Service vtqwmi        not installed\n")) << report.out;
  ASSERT_TRUE(bridgetest::RegisterBridgeService());
}

}  // namespace
}  // namespace rmctltest
